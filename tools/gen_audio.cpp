#include "gen_audio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "gen_files.h"

namespace {

constexpr int SAMPLE_RATE = 22050;
constexpr int CHANNELS = 1;
constexpr int BITS_PER_SAMPLE = 16;
constexpr int BYTES_PER_SAMPLE = BITS_PER_SAMPLE / BITS_PER_BYTE;
constexpr uint32_t PCM_FORMAT = 1;
constexpr uint32_t FMT_CHUNK_SIZE = 16;
constexpr uint32_t RIFF_HEADER_BYTES = 4 + 8 + FMT_CHUNK_SIZE + 8;  // "WAVE", fmt chunk, data tag
constexpr double TWO_PI = 6.283185307179586;

// The game starts the shot sound on every frame while fire is held, and the mixer
// starts every sound queued between two of its passes at the same sample, so about
// six shots always sound in phase, on top of the music and any explosion. Each
// sound is therefore scaled to its own peak: a quiet, short shot that stacks
// without clipping, and an explosion loud enough to rise well above that bed.
constexpr double FULL_SCALE = 32767.0;
constexpr double SHOT_PEAK_DBFS = -26.0;
constexpr double BOOM_PEAK_DBFS = -5.0;

// Shot: a short bright zap diving from a high pitch, with a sub-octave for body. It
// is over before the next mixer pass, so stacked shots never pile up across passes.
constexpr double SHOT_SECONDS = 0.06;
constexpr double SHOT_START_HZ = 2200.0;
constexpr double SHOT_END_HZ = 520.0;
constexpr double SHOT_SWEEP_SECONDS = 0.018;
constexpr double SHOT_DECAY_SECONDS = 0.016;
constexpr double SHOT_DRIVE = 3.0;  // soft-clip amount: pushes the sine toward a square
constexpr double SHOT_SUB_LEVEL = 0.35;
constexpr double SHOT_ATTACK_SECONDS = 0.002;
constexpr double SHOT_RELEASE_SECONDS = 0.012;

// Explosion: a low boom that carries it over the shots' high zaps, under bright
// noise darkening as it dies and a slower rumble.
constexpr double BOOM_SECONDS = 0.9;
constexpr uint32_t NOISE_SEED = 0x2545F491u;  // any fixed non-zero seed
constexpr double BOOM_BRIGHT_HZ = 4000.0;
constexpr double BOOM_DARK_HZ = 250.0;
constexpr double BOOM_FILTER_SWEEP_SECONDS = 0.12;
constexpr double BOOM_NOISE_DECAY_SECONDS = 0.2;
constexpr double BLAST_LEVEL = 0.8;
constexpr double RUMBLE_HZ = 120.0;
constexpr double RUMBLE_DECAY_SECONDS = 0.35;
constexpr double RUMBLE_LEVEL = 3.0;  // a low-passed noise is much quieter than the raw one
constexpr double THUMP_START_HZ = 90.0;
constexpr double THUMP_END_HZ = 42.0;
constexpr double THUMP_SWEEP_SECONDS = 0.12;
constexpr double THUMP_DECAY_SECONDS = 0.3;
constexpr double THUMP_LEVEL = 3.0;
constexpr double BOOM_ATTACK_SECONDS = 0.003;
constexpr double BOOM_RELEASE_SECONDS = 0.08;

using Signal = std::vector<double>;

int SecondsToSamples(double seconds) {
    return static_cast<int>(std::lround(seconds * SAMPLE_RATE));
}

double SampleTime(int index) {
    return static_cast<double>(index) / SAMPLE_RATE;
}

// Exponential glide from `from` toward `to` with time constant `tau`.
double Glide(double from, double to, double t, double tau) {
    return to + (from - to) * std::exp(-t / tau);
}

double Decay(double t, double tau) {
    return std::exp(-t / tau);
}

// Coefficient of a one-pole low-pass with the given cutoff.
double LowPassCoefficient(double hz) {
    return 1.0 - std::exp(-TWO_PI * hz / SAMPLE_RATE);
}

// xorshift32: deterministic white noise in [-1, 1).
constexpr int XOR_SHIFT_LEFT1 = 13;
constexpr int XOR_SHIFT_RIGHT = 17;
constexpr int XOR_SHIFT_LEFT2 = 5;
constexpr double NOISE_HALF_RANGE = 2147483648.0;  // 2^31

double NextNoise(uint32_t& state) {
    state ^= state << XOR_SHIFT_LEFT1;
    state ^= state >> XOR_SHIFT_RIGHT;
    state ^= state << XOR_SHIFT_LEFT2;
    return static_cast<double>(state) / NOISE_HALF_RANGE - 1.0;
}

// Linear fade in from exactly 0 and out to exactly 0 on the last sample, so
// the sound never clicks however the mixer cuts it.
void ApplyEdges(Signal& signal, double attackSeconds, double releaseSeconds) {
    const int count = static_cast<int>(signal.size());
    const int attack = SecondsToSamples(attackSeconds);
    const int release = SecondsToSamples(releaseSeconds);
    for (int i = 0; i < count; ++i) {
        double gain = 1.0;
        if (i < attack) {
            gain = static_cast<double>(i) / attack;
        }
        const int fromEnd = count - 1 - i;
        if (fromEnd < release) {
            gain = std::min(gain, static_cast<double>(fromEnd) / release);
        }
        signal[i] *= gain;
    }
}

// Scales the signal so that its peak sits at peakDbfs.
std::vector<int16_t> Normalize(const Signal& signal, double peakDbfs) {
    double peak = 0.0;
    for (double v : signal) {
        peak = std::max(peak, std::fabs(v));
    }
    constexpr double DECIBELS_PER_DECADE = 20.0;
    const double target = FULL_SCALE * std::pow(10.0, peakDbfs / DECIBELS_PER_DECADE);
    const double scale = peak > 0.0 ? target / peak : 0.0;
    std::vector<int16_t> samples;
    samples.reserve(signal.size());
    for (double v : signal) {
        samples.push_back(static_cast<int16_t>(std::lround(v * scale)));
    }
    return samples;
}

ByteBuffer EncodeWav(const std::vector<int16_t>& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * BYTES_PER_SAMPLE);
    ByteBuffer out;
    PutTag(out, "RIFF");
    PutLe32(out, RIFF_HEADER_BYTES + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLe32(out, FMT_CHUNK_SIZE);
    PutLe16(out, PCM_FORMAT);
    PutLe16(out, CHANNELS);
    PutLe32(out, SAMPLE_RATE);
    PutLe32(out, SAMPLE_RATE * CHANNELS * BYTES_PER_SAMPLE);
    PutLe16(out, CHANNELS * BYTES_PER_SAMPLE);
    PutLe16(out, BITS_PER_SAMPLE);
    PutTag(out, "data");
    PutLe32(out, dataBytes);
    for (int16_t s : samples) {
        PutLe16(out, static_cast<uint16_t>(s));
    }
    return out;
}

Signal RenderShot() {
    Signal signal(SecondsToSamples(SHOT_SECONDS));
    double phase = 0.0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = SampleTime(static_cast<int>(i));
        phase += TWO_PI * Glide(SHOT_START_HZ, SHOT_END_HZ, t, SHOT_SWEEP_SECONDS) / SAMPLE_RATE;
        const double edge = std::tanh(SHOT_DRIVE * std::sin(phase));
        const double sub = SHOT_SUB_LEVEL * std::sin(phase / 2.0);
        signal[i] = (edge + sub) * Decay(t, SHOT_DECAY_SECONDS);
    }
    ApplyEdges(signal, SHOT_ATTACK_SECONDS, SHOT_RELEASE_SECONDS);
    return signal;
}

// Two one-pole stages whose cutoff falls from bright to dark.
void AddBlastNoise(Signal& signal, uint32_t& noise) {
    double stage1 = 0.0;
    double stage2 = 0.0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = SampleTime(static_cast<int>(i));
        const double k =
            LowPassCoefficient(Glide(BOOM_BRIGHT_HZ, BOOM_DARK_HZ, t, BOOM_FILTER_SWEEP_SECONDS));
        stage1 += k * (NextNoise(noise) - stage1);
        stage2 += k * (stage1 - stage2);
        signal[i] += BLAST_LEVEL * stage2 * Decay(t, BOOM_NOISE_DECAY_SECONDS);
    }
}

void AddRumble(Signal& signal, uint32_t& noise) {
    const double k = LowPassCoefficient(RUMBLE_HZ);
    double low = 0.0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = SampleTime(static_cast<int>(i));
        low += k * (NextNoise(noise) - low);
        signal[i] += RUMBLE_LEVEL * low * Decay(t, RUMBLE_DECAY_SECONDS);
    }
}

void AddThump(Signal& signal) {
    double phase = 0.0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = SampleTime(static_cast<int>(i));
        phase += TWO_PI * Glide(THUMP_START_HZ, THUMP_END_HZ, t, THUMP_SWEEP_SECONDS) / SAMPLE_RATE;
        signal[i] += THUMP_LEVEL * std::sin(phase) * Decay(t, THUMP_DECAY_SECONDS);
    }
}

Signal RenderExplosion() {
    Signal signal(SecondsToSamples(BOOM_SECONDS), 0.0);
    uint32_t noise = NOISE_SEED;
    AddBlastNoise(signal, noise);
    AddRumble(signal, noise);
    AddThump(signal);
    ApplyEdges(signal, BOOM_ATTACK_SECONDS, BOOM_RELEASE_SECONDS);
    return signal;
}

bool WriteWav(const std::string& path, const Signal& signal, double peakDbfs) {
    return WriteBytes(path, EncodeWav(Normalize(signal, peakDbfs)));
}

}  // namespace

bool WriteSounds(const std::string& dataDir) {
    const std::string dir = dataDir + "/sounds";
    return EnsureDirectory(dir) && WriteWav(dir + "/disparo.wav", RenderShot(), SHOT_PEAK_DBFS) &&
           WriteWav(dir + "/explosion.wav", RenderExplosion(), BOOM_PEAK_DBFS);
}
