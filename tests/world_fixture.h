// Helpers for the world, level and play tests: a reset world on a black
// screen, objects put in their tables, screen pixels and scratch directories.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "test_support.h"
#include "world/world.h"

// A colour as 0xRRGGBB, the form PixelAt returns.
constexpr Uint32 Rgb(Uint8 r, Uint8 g, Uint8 b) {
    return (static_cast<Uint32>(r) << 16) | (static_cast<Uint32>(g) << 8) | b;
}

// Colours of the frames GiveSpritesFrames hands out.
constexpr Uint32 BLACK = Rgb(0, 0, 0);
constexpr Uint32 SHIP_COLOUR = Rgb(0, 200, 255);
constexpr Uint32 SHOT_COLOUR = Rgb(255, 255, 0);
constexpr Uint32 LIFE_COLOUR = Rgb(0, 0, 255);
constexpr Uint32 ExplosionColour(int frame) {
    return Rgb(250, static_cast<Uint8>(100 + 20 * frame), 0);
}

// The colour of one pixel of a software surface, as 0xRRGGBB.
inline Uint32 PixelAt(SDL_Surface* surface, int x, int y) {
    const int bytes = surface->format->BytesPerPixel;
    Uint32 value = 0;
    memcpy(&value, static_cast<Uint8*>(surface->pixels) + y * surface->pitch + x * bytes, bytes);
    if (SDL_BYTEORDER == SDL_BIG_ENDIAN) {
        value >>= 8 * (sizeof value - bytes);
    }
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(value, surface->format, &r, &g, &b);
    return Rgb(r, g, b);
}

// Number of pixels in the rectangle [x, x + w) x [y, y + h) that are not black.
inline int LitPixels(SDL_Surface* surface, int x, int y, int w, int h) {
    int lit = 0;
    for (int j = y; j < y + h; j++) {
        for (int i = x; i < x + w; i++) {
            lit += PixelAt(surface, i, j) != BLACK ? 1 : 0;
        }
    }
    return lit;
}

inline void ClearScreen(SDL_Surface* screen) {
    SDL_FillRect(screen, nullptr, 0);
}

// Put objects in play in the given slot, as spawning and firing would.
inline Enemy& PutEnemy(int slot, int kind, int x, int y, int dx = 0, int dy = 0) {
    return WorldState.enemies[slot] = Enemy{SLOT_ACTIVE, x, y, dx, dy, kind, 0, 0, 0};
}

inline EnemyBullet& PutBullet(int slot, int x, int y, int dx = 0, int dy = 0) {
    return WorldState.enemyBullets[slot] = EnemyBullet{SLOT_ACTIVE, x, y, dx, dy, 0, 0};
}

inline void PutShot(int slot, int x, int y) {
    WorldState.ShotX[slot] = x;
    WorldState.ShotY[slot] = y;
}

// Frees the tile pictures a loaded level left in the world.
inline void FreeLevelTiles() {
    for (SDL_Surface*& tile : WorldState.tileBitmaps) {
        SDL_FreeSurface(tile);
        tile = nullptr;
    }
}

// Number of active slots of a table.
template <typename Slot>
int CountActive(const Slot* table, int maxIndex) {
    return int(std::count_if(table, table + maxIndex + 1,
                             [](const Slot& slot) { return slot.active == SLOT_ACTIVE; }));
}

// Makes a directory the working directory for the life of the object.
class ScopedWorkingDir {
  public:
    explicit ScopedWorkingDir(const std::filesystem::path& dir)
        : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedWorkingDir() { std::filesystem::current_path(previous); }

  private:
    std::filesystem::path previous;
};

// A fresh directory under the system's temporary directory, removed with the object.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvane-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

// The game fixture with the world reset, as at the start of a level, on a black screen.
class WorldTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        ResetWorld();
        ClearScreen(screen);
    }
};
