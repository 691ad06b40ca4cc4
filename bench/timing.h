// Steady-clock timing and percentiles shared by the measuring programs.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

using Clock = std::chrono::steady_clock;

constexpr double MS_PER_S = 1000.0;
constexpr double MEDIAN = 0.5;
constexpr double P99 = 0.99;

// Milliseconds from start until now.
inline double MsSince(Clock::time_point start) {
    const std::chrono::duration<double> spent = Clock::now() - start;
    return spent.count() * MS_PER_S;
}

// The sample at the given fraction (0 to 1) of the sorted samples, rounding
// down; samples must not be empty.
inline double Percentile(std::vector<double> samples, double fraction) {
    const size_t index = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1));
    std::nth_element(samples.begin(), samples.begin() + static_cast<long>(index), samples.end());
    return samples[index];
}
