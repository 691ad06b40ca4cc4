// How long the game's play frames really last, wait included.
//
// Starts up as RunGame does, begins a game from the title screen and runs the
// real play frames, timing each with the monotonic clock and with the game's
// own tick counter, and timing its work (everything before the wait) apart.
// A game that ends is started again from the title; title passes are not
// timed. Usage: korvane_frame_times [frames], from data/, on a real display.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "shell/assets.h"
#include "shell/frame_clock.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "startup.h"
#include "timing.h"

static constexpr int DEFAULT_FRAMES = 1000;
static constexpr int DECIMAL = 10;

struct Frame {
    double ms;      // by the monotonic clock
    double workMs;  // PlayFrameSteps alone: drawing and the flip to the display
    Uint32 ticks;   // by SDL_GetTicks, from the frame's own StartFrameTimer
};

// PlayFrame is exactly these two calls; the stamp between them splits work from wait.
static Frame TimePlayFrame() {
    const Clock::time_point start = Clock::now();
    PlayFrameSteps();
    const double workMs = MsSince(start);
    WaitForFrameEnd();
    return {MsSince(start), workMs, SDL_GetTicks() - GameState.frameStart};
}

static void PrintDistribution(const char* what, const std::vector<double>& ms) {
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size());
    printf("%s ms: min %.3f median %.3f mean %.3f p99 %.3f max %.3f\n", what,
           *std::min_element(ms.begin(), ms.end()), Percentile(ms, MEDIAN), mean,
           Percentile(ms, P99), *std::max_element(ms.begin(), ms.end()));
}

static void Report(const std::vector<Frame>& frames) {
    std::vector<double> ms;
    std::vector<double> workMs;
    Uint32 fewestTicks = UINT32_MAX;
    Uint32 mostTicks = 0;
    int underFrameMs = 0;
    for (const Frame& frame : frames) {
        ms.push_back(frame.ms);
        workMs.push_back(frame.workMs);
        fewestTicks = std::min(fewestTicks, frame.ticks);
        mostTicks = std::max(mostTicks, frame.ticks);
        underFrameMs += frame.ms < FRAME_MS ? 1 : 0;
    }
    printf("frames %zu\n", frames.size());
    PrintDistribution("frame, monotonic clock,", ms);
    PrintDistribution("work before the wait,", workMs);
    printf("SDL ticks: min %u max %u\n", fewestTicks, mostTicks);
    printf("frames under %u ms by the monotonic clock: %d\n", FRAME_MS, underFrameMs);
}

int main(int argc, char** argv) {
    const int count =
        argc > 1 ? static_cast<int>(strtol(argv[1], nullptr, DECIMAL)) : DEFAULT_FRAMES;
    if (count <= 0 || !StartUp()) {
        return 1;
    }
    std::vector<Frame> frames;
    frames.reserve(static_cast<size_t>(count));
    while (static_cast<int>(frames.size()) < count && GameState.quit == 0) {
        if (GameState.mode == MODE_PLAY) {
            frames.push_back(TimePlayFrame());
        } else {
            StartGameFromTitle();
        }
    }
    if (!frames.empty()) {
        Report(frames);
    }
    ReleaseResources();
    return 0;
}
