// Level files and the scrolling tile background.
#pragma once

#include <SDL.h>

constexpr int TILE_SIZE = 64;    // pixels between tile origins, across and down
constexpr int WINDOW_ROWS = 10;  // map rows drawn per frame (the last is always below the screen)
constexpr int SCROLL_STEP = 2;   // pixels the background moves down per frame

// Restarts the world for level n and reads levels/level<n>/: the 400-byte map,
// the highest tile index from level.dsc, and tile0.bmp up to that index.
// Damaged or missing files never stop play; each problem is one line on stderr.
void LoadLevel(int n);

// Advances the scroll by one frame and paints the visible window of the map.
void DrawBackground(SDL_Surface* screen);
