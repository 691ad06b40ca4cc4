// Helpers for the world, level and play tests: a reset world on a black
// screen, placing objects in their tables, reading screen pixels and running
// in a scratch working directory.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_support.h"
#include "world/world.h"

// SpawnBoss always puts the boss in this enemy slot.
constexpr int BOSS_SLOT = 1;
// Frames a hit ship stays destroyed before it respawns.
constexpr int DESTROYED_FRAMES = 30;

// A colour as 0xRRGGBB, the form PixelAt returns.
constexpr Uint32 Rgb(Uint8 r, Uint8 g, Uint8 b) {
    return (static_cast<Uint32>(r) << 16) | (static_cast<Uint32>(g) << 8) | b;
}

// Colours of the frames GiveSpritesFrames hands out.
constexpr Uint32 BLACK = Rgb(0, 0, 0);
constexpr Uint32 SHIP_COLOUR = Rgb(0, 200, 255);
constexpr Uint32 SHOT_COLOUR = Rgb(255, 255, 0);
constexpr Uint32 LIFE_COLOUR = Rgb(0, 0, 255);

// Colour of explosion frame i as GiveSpritesFrames makes it.
constexpr Uint32 ExplosionColour(int i) {
    return Rgb(250, static_cast<Uint8>(100 + 20 * i), 0);
}

// The colour of one pixel of a surface, as 0xRRGGBB.
inline Uint32 PixelAt(SDL_Surface* surface, int x, int y) {
    SDL_LockSurface(surface);
    const Uint8 bytes = surface->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * bytes;
    Uint32 value = 0;
    for (int i = 0; i < bytes; i++) {
        const int shift = SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * i : 8 * (bytes - 1 - i);
        value |= static_cast<Uint32>(p[i]) << shift;
    }
    SDL_UnlockSurface(surface);
    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
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

// Puts an enemy in play in the given slot, falling or still, as spawning would.
inline Enemy& PutEnemy(int slot, int kind, int x, int y, int dx = 0, int dy = 0) {
    Enemy& enemy = WorldState.enemies[slot];
    enemy = Enemy{};
    enemy.active = SLOT_ACTIVE;
    enemy.kind = kind;
    enemy.x = x;
    enemy.y = y;
    enemy.dx = dx;
    enemy.dy = dy;
    return enemy;
}

// Puts an enemy bullet in play in the given slot, as firing would.
inline EnemyBullet& PutBullet(int slot, int x, int y, int dx = 0, int dy = 0) {
    EnemyBullet& bullet = WorldState.enemyBullets[slot];
    bullet = EnemyBullet{};
    bullet.active = SLOT_ACTIVE;
    bullet.x = x;
    bullet.y = y;
    bullet.dx = dx;
    bullet.dy = dy;
    return bullet;
}

// Fills every bullet slot with a still bullet far from the ship.
inline void FillBullets() {
    for (int i = 0; i <= MAX_ENEMY_BULLETS; i++) {
        PutBullet(i, 0, 0);
    }
}

// Number of slots of a table whose active flag is 1.
template <typename Slot>
int CountActive(const Slot* table, int maxIndex) {
    int count = 0;
    for (int i = 0; i <= maxIndex; i++) {
        count += table[i].active == SLOT_ACTIVE ? 1 : 0;
    }
    return count;
}

// Makes a directory the working directory for the life of the object and
// restores the previous one afterwards.
class ScopedWorkingDir {
  public:
    explicit ScopedWorkingDir(const std::filesystem::path& dir)
        : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedWorkingDir() { std::filesystem::current_path(previous); }
    ScopedWorkingDir(const ScopedWorkingDir&) = delete;
    ScopedWorkingDir& operator=(const ScopedWorkingDir&) = delete;

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
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

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
