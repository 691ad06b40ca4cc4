// Bitmaps and the Sprite: a screen position plus a fixed list of frames.
#pragma once

#include <SDL.h>

// Pure red marks the transparent pixels of every picture.
constexpr Uint8 COLOUR_KEY_R = 255;
constexpr Uint8 COLOUR_KEY_G = 0;
constexpr Uint8 COLOUR_KEY_B = 0;
constexpr SDL_Color COLOUR_KEY = {COLOUR_KEY_R, COLOUR_KEY_G, COLOUR_KEY_B, 0};

// Colour-key flags used for every keyed surface: transparent runs are skipped quickly.
constexpr Uint32 COLOUR_KEY_FLAGS = SDL_SRCCOLORKEY | SDL_RLEACCEL;

// Makes pure red transparent on the surface, in the surface's own pixel format.
void SetRedColourKey(SDL_Surface* surface);

// Loads a BMP file into slot, keyed on red and converted to the display format.
// Needs the video mode set. A missing or unreadable file leaves the slot null,
// with SDL_GetError() saying why; reporting it is the caller's business.
void LoadBitmap(SDL_Surface*& slot, const char* path);

class Sprite {
  public:
    int x = 0;
    int y = 0;
    int currentFrame = 0;
    int capacity;
    int frameCount = 0;
    SDL_Surface** frames;

    Sprite();
    explicit Sprite(int frameCapacity);
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;
    ~Sprite();

    // Appends a frame; a full sprite ignores it.
    void AddFrame(SDL_Surface* surface);
    // Puts surface in place of frame slot index (0 to frameCount - 1) and returns
    // the surface it held, for the caller to release. Out of range: returns null.
    SDL_Surface* ReplaceFrame(int index, SDL_Surface* surface);
    // Selects the frame Draw and Overlaps use; indices outside 0..capacity-1 are ignored.
    void SelectFrame(int index);
    // Blits the current frame at (x, y), clipped to target. An empty slot draws nothing.
    void Draw(SDL_Surface* target) const;
    // 1 when the current frames' boxes overlap (strictly), else 0. An empty slot
    // never overlaps.
    int Overlaps(const Sprite& other) const;

  private:
    SDL_Surface* Current() const;
};
