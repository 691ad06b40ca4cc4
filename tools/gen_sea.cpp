// Level 1: open sea with islands, beaches and woods, seen from above.

#include <algorithm>
#include <cmath>

#include "gen_tiles.h"

constexpr Rgb SEA_DEEP{20, 52, 112};
constexpr Rgb SEA_MID{28, 72, 140};
constexpr Rgb SEA_SHALLOW{44, 118, 170};
constexpr Rgb SEA_GLINT{96, 156, 214};
constexpr Rgb SEA_FOAM{190, 228, 238};
constexpr Rgb SAND{216, 198, 136};
constexpr Rgb SAND_DARK{190, 168, 110};
constexpr Rgb GRASS{88, 146, 64};
constexpr Rgb GRASS_DARK{68, 124, 52};
constexpr Rgb WOODLAND{52, 106, 48};
constexpr Rgb TREE{40, 98, 46};
constexpr Rgb TREE_LIGHT{76, 142, 64};
constexpr Rgb TREE_SHADOW{24, 64, 34};
constexpr Rgb TREE_DARK{30, 82, 40};
constexpr Rgb ROOF{168, 86, 58};
constexpr Rgb ROOF_LIGHT{206, 122, 82};
constexpr Rgb WALL_SHADOW{112, 100, 84};
constexpr Rgb PATH{196, 176, 124};
constexpr Rgb BOAT_HULL{120, 80, 46};
constexpr Rgb BOAT_DECK{168, 122, 74};
constexpr Rgb SAIL{244, 244, 236};
constexpr Rgb SAIL_SHADOW{196, 200, 204};

// Height of the ground: 0 deep sea, 1 inland; the coast lies at COAST.
constexpr float SHALLOW_START = 0.15f;
constexpr float SHALLOWS = 0.38f;
constexpr float SURF = 0.47f;
constexpr float COAST = 0.5f;
constexpr float BEACH_END = 0.57f;
constexpr float MEADOW_END = 0.72f;
constexpr float TREE_LINE = 0.76f;

// Coastline wobble: two octaves of noise that repeat every tile.
constexpr float COAST_WOBBLE = 0.34f;
constexpr int COARSE_CELL = 8;
constexpr int FINE_CELL = 4;
constexpr int COAST_SEED = 21;
constexpr float FINE_WEIGHT = 0.35f;

// Speckle and glint chances, and the grids that place glints and trees.
constexpr float SAND_SPECKLE = 0.15f;
constexpr float GRASS_SPECKLE = 0.22f;
constexpr int SPECKLE_SEED = 22;
constexpr int GLINT_CELL = 8;
constexpr int GLINT_LENGTH = 3;
constexpr float GLINT_CHANCE = 0.3f;
constexpr int GLINT_SEED = 23;
// Each tree cell holds at most one crown of its own size, placed anywhere its
// shadow still fits, so the woods show no grid; a few cells stay empty.
constexpr int TREE_CELL = 16;
constexpr float TREE_RADIUS_MIN = 3.5f;
constexpr float TREE_RADIUS_RANGE = 3.0f;
constexpr float TREE_GAP_CHANCE = 0.12f;
constexpr float TREE_DARK_CHANCE = 0.4f;
constexpr int TREE_SEED = 24;
// Variants of a tile draw their trees and glints from seeds this far apart.
constexpr int VARIANT_SEED_STEP = 100;

// A round rise or dip of the ground in the middle of a tile, zero well inside
// the tile's edges so that decor tiles fit their neighbours.
struct Mound {
    float height;
    float radius;
};

// How often the decor tiles stand in for open sea and for inland tiles.
constexpr int ISLET_RARITY = 29;
constexpr int BOAT_RARITY = 60;
constexpr int VILLAGE_RARITY = 9;
constexpr int LAKE_RARITY = 16;
constexpr int SHOAL_RARITY = 14;
constexpr int WOODS_RARITY = 3;

constexpr Mound FLAT{0.0f, 1.0f};
constexpr Mound ISLET{0.95f, 26.0f};
constexpr Mound LAKE{-0.95f, 24.0f};
constexpr Mound CLEARING{-0.32f, 26.0f};
// A sandbank that stays under water, ringed with surf.
constexpr Mound SHOAL{0.42f, 24.0f};
// The variant each kind of tile draws its trees and glints from.
constexpr int PLAIN = 0;
constexpr int OTHER = 1;

// The repeating part of the map, 30 rows of 11 corners: islands as ellipses
// (row, col, row radius, col radius), rows wrapping around the loop.
struct Island {
    float row;
    float col;
    float rowRadius;
    float colRadius;
};

constexpr Island ISLANDS[] = {
    {5.0f, -0.5f, 4.5f, 3.2f}, {13.0f, 6.0f, 2.2f, 2.2f}, {21.5f, 10.5f, 5.0f, 3.6f},
    {27.5f, 2.5f, 1.5f, 1.8f}, {3.0f, 8.0f, 1.2f, 1.2f},
};
constexpr int ISLAND_SEED = 25;
constexpr float ISLAND_RAGGEDNESS = 0.5f;

static bool SeaSolidCorner(int row, int col) {
    for (const Island& island : ISLANDS) {
        float dr = std::fabs(row - island.row);
        dr = std::min(dr, LOOP_ROWS - dr);
        float dc = col - island.col;
        float reach = (dr * dr) / (island.rowRadius * island.rowRadius) +
                      (dc * dc) / (island.colRadius * island.colRadius);
        if (reach <= 1.0f + (Hash01(row, col, ISLAND_SEED) - 0.5f) * ISLAND_RAGGEDNESS) {
            return true;
        }
    }
    return false;
}

static float Bilinear(int mask, float u, float v) {
    auto corner = [mask](int bit) { return HasCorner(mask, bit) ? 1.0f : 0.0f; };
    float top = corner(CORNER_TOP_LEFT) + (corner(CORNER_TOP_RIGHT) - corner(CORNER_TOP_LEFT)) * u;
    float bottom =
        corner(CORNER_BOTTOM_LEFT) + (corner(CORNER_BOTTOM_RIGHT) - corner(CORNER_BOTTOM_LEFT)) * u;
    return top + (bottom - top) * v;
}

static float MoundAt(const Mound& mound, float x, float y) {
    float dx = x - TILE_SIZE / 2.0f;
    float dy = y - TILE_SIZE / 2.0f;
    float falloff = std::max(0.0f, 1.0f - (dx * dx + dy * dy) / (mound.radius * mound.radius));
    return mound.height * falloff * falloff;
}

// Ground height at a point of a tile; continuous across tile edges because the
// corners are shared and the noise repeats every tile.
static float GroundHeight(int mask, const Mound& mound, float x, float y) {
    float coarse =
        PeriodicNoise(x / COARSE_CELL, y / COARSE_CELL, TILE_SIZE / COARSE_CELL, COAST_SEED);
    float fine = PeriodicNoise(x / FINE_CELL, y / FINE_CELL, TILE_SIZE / FINE_CELL, COAST_SEED + 1);
    float noise = coarse * (1 - FINE_WEIGHT) + fine * FINE_WEIGHT;
    return Bilinear(mask, x / TILE_SIZE, y / TILE_SIZE) + (noise - 0.5f) * COAST_WOBBLE +
           MoundAt(mound, x, y);
}

// Short bright dashes on open water, one chance per glint cell.
static bool IsGlint(int x, int y, int variant) {
    int seed = GLINT_SEED + variant * VARIANT_SEED_STEP;
    int cx = x / GLINT_CELL;
    int cy = y / GLINT_CELL;
    if (Hash01(cx, cy, seed) >= GLINT_CHANCE) {
        return false;
    }
    int startX = static_cast<int>(Hash01(cx, cy, seed + 1) * (GLINT_CELL - GLINT_LENGTH));
    int rowY = static_cast<int>(Hash01(cx, cy, seed + 2) * GLINT_CELL);
    int inX = x % GLINT_CELL;
    return y % GLINT_CELL == rowY && inX >= startX && inX < startX + GLINT_LENGTH;
}

static Rgb GroundColour(float height, int x, int y, int variant) {
    float grain = Hash01(x, y, SPECKLE_SEED);
    if (height < SHALLOWS) {
        Rgb water = height < SHALLOW_START ? SEA_DEEP : SEA_MID;
        return IsGlint(x, y, variant) ? SEA_GLINT : water;
    }
    if (height < SURF) {
        return SEA_SHALLOW;
    }
    if (height < COAST) {
        return SEA_FOAM;
    }
    if (height < BEACH_END) {
        return grain < SAND_SPECKLE ? SAND_DARK : SAND;
    }
    return grain < GRASS_SPECKLE ? GRASS_DARK : height < MEADOW_END ? GRASS : WOODLAND;
}

// A round tree crown of the given radius and colour, its shadow to the lower
// right and its light to the upper left.
static void DrawTree(Canvas& c, float x, float y, float radius, Rgb crown) {
    FillEllipse(c, x + 1, y + 1, radius, radius, TREE_SHADOW);
    FillEllipse(c, x, y, radius, radius, crown);
    FillEllipse(c, x - 1, y - 1, radius / 2, radius / 2, TREE_LIGHT);
}

// Trees stand inside their cells, so none is ever cut by a tile edge.
static void DrawWoods(Canvas& c, int mask, const Mound& mound, int variant) {
    int seed = TREE_SEED + variant * VARIANT_SEED_STEP;
    for (int cy = 0; cy < TILE_SIZE / TREE_CELL; ++cy) {
        for (int cx = 0; cx < TILE_SIZE / TREE_CELL; ++cx) {
            if (Hash01(cx, cy, seed) < TREE_GAP_CHANCE) {
                continue;
            }
            float radius = TREE_RADIUS_MIN + Hash01(cx, cy, seed + 1) * TREE_RADIUS_RANGE;
            float room = TREE_CELL - 2 * radius - 1;
            float x = cx * TREE_CELL + radius + Hash01(cx, cy, seed + 2) * room;
            float y = cy * TREE_CELL + radius + Hash01(cx, cy, seed + 3) * room;
            Rgb crown = Hash01(cx, cy, seed + 4) < TREE_DARK_CHANCE ? TREE_DARK : TREE;
            if (GroundHeight(mask, mound, x, y) > TREE_LINE) {
                DrawTree(c, x, y, radius, crown);
            }
        }
    }
}

static Canvas PaintGround(int mask, const Mound& mound, int variant) {
    Canvas c = MakeCanvas(TILE_SIZE, TILE_SIZE, SEA_DEEP);
    for (int y = 0; y < TILE_SIZE; ++y) {
        for (int x = 0; x < TILE_SIZE; ++x) {
            float height = GroundHeight(mask, mound, x + 0.5f, y + 0.5f);
            SetPixel(c, x, y, GroundColour(height, x, y, variant));
        }
    }
    DrawWoods(c, mask, mound, variant);
    return c;
}

static Canvas SeaTerrainTile(int mask) {
    return PaintGround(mask, FLAT, PLAIN);
}

static Canvas IsletTile() {
    return PaintGround(MASK_OPEN, ISLET, OTHER);
}

static Canvas LakeTile() {
    return PaintGround(MASK_SOLID, LAKE, OTHER);
}

static Canvas ShoalTile() {
    return PaintGround(MASK_OPEN, SHOAL, OTHER);
}

// Woods grown from other seeds, so that neighbouring forest tiles differ.
static Canvas WoodsTile() {
    return PaintGround(MASK_SOLID, FLAT, OTHER);
}

// A hut seen from above: a pitched roof, lit on its upper half.
static void DrawHut(Canvas& c, int x, int y, int w, int h) {
    FillRect(c, x + 1, y + 1, w, h, WALL_SHADOW);
    FillRect(c, x, y, w, h, ROOF);
    FillRect(c, x, y, w, h / 2, ROOF_LIGHT);
}

static Canvas VillageTile() {
    Canvas c = PaintGround(MASK_SOLID, CLEARING, PLAIN);
    FillRect(c, 14, 31, 36, 3, PATH);
    FillRect(c, 30, 18, 3, 30, PATH);
    DrawHut(c, 17, 20, 10, 8);
    DrawHut(c, 36, 21, 8, 7);
    DrawHut(c, 18, 37, 9, 7);
    DrawHut(c, 36, 37, 11, 8);
    return c;
}

// A small sailing boat heading up the screen, its wake spreading behind it.
static Canvas BoatTile() {
    Canvas c = PaintGround(MASK_OPEN, FLAT, OTHER);
    constexpr float BOW_X = 32.0f;
    constexpr float BOW_Y = 16.0f;
    constexpr float LENGTH = 20.0f;
    constexpr float BEAM = 5.0f;
    constexpr int WAKE = 18;
    int stern = static_cast<int>(BOW_Y + LENGTH);
    int bowX = static_cast<int>(BOW_X);
    for (int side : {-1, 1}) {
        DrawLine(c, bowX + side * 3, stern, bowX + side * (3 + WAKE / 2), stern + WAKE, SEA_GLINT);
        DrawLine(c, bowX + side * 2, stern, bowX + side * (2 + WAKE / 4), stern + WAKE / 2,
                 SEA_FOAM);
    }
    FillRect(c, bowX - 2, stern, 4, 3, SEA_FOAM);
    FillPolygon(c,
                MirroredShape({{BOW_X, BOW_Y},
                               {BOW_X - BEAM, BOW_Y + 8},
                               {BOW_X - BEAM + 1, BOW_Y + LENGTH},
                               {BOW_X, BOW_Y + LENGTH}},
                              BOW_X),
                BOAT_HULL);
    FillPolygon(c,
                MirroredShape({{BOW_X, BOW_Y + 3},
                               {BOW_X - BEAM + 2, BOW_Y + 9},
                               {BOW_X - BEAM + 2, BOW_Y + LENGTH - 2},
                               {BOW_X, BOW_Y + LENGTH - 2}},
                              BOW_X),
                BOAT_DECK);
    FillPolygon(c, {{BOW_X, BOW_Y + 4}, {BOW_X + 10, BOW_Y + 14}, {BOW_X, BOW_Y + 14}}, SAIL);
    FillPolygon(c, {{BOW_X, BOW_Y + 9}, {BOW_X + 10, BOW_Y + 14}, {BOW_X, BOW_Y + 14}},
                SAIL_SHADOW);
    return c;
}

const TileSet& SeaTileSet() {
    static const TileSet set{SeaSolidCorner,
                             SeaTerrainTile,
                             {{MASK_OPEN, ISLET_RARITY, IsletTile},
                              {MASK_OPEN, BOAT_RARITY, BoatTile},
                              {MASK_SOLID, VILLAGE_RARITY, VillageTile},
                              {MASK_SOLID, LAKE_RARITY, LakeTile},
                              {MASK_OPEN, SHOAL_RARITY, ShoalTile},
                              {MASK_SOLID, WOODS_RARITY, WoodsTile}}};
    return set;
}
