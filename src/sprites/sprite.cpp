#include "sprites/sprite.h"

#include <algorithm>
#include <iterator>

#include "shell/data_file.h"

void SetRedColourKey(SDL_Surface* surface) {
    const Uint32 key = SDL_MapRGB(surface->format, COLOUR_KEY_R, COLOUR_KEY_G, COLOUR_KEY_B);
    SDL_SetColorKey(surface, COLOUR_KEY_FLAGS, key);
}

// The depths a BMP file can have, in bits per pixel.
static constexpr int BMP_DEPTHS[] = {1, 4, 8, 15, 16, 24, 32};
static constexpr int BITS_PER_BYTE = 8;

// SDL 1.2 turns some damaged headers into surfaces it cannot convert or that
// have no area: a depth field above 255 (it keeps only the low byte), or a
// height of -2^31 (negating it for a top-down picture overflows).
static bool IsUsableBitmap(const SDL_Surface* surface) {
    const SDL_PixelFormat* format = surface->format;
    const int bits = format->BitsPerPixel;
    const bool bmpDepth =
        std::find(std::begin(BMP_DEPTHS), std::end(BMP_DEPTHS), bits) != std::end(BMP_DEPTHS);
    const bool paletteIfNeeded = bits > BITS_PER_BYTE || format->palette != nullptr;
    return bmpDepth && paletteIfNeeded &&
           format->BytesPerPixel == (bits + BITS_PER_BYTE - 1) / BITS_PER_BYTE && surface->w > 0 &&
           surface->h > 0;
}

void LoadBitmap(SDL_Surface*& slot, const char* path) {
    SDL_RWops* stream =
        OpenRegularFile(path, [](const char* name) { return SDL_RWFromFile(name, "rb"); });
    slot = stream ? SDL_LoadBMP_RW(stream, 1) : nullptr;
    if (slot && !IsUsableBitmap(slot)) {
        SDL_FreeSurface(slot);
        slot = nullptr;
        SDL_SetError("BMP header gives no usable picture");
    }
    if (!slot) {
        return;
    }
    SetRedColourKey(slot);
    // The converted copy keeps the colour key; the file's own surface is no longer needed.
    SDL_Surface* converted = SDL_DisplayFormat(slot);
    SDL_FreeSurface(slot);
    slot = converted;
}

Sprite::Sprite() : Sprite(1) {}

Sprite::Sprite(int frameCapacity)
    : capacity(frameCapacity), frames(new SDL_Surface*[frameCapacity]()) {}

Sprite::~Sprite() {
    delete[] frames;
}

void Sprite::AddFrame(SDL_Surface* surface) {
    if (frameCount >= capacity) {
        return;
    }
    frames[frameCount] = surface;
    frameCount++;
}

SDL_Surface* Sprite::ReplaceFrame(int index, SDL_Surface* surface) {
    if (index < 0 || index >= frameCount) {
        return nullptr;
    }
    SDL_Surface* previous = frames[index];
    frames[index] = surface;
    return previous;
}

void Sprite::SelectFrame(int index) {
    if (index < 0 || index >= capacity) {
        return;
    }
    currentFrame = index;
}

SDL_Surface* Sprite::Current() const {
    return frames[currentFrame];
}

void Sprite::Draw(SDL_Surface* target) const {
    SDL_Surface* frame = Current();
    if (!frame) {
        return;
    }
    SDL_Rect rect = {};
    rect.x = static_cast<Sint16>(x);
    rect.y = static_cast<Sint16>(y);
    SDL_BlitSurface(frame, nullptr, target, &rect);
}

int Sprite::Overlaps(const Sprite& other) const {
    const SDL_Surface* mine = Current();
    const SDL_Surface* theirs = other.Current();
    if (!mine || !theirs) {
        return 0;
    }
    const bool overlap = x + mine->w > other.x && y + mine->h > other.y &&
                         other.x + theirs->w > x && other.y + theirs->h > y;
    return overlap ? 1 : 0;
}
