// Shared set-up for the game's tests: a headless screen, clean global records
// and sprites with frames of known sizes.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include "shell/game_state.h"
#include "world/world.h"

// The side of the life icon GiveSpritesFrames hands out; the other sprites
// get the shipped art's sizes too.
constexpr int TEST_LIFE_SIZE = 16;

// A 24-bit surface of the given size filled with one colour. Owned by the caller.
SDL_Surface* MakeSurface(int w, int h, Uint8 r, Uint8 g, Uint8 b);

// The same, kept for the whole test program like the game's own bitmaps.
SDL_Surface* KeptSurface(int w, int h, Uint8 r, Uint8 g, Uint8 b);

// Empties a sprite: no frames, current frame 0, at (0, 0). Frees nothing.
void EmptySprite(Sprite& sprite);

// Brings up SDL with the dummy drivers, a 640x480x24 screen and the mixer,
// once per test program. Returns the screen.
SDL_Surface* TestScreen();

// Zeroes GameState and WorldState as at program start (level 1), with empty sprites.
void ClearGlobalRecords();

// A fixture with a screen and fresh records, every world sprite given solid
// frames as the asset loader would, each in its own colour; GameState.screen is set.
class GameTest : public ::testing::Test {
  protected:
    void SetUp() override;
    SDL_Surface* screen = nullptr;
};
