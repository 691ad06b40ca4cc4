#include "gen_audio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "gen_sound_io.h"

namespace {

constexpr int kSampleRate = 22050;
constexpr int kChannels = 1;
constexpr int kBitsPerSample = 16;
constexpr int kBytesPerSample = kBitsPerSample / kBitsPerByte;
constexpr uint32_t kPcmFormat = 1;
constexpr uint32_t kFmtChunkSize = 16;
constexpr uint32_t kRiffHeaderBytes = 4 + 8 + kFmtChunkSize + 8;  // "WAVE", fmt chunk, data tag
constexpr double kTwoPi = 6.283185307179586;

// The game starts the shot sound on every frame while fire is held, and the mixer
// starts every sound queued between two of its passes at the same sample, so about
// six shots always sound in phase, on top of the music and any explosion. Each
// sound is therefore scaled to its own peak: a quiet, short shot that stacks
// without clipping, and an explosion loud enough to rise well above that bed.
constexpr double kFullScale = 32767.0;
constexpr double kShotPeakDbfs = -26.0;
constexpr double kBoomPeakDbfs = -5.0;

// Shot: a short bright zap diving from a high pitch, with a sub-octave for body. It
// is over before the next mixer pass, so stacked shots never pile up across passes.
constexpr double kShotSeconds = 0.06;
constexpr double kShotStartHz = 2200.0;
constexpr double kShotEndHz = 520.0;
constexpr double kShotSweepSeconds = 0.018;
constexpr double kShotDecaySeconds = 0.016;
constexpr double kShotDrive = 3.0;  // soft-clip amount: pushes the sine toward a square
constexpr double kShotSubLevel = 0.35;
constexpr double kShotAttackSeconds = 0.002;
constexpr double kShotReleaseSeconds = 0.012;

// Explosion: a low boom that carries it over the shots' high zaps, under bright
// noise darkening as it dies and a slower rumble.
constexpr double kBoomSeconds = 0.9;
constexpr uint32_t kNoiseSeed = 0x2545F491u;  // any fixed non-zero seed
constexpr double kBoomBrightHz = 4000.0;
constexpr double kBoomDarkHz = 250.0;
constexpr double kBoomFilterSweepSeconds = 0.12;
constexpr double kBoomNoiseDecaySeconds = 0.2;
constexpr double kBlastLevel = 0.8;
constexpr double kRumbleHz = 120.0;
constexpr double kRumbleDecaySeconds = 0.35;
constexpr double kRumbleLevel = 3.0;  // a low-passed noise is much quieter than the raw one
constexpr double kThumpStartHz = 90.0;
constexpr double kThumpEndHz = 42.0;
constexpr double kThumpSweepSeconds = 0.12;
constexpr double kThumpDecaySeconds = 0.3;
constexpr double kThumpLevel = 3.0;
constexpr double kBoomAttackSeconds = 0.003;
constexpr double kBoomReleaseSeconds = 0.08;

using Signal = std::vector<double>;

int SecondsToSamples(double seconds) {
    return static_cast<int>(std::lround(seconds * kSampleRate));
}

double SampleTime(int index) {
    return static_cast<double>(index) / kSampleRate;
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
    return 1.0 - std::exp(-kTwoPi * hz / kSampleRate);
}

// xorshift32: deterministic white noise in [-1, 1).
constexpr int kXorShiftLeft1 = 13;
constexpr int kXorShiftRight = 17;
constexpr int kXorShiftLeft2 = 5;
constexpr double kNoiseHalfRange = 2147483648.0;  // 2^31

double NextNoise(uint32_t& state) {
    state ^= state << kXorShiftLeft1;
    state ^= state >> kXorShiftRight;
    state ^= state << kXorShiftLeft2;
    return static_cast<double>(state) / kNoiseHalfRange - 1.0;
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
    constexpr double kDecibelsPerDecade = 20.0;
    const double target = kFullScale * std::pow(10.0, peakDbfs / kDecibelsPerDecade);
    const double scale = peak > 0.0 ? target / peak : 0.0;
    std::vector<int16_t> samples;
    samples.reserve(signal.size());
    for (double v : signal) {
        samples.push_back(static_cast<int16_t>(std::lround(v * scale)));
    }
    return samples;
}

ByteBuffer EncodeWav(const std::vector<int16_t>& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * kBytesPerSample);
    ByteBuffer out;
    PutTag(out, "RIFF");
    PutLe32(out, kRiffHeaderBytes + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLe32(out, kFmtChunkSize);
    PutLe16(out, kPcmFormat);
    PutLe16(out, kChannels);
    PutLe32(out, kSampleRate);
    PutLe32(out, kSampleRate * kChannels * kBytesPerSample);
    PutLe16(out, kChannels * kBytesPerSample);
    PutLe16(out, kBitsPerSample);
    PutTag(out, "data");
    PutLe32(out, dataBytes);
    for (int16_t s : samples) {
        PutLe16(out, static_cast<uint16_t>(s));
    }
    return out;
}

Signal RenderShot() {
    Signal signal(SecondsToSamples(kShotSeconds));
    double phase = 0.0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = SampleTime(static_cast<int>(i));
        phase += kTwoPi * Glide(kShotStartHz, kShotEndHz, t, kShotSweepSeconds) / kSampleRate;
        const double edge = std::tanh(kShotDrive * std::sin(phase));
        const double sub = kShotSubLevel * std::sin(phase / 2.0);
        signal[i] = (edge + sub) * Decay(t, kShotDecaySeconds);
    }
    ApplyEdges(signal, kShotAttackSeconds, kShotReleaseSeconds);
    return signal;
}

// Two one-pole stages whose cutoff falls from bright to dark.
void AddBlastNoise(Signal& signal, uint32_t& noise) {
    double stage1 = 0.0;
    double stage2 = 0.0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = SampleTime(static_cast<int>(i));
        const double k =
            LowPassCoefficient(Glide(kBoomBrightHz, kBoomDarkHz, t, kBoomFilterSweepSeconds));
        stage1 += k * (NextNoise(noise) - stage1);
        stage2 += k * (stage1 - stage2);
        signal[i] += kBlastLevel * stage2 * Decay(t, kBoomNoiseDecaySeconds);
    }
}

void AddRumble(Signal& signal, uint32_t& noise) {
    const double k = LowPassCoefficient(kRumbleHz);
    double low = 0.0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = SampleTime(static_cast<int>(i));
        low += k * (NextNoise(noise) - low);
        signal[i] += kRumbleLevel * low * Decay(t, kRumbleDecaySeconds);
    }
}

void AddThump(Signal& signal) {
    double phase = 0.0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = SampleTime(static_cast<int>(i));
        phase += kTwoPi * Glide(kThumpStartHz, kThumpEndHz, t, kThumpSweepSeconds) / kSampleRate;
        signal[i] += kThumpLevel * std::sin(phase) * Decay(t, kThumpDecaySeconds);
    }
}

Signal RenderExplosion() {
    Signal signal(SecondsToSamples(kBoomSeconds), 0.0);
    uint32_t noise = kNoiseSeed;
    AddBlastNoise(signal, noise);
    AddRumble(signal, noise);
    AddThump(signal);
    ApplyEdges(signal, kBoomAttackSeconds, kBoomReleaseSeconds);
    return signal;
}

bool WriteWav(const std::string& dataDir, const char* fileName, const Signal& signal,
              double peakDbfs) {
    return WriteSoundFile(dataDir, fileName, EncodeWav(Normalize(signal, peakDbfs)));
}

}  // namespace

bool WriteSounds(const std::string& dataDir) {
    return WriteWav(dataDir, "disparo.wav", RenderShot(), kShotPeakDbfs) &&
           WriteWav(dataDir, "explosion.wav", RenderExplosion(), kBoomPeakDbfs);
}
