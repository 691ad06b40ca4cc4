// Level files and the scrolling tile background.
#pragma once

#include <SDL.h>

// Background tiles: indices 0..MAX_TILES-1, a 40-row map of 10 tiles a row.
constexpr int MAX_TILES = 20;
constexpr int MAP_COLUMNS = 10;
constexpr int MAP_ROWS = 40;
constexpr int MAP_BYTES = MAP_COLUMNS * MAP_ROWS;
constexpr int MAP_START_POSITION = 300;  // map offset of the window's top row after a reset

constexpr int TILE_SIZE = 64;    // pixels between tile origins, across and down
constexpr int WINDOW_ROWS = 10;  // map rows drawn per frame (the last is always below the screen)
constexpr int SCROLL_STEP = 2;   // pixels the background moves down per frame

// Restarts the world for level n and reads levels/level<n>/: the 400-byte map,
// the highest tile index from level.dsc, and tile0.bmp up to that index.
// Damaged or missing files never stop play; each problem is one line on stderr.
void LoadLevel(int n);

// Advances the scroll by one frame and paints the visible window of the map.
void DrawBackground(SDL_Surface* screen);
