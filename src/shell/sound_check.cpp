#include "shell/sound_check.h"

#include <climits>

// SDL 1.2.15 builds a conversion as a chain of at most 9 steps (its filter
// table has 10 slots, the last for the end mark) and writes past the table
// when a chain is longer. The steps below follow SDL_BuildAudioCVT in
// SDL_audiocvt.c. Rates change only by halving or doubling, until the two
// rates are within a factor of two: one step for each.
//
// For the mixer's 22050 Hz, 16-bit signed big-endian output, the safe rates are
// (both ends included):
//   16-bit sound, mono into a mono mixer:           44 .. 11,289,599 Hz
//   8-bit mono, or 16-bit stereo, into mono:        87 ..  5,644,799 Hz
//   8-bit stereo into mono:                        173 ..  2,822,399 Hz
// Each further step halves the upper end and doubles the lower one. Into a
// stereo mixer, mono and stereo sound swap rows. Under the compatibility layer
// SDL2 converts instead, and refuses the highest of these rates by itself,
// without harm (from 4,194,303 Hz in SDL2 2.26, 8,388,607 Hz in 2.32).
static constexpr int CONVERTER_STEPS = 9;
static constexpr int RATE_GRANULE = 100;  // SDL compares rates in whole hundreds of Hz
static constexpr Uint16 BIG_ENDIAN_FLAG = 0x1000;
static constexpr Uint16 SIGNED_FLAG = 0x8000;
static constexpr int BYTE_BITS = 8;
static constexpr int WORD_BITS = 16;
static constexpr int SURROUND = 6;
static constexpr int STEREO = 2;
static constexpr int QUAD = 4;

// Endianness, signedness and width, one step each where they differ; the
// buffer doubles when 8 bits become 16.
static int FormatSteps(Uint16 from, Uint16 to, int& growth) {
    const int fromBits = from & SAMPLE_BITS_MASK;
    const int toBits = to & SAMPLE_BITS_MASK;
    int steps = 0;
    if ((from & BIG_ENDIAN_FLAG) != (to & BIG_ENDIAN_FLAG) && fromBits != BYTE_BITS) {
        steps++;
    }
    if ((from & SIGNED_FLAG) != (to & SIGNED_FLAG)) {
        steps++;
    }
    if (fromBits != toBits) {
        steps++;
        growth *= toBits > fromBits ? toBits / fromBits : 1;
    }
    return steps;
}

// Channel changes: widening to stereo, surround or by doubling, narrowing
// from surround or by halving. channels ends as SDL leaves it, which need
// not be the mixer's count.
static int ChannelSteps(int& channels, int to, int& growth) {
    int steps = 0;
    if (channels == 1 && to > 1) {
        steps++;
        growth *= STEREO;
        channels = STEREO;
    }
    if (channels == STEREO && (to == SURROUND || to == QUAD)) {
        steps++;
        growth *= to / STEREO;
        channels = to;
    }
    for (; channels * 2 <= to; channels *= 2) {
        steps++;
        growth *= 2;
    }
    if (channels == SURROUND && (to <= STEREO || to == QUAD)) {
        steps++;
        channels = to <= STEREO ? STEREO : QUAD;
    }
    for (; channels % 2 == 0 && channels / 2 >= to; channels /= 2) {
        steps++;
    }
    return steps;
}

// Rates that differ in their hundreds are converted.
static bool RatesDiffer(int from, int to) {
    return from / RATE_GRANULE != to / RATE_GRANULE;
}

// Halvings or doublings until the rates are within a factor of two, counted
// in SDL's unsigned arithmetic; stops counting once past the table.
static int RateSteps(int from, int to) {
    if (!RatesDiffer(from, to)) {
        return 0;
    }
    const Uint32 high = from > to ? from : to;
    Uint32 low = from > to ? to : from;
    int steps = 0;
    for (; (low * 2) / RATE_GRANULE <= high / RATE_GRANULE && steps <= CONVERTER_STEPS; low *= 2) {
        steps++;
    }
    return steps;
}

// Only these channel counts have rate converters in SDL 1.2.
static bool HasRateConverter(int channels) {
    return channels == 1 || channels == STEREO || channels == QUAD || channels == SURROUND;
}

bool IsConvertibleSound(const SoundFormat& sound, Uint32 bytes, const SoundFormat& mixer) {
    const int bits = sound.format & SAMPLE_BITS_MASK;
    if (sound.rate <= 0 || sound.channels <= 0 || (bits != BYTE_BITS && bits != WORD_BITS)) {
        return false;
    }
    int growth = 1;
    int channels = sound.channels;
    int steps = FormatSteps(sound.format, mixer.format, growth);
    steps += ChannelSteps(channels, mixer.channels, growth);
    steps += RateSteps(sound.rate, mixer.rate);
    if (steps > CONVERTER_STEPS ||
        (RatesDiffer(sound.rate, mixer.rate) && !HasRateConverter(channels))) {
        return false;
    }
    // The converted buffer is bytes times this, sized in an int. SDL2's
    // resampler asks for the rate ratio rounded up, doubled for scratch space,
    // which is at least what SDL 1.2's doublings ask for.
    const long long rateGrowth = 2 * ((mixer.rate + sound.rate - 1LL) / sound.rate);
    return bytes <= INT_MAX / growth / rateGrowth;
}
