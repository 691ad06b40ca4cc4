#include "sprites/sprite.h"

#include "shell/data_file.h"
#include "sprites/bmp_check.h"

void SetRedColourKey(SDL_Surface* surface) {
    const Uint32 key = SDL_MapRGB(surface->format, COLOUR_KEY_R, COLOUR_KEY_G, COLOUR_KEY_B);
    SDL_SetColorKey(surface, COLOUR_KEY_FLAGS, key);
}

void LoadBitmap(SDL_Surface*& slot, const char* path) {
    SDL_RWops* stream = OpenRegularStream(path);
    slot = stream ? LoadCheckedBmp(stream) : nullptr;
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
