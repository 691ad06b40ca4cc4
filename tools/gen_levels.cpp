#include "gen_levels.h"

#include <array>
#include <cstdint>
#include <vector>

#include "gen_files.h"
#include "gen_tiles.h"

constexpr int CORNER_COLUMNS = MAP_COLUMNS + 1;
// The two corner masks where only diagonal corners are solid; the maps never
// use them, so the terrain needs 14 tiles.
constexpr int MASK_SADDLE_FALLING = CORNER_TOP_LEFT | CORNER_BOTTOM_RIGHT;
constexpr int MASK_SADDLE_RISING = CORNER_TOP_RIGHT | CORNER_BOTTOM_LEFT;
constexpr int MASK_COUNT = 16;
constexpr int TERRAIN_TILES = MASK_COUNT - 2;
constexpr int DECOR_SEED = 41;

using Corners = std::array<std::array<bool, CORNER_COLUMNS>, LOOP_ROWS>;
using TileRows = std::array<std::array<uint8_t, MAP_COLUMNS>, LOOP_ROWS>;

// Mask of the tile whose top-left corner is (row, col) of the loop.
static int TileMask(const Corners& corners, int row, int col) {
    int below = (row + 1) % LOOP_ROWS;
    return (corners[row][col] ? CORNER_TOP_LEFT : 0) |
           (corners[row][col + 1] ? CORNER_TOP_RIGHT : 0) |
           (corners[below][col] ? CORNER_BOTTOM_LEFT : 0) |
           (corners[below][col + 1] ? CORNER_BOTTOM_RIGHT : 0);
}

static bool IsSaddle(int mask) {
    return mask == MASK_SADDLE_FALLING || mask == MASK_SADDLE_RISING;
}

// Tile index of a terrain mask: the masks in order, the saddles left out.
static int TerrainIndex(int mask) {
    return mask - (mask > MASK_SADDLE_RISING ? 1 : 0) - (mask > MASK_SADDLE_FALLING ? 1 : 0);
}

static int TerrainMask(int index) {
    for (int mask = 0; mask < MASK_COUNT; ++mask) {
        if (!IsSaddle(mask) && TerrainIndex(mask) == index) {
            return mask;
        }
    }
    return MASK_OPEN;
}

// Reads the level's corners and fills in an open corner of every saddle until
// none is left (each pass only adds solid corners, so this ends).
static Corners BuildCorners(const TileSet& set) {
    Corners corners{};
    for (int row = 0; row < LOOP_ROWS; ++row) {
        for (int col = 0; col < CORNER_COLUMNS; ++col) {
            corners[row][col] = set.solidCorner(row, col);
        }
    }
    bool changed = true;
    while (changed) {
        changed = false;
        for (int row = 0; row < LOOP_ROWS; ++row) {
            for (int col = 0; col < MAP_COLUMNS; ++col) {
                if (IsSaddle(TileMask(corners, row, col))) {
                    corners[row][col] = corners[row][col + 1] = true;
                    changed = true;
                }
            }
        }
    }
    return corners;
}

// The decor tile at a map position, or the terrain tile. One lot is drawn per
// position and each decor of the mask takes its own share of the lots.
static int ChooseTile(const TileSet& set, int mask, int row, int col) {
    float lot = Hash01(row * MAP_COLUMNS + col, DECOR_SEED, DECOR_SEED);
    float shares = 0.0f;
    for (size_t d = 0; d < set.decors.size(); ++d) {
        const DecorTile& decor = set.decors[d];
        if (decor.baseMask != mask) {
            continue;
        }
        shares += 1.0f / decor.rarity;
        if (lot < shares) {
            return TERRAIN_TILES + static_cast<int>(d);
        }
    }
    return TerrainIndex(mask);
}

static TileRows BuildTileRows(const TileSet& set) {
    Corners corners = BuildCorners(set);
    TileRows rows{};
    for (int row = 0; row < LOOP_ROWS; ++row) {
        for (int col = 0; col < MAP_COLUMNS; ++col) {
            int mask = TileMask(corners, row, col);
            rows[row][col] = static_cast<uint8_t>(ChooseTile(set, mask, row, col));
        }
    }
    return rows;
}

static std::vector<uint8_t> MapBytes(const TileRows& rows) {
    std::vector<uint8_t> bytes;
    for (int row = 0; row < MAP_ROWS; ++row) {
        bytes.insert(bytes.end(), rows[row % LOOP_ROWS].begin(), rows[row % LOOP_ROWS].end());
    }
    return bytes;
}

static bool WriteLevel(const std::string& dataDir, int number, const TileSet& set) {
    std::string dir = dataDir + "/levels/level" + std::to_string(number);
    if (!EnsureDirectory(dir)) {
        return false;
    }
    int highest = TERRAIN_TILES + static_cast<int>(set.decors.size()) - 1;
    std::string description = std::to_string(highest) + "\n";
    bool ok = WriteBytes(dir + "/level.dsc",
                         std::vector<uint8_t>(description.begin(), description.end()));
    ok = ok && WriteBytes(dir + "/map.map", MapBytes(BuildTileRows(set)));
    for (int index = 0; index <= highest && ok; ++index) {
        Canvas tile = index < TERRAIN_TILES ? set.terrainTile(TerrainMask(index))
                                            : set.decors[index - TERRAIN_TILES].paint();
        ok = SaveBmp(tile, dir + "/tile" + std::to_string(index) + ".bmp");
    }
    return ok;
}

bool WriteLevels(const std::string& dataDir) {
    return WriteLevel(dataDir, 1, SeaTileSet()) && WriteLevel(dataDir, 2, StationTileSet());
}
