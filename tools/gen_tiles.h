#pragma once
#include <vector>

#include "gen_canvas.h"
#include "level/level.h"

// Background tiles are built from a grid of map corners, each either open
// (sea, space) or solid (land, hull). A tile's terrain is chosen by the four
// corners around it, so neighbouring tiles agree along every shared edge.

// The background runs from map row 30 toward row 1 and then jumps back to row
// 30, so every map repeats itself every 30 rows and the jump cannot be seen.
constexpr int LOOP_ROWS = MAP_START_POSITION / MAP_COLUMNS;

// Corner bits of a terrain mask.
constexpr int CORNER_TOP_LEFT = 1;
constexpr int CORNER_TOP_RIGHT = 2;
constexpr int CORNER_BOTTOM_LEFT = 4;
constexpr int CORNER_BOTTOM_RIGHT = 8;
constexpr int MASK_OPEN = 0;
constexpr int MASK_SOLID = 15;

// A tile that dresses up some of the map's tiles of one terrain mask: about
// one in `rarity` of them, at places picked by a hash of the map position so
// that they fall irregularly.
struct DecorTile {
    int baseMask;
    int rarity;
    Canvas (*paint)();
};

// Everything that sets one level's background apart.
struct TileSet {
    // Whether corner (row, col) of the repeating part of the map is solid;
    // row runs from 0 to LOOP_ROWS - 1 and wraps around, col from 0 to 10.
    bool (*solidCorner)(int row, int col);
    // The terrain tile for a corner mask.
    Canvas (*terrainTile)(int mask);
    std::vector<DecorTile> decors;
};

const TileSet& SeaTileSet();
const TileSet& StationTileSet();

inline bool HasCorner(int mask, int corner) {
    return (mask & corner) != 0;
}
