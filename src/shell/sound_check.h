// Which sound formats the mixer can convert without harm.
#pragma once

#include <SDL.h>

// The bits of a sample format that give its width in bits.
constexpr Uint16 SAMPLE_BITS_MASK = 0xFF;

// A sample format, channel count and rate, as SDL describes audio.
struct SoundFormat {
    Uint16 format;
    int channels;
    int rate;
};

// Whether SDL 1.2's converter can turn bytes of sound in the given format
// into the mixer's format, on the classic library and on the compatibility
// layer over SDL2 alike. Formats it cannot take (a rate of 0, an extreme
// rate ratio, no channels, samples other than 8 or 16 bits, a converted size
// beyond an int) would overrun the converter or its buffer.
bool IsConvertibleSound(const SoundFormat& sound, Uint32 bytes, const SoundFormat& mixer);
