// Level 2: a space station of riveted deck plates over open space.

#include <algorithm>
#include <cmath>

#include "gen_tiles.h"

constexpr Rgb SPACE{6, 8, 22};
constexpr Rgb SPACE_SHADOW{3, 4, 12};
constexpr Rgb STAR_DIM{84, 92, 130};
constexpr Rgb STAR_BRIGHT{214, 222, 255};
constexpr Rgb PLATE_HIGH{88, 92, 108};
constexpr Rgb PLATE{74, 78, 92};
constexpr Rgb PLATE_LOW{60, 64, 78};
constexpr Rgb PLATE_GRIME{68, 66, 66};
constexpr Rgb PLATE_LIT{118, 122, 136};
constexpr Rgb PLATE_SHADE{62, 64, 76};
constexpr Rgb SEAM{42, 44, 54};
constexpr Rgb RIVET{156, 160, 174};
constexpr Rgb RIM_DARK{24, 26, 34};
constexpr Rgb RIM_LIGHT{150, 156, 172};
constexpr Rgb HAZARD_YELLOW{222, 182, 44};
constexpr Rgb HAZARD_DARK{36, 34, 32};
constexpr Rgb PIT{16, 18, 26};
constexpr Rgb LAMP{130, 232, 255};
constexpr Rgb LAMP_GLOW{54, 120, 156};
constexpr Rgb GIRDER{150, 118, 70};
constexpr Rgb GIRDER_LIT{196, 162, 102};
constexpr Rgb GIRDER_SHADE{96, 74, 46};
constexpr Ramp DISH{{70, 74, 88}, {130, 136, 150}, {186, 192, 206}, {232, 236, 246}};
constexpr Ramp ROCK{{46, 40, 38}, {84, 74, 66}, {122, 110, 96}, {162, 150, 132}};

// Tiles are split into four quadrants, each taking the kind of its corner.
constexpr int HALF_TILE = TILE_SIZE / 2;
// Bands along the hull's edge, by distance from it in pixels.
constexpr float RIM_DARK_WIDTH = 1.0f;
constexpr float RIM_LIGHT_WIDTH = 3.0f;
constexpr float HAZARD_WIDTH = 7.0f;
constexpr float SHADOW_WIDTH = 5.0f;
// Hazard stripes run diagonally with a period that divides the tile size.
constexpr int HAZARD_PERIOD = 8;

// Deck plates: square panels with bevelled edges and corner rivets.
constexpr int PANEL = 32;
constexpr int RIVET_INSET = 3;
constexpr float GRIME_CHANCE = 0.08f;
constexpr int GRIME_SEED = 31;
// Plates are shaded in three tones, dithered where they meet; the four panels
// of a tile differ: lit from the upper left, split in two, lit from above, or
// stained by a patch of grime.
constexpr int DITHER_SIZE = 4;
constexpr int DITHER[DITHER_SIZE][DITHER_SIZE] = {
    {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
constexpr float DITHER_SPREAD = 0.35f;
constexpr float TONE_HIGH = 0.66f;
constexpr float TONE_LOW = 0.3f;
enum PanelKind { PANEL_SLOPED, PANEL_SPLIT, PANEL_TOPLIT, PANEL_STAINED };
constexpr int STAIN_CELL = 8;
constexpr float STAIN_LEVEL = 0.38f;

// Stars: a chance per pixel; the brightest get a small cross.
constexpr float STAR_CHANCE = 0.012f;
constexpr float BRIGHT_STAR_CHANCE = 0.003f;
constexpr int STAR_SEED = 32;

// How often each decor tile stands in for plain deck or open space.
constexpr int LAMPS_RARITY = 9;
constexpr int VENT_RARITY = 14;
constexpr int TRUSS_RARITY = 12;
constexpr int HATCH_RARITY = 12;
constexpr int DISH_RARITY = 14;
constexpr int ASTEROID_RARITY = 29;

// The repeating part of the map: a spine down the middle and modules, as
// inclusive rectangles of solid corners (rows wrap around the loop).
struct Module {
    int rowFrom;
    int rowTo;
    int colFrom;
    int colTo;
};

constexpr Module MODULES[] = {
    {0, LOOP_ROWS - 1, 5, 5}, {2, 7, 1, 5},    {10, 14, 5, 9}, {16, 19, 0, 2},
    {18, 18, 2, 5},           {22, 27, 6, 10}, {24, 25, 0, 5},
};

static bool StationSolidCorner(int row, int col) {
    for (const Module& m : MODULES) {
        if (row >= m.rowFrom && row <= m.rowTo && col >= m.colFrom && col <= m.colTo) {
            return true;
        }
    }
    return false;
}

// Corner bit of the quadrant (qx, qy), each 0 or 1.
static int QuadrantCorner(int qx, int qy) {
    const int corners[2][2] = {{CORNER_TOP_LEFT, CORNER_TOP_RIGHT},
                               {CORNER_BOTTOM_LEFT, CORNER_BOTTOM_RIGHT}};
    return corners[qy][qx];
}

// Distance from a pixel to the nearest quadrant of the other kind. Every such
// boundary lies on the tile's middle lines, since the quadrants across a tile
// edge share their corner.
static float EdgeDistance(int mask, int x, int y) {
    int qx = x / HALF_TILE;
    int qy = y / HALF_TILE;
    bool solid = HasCorner(mask, QuadrantCorner(qx, qy));
    bool sideDiffers = HasCorner(mask, QuadrantCorner(1 - qx, qy)) != solid;
    bool aboveDiffers = HasCorner(mask, QuadrantCorner(qx, 1 - qy)) != solid;
    bool acrossDiffers = HasCorner(mask, QuadrantCorner(1 - qx, 1 - qy)) != solid;
    float fx = std::fabs(x + 0.5f - HALF_TILE);
    float fy = std::fabs(y + 0.5f - HALF_TILE);
    float distance = TILE_SIZE;
    if (sideDiffers) {
        distance = std::min(distance, fx);
    }
    if (aboveDiffers) {
        distance = std::min(distance, fy);
    }
    if (acrossDiffers) {
        distance = std::min(distance, std::sqrt(fx * fx + fy * fy));
    }
    return distance;
}

// The plate tone at (px, py) of a panel whose light falls along `slope`
// (1 brightest, 0 darkest), dithered so the tones interlock.
static Rgb PlateTone(int px, int py, float slope) {
    float threshold =
        (DITHER[py % DITHER_SIZE][px % DITHER_SIZE] + 0.5f) / (DITHER_SIZE * DITHER_SIZE) - 0.5f;
    float tone = slope + threshold * DITHER_SPREAD;
    return tone > TONE_HIGH ? PLATE_HIGH : tone > TONE_LOW ? PLATE : PLATE_LOW;
}

static Rgb DeckColour(int x, int y) {
    int px = x % PANEL;
    int py = y % PANEL;
    int kind = x % TILE_SIZE / PANEL + 2 * (y % TILE_SIZE / PANEL);
    if (kind == PANEL_SPLIT && py == PANEL / 2) {
        return SEAM;
    }
    if (px == 0 || py == 0) {
        return SEAM;
    }
    if (px == 1 || py == 1 || (kind == PANEL_SPLIT && py == PANEL / 2 + 1)) {
        return PLATE_LIT;
    }
    if (px == PANEL - 1 || py == PANEL - 1) {
        return PLATE_SHADE;
    }
    bool rivetX = px == RIVET_INSET || px == PANEL - 1 - RIVET_INSET;
    bool rivetY = py == RIVET_INSET || py == PANEL - 1 - RIVET_INSET;
    if (rivetX && rivetY) {
        return RIVET;
    }
    if (Hash01(x, y, GRIME_SEED) < GRIME_CHANCE) {
        return PLATE_GRIME;
    }
    if (kind == PANEL_STAINED &&
        PeriodicNoise(static_cast<float>(x) / STAIN_CELL, static_cast<float>(y) / STAIN_CELL,
                      TILE_SIZE / STAIN_CELL, GRIME_SEED + 1) < STAIN_LEVEL) {
        return PLATE_GRIME;
    }
    float slope = kind == PANEL_TOPLIT ? 1.0f - static_cast<float>(py) / PANEL
                                       : 1.0f - static_cast<float>(px + py) / (2 * PANEL);
    return PlateTone(px, py, slope);
}

// Diagonal yellow and black warning stripes.
static Rgb HazardStripe(int x, int y) {
    return (x + y) % HAZARD_PERIOD < HAZARD_PERIOD / 2 ? HAZARD_YELLOW : HAZARD_DARK;
}

static Rgb HullColour(float edge, int x, int y) {
    if (edge < RIM_DARK_WIDTH) {
        return RIM_DARK;
    }
    if (edge < RIM_LIGHT_WIDTH) {
        return RIM_LIGHT;
    }
    if (edge < HAZARD_WIDTH) {
        return HazardStripe(x, y);
    }
    return DeckColour(x, y);
}

static bool IsStar(int x, int y, float chance) {
    return Hash01((x + TILE_SIZE) % TILE_SIZE, (y + TILE_SIZE) % TILE_SIZE, STAR_SEED) < chance;
}

// Stars wrap around the tile, so a bright star's cross continues into the
// neighbouring tile's edge exactly as the neighbour draws it.
static Rgb SpaceColour(float edge, int x, int y) {
    if (edge < SHADOW_WIDTH) {
        return SPACE_SHADOW;
    }
    if (IsStar(x, y, BRIGHT_STAR_CHANCE)) {
        return STAR_BRIGHT;
    }
    if (IsStar(x, y, STAR_CHANCE) || IsStar(x - 1, y, BRIGHT_STAR_CHANCE) ||
        IsStar(x + 1, y, BRIGHT_STAR_CHANCE) || IsStar(x, y - 1, BRIGHT_STAR_CHANCE) ||
        IsStar(x, y + 1, BRIGHT_STAR_CHANCE)) {
        return STAR_DIM;
    }
    return SPACE;
}

static Canvas StationTerrainTile(int mask) {
    Canvas c = MakeCanvas(TILE_SIZE, TILE_SIZE, SPACE);
    for (int y = 0; y < TILE_SIZE; ++y) {
        for (int x = 0; x < TILE_SIZE; ++x) {
            int qx = x / HALF_TILE;
            int qy = y / HALF_TILE;
            float edge = EdgeDistance(mask, x, y);
            bool solid = HasCorner(mask, QuadrantCorner(qx, qy));
            SetPixel(c, x, y, solid ? HullColour(edge, x, y) : SpaceColour(edge, x, y));
        }
    }
    return c;
}

// A sunken rectangle in the deck: dark floor, shaded rim lit from the upper left.
static void DrawRecess(Canvas& c, int x, int y, int w, int h) {
    FillRect(c, x - 1, y - 1, w + 2, h + 2, RIM_LIGHT);
    FillRect(c, x - 1, y - 1, w + 1, h + 1, RIM_DARK);
    FillRect(c, x, y, w, h, PIT);
}

// A row of landing lamps in a channel across the deck.
static Canvas LampsTile() {
    Canvas c = StationTerrainTile(MASK_SOLID);
    DrawRecess(c, 6, 26, 52, 12);
    for (int x = 12; x < 58; x += 13) {
        FillEllipse(c, x + 0.5f, 32, 4, 4, LAMP_GLOW);
        FillRect(c, x - 1, 31, 3, 3, LAMP);
    }
    return c;
}

static Canvas VentTile() {
    Canvas c = StationTerrainTile(MASK_SOLID);
    DrawRecess(c, 12, 14, 40, 36);
    for (int y = 17; y < 48; y += 5) {
        FillRect(c, 13, y, 38, 2, PLATE_SHADE);
        FillRect(c, 13, y, 38, 1, PLATE);
    }
    return c;
}

// A girder beam between two points, lit on its upper side.
static void DrawGirder(Canvas& c, int x0, int y0, int x1, int y1) {
    DrawLine(c, x0, y0 + 1, x1, y1 + 1, GIRDER_SHADE);
    DrawLine(c, x0, y0, x1, y1, GIRDER);
    DrawLine(c, x0, y0 - 1, x1, y1 - 1, GIRDER_LIT);
}

// An open bay in the deck, cross-braced by girders.
static Canvas TrussTile() {
    Canvas c = StationTerrainTile(MASK_SOLID);
    constexpr int BAY = 8;
    constexpr int FAR = TILE_SIZE - BAY - 1;
    DrawRecess(c, BAY, BAY, TILE_SIZE - 2 * BAY, TILE_SIZE - 2 * BAY);
    DrawGirder(c, BAY + 1, BAY + 2, FAR - 1, FAR - 1);
    DrawGirder(c, BAY + 1, FAR - 1, FAR - 1, BAY + 2);
    DrawGirder(c, BAY, TILE_SIZE / 2, FAR, TILE_SIZE / 2);
    return c;
}

// A round hatch with a hazard ring and a split lid.
static Canvas HatchTile() {
    constexpr float RIM_RADIUS = 21.0f;
    constexpr float STRIPE_RADIUS = 20.0f;
    constexpr float LID_RADIUS = 14.0f;
    constexpr int HANDLE = 3;
    Canvas c = StationTerrainTile(MASK_SOLID);
    float centre = TILE_SIZE / 2.0f;
    FillEllipse(c, centre, centre, RIM_RADIUS, RIM_RADIUS, RIM_DARK);
    for (int y = 0; y < TILE_SIZE; ++y) {
        for (int x = 0; x < TILE_SIZE; ++x) {
            float dx = x + 0.5f - centre;
            float dy = y + 0.5f - centre;
            if (dx * dx + dy * dy < STRIPE_RADIUS * STRIPE_RADIUS) {
                SetPixel(c, x, y, HazardStripe(x, y));
            }
        }
    }
    FillEllipse(c, centre, centre, LID_RADIUS + 1, LID_RADIUS + 1, RIM_DARK);
    FillEllipseShaded(c, centre, centre, LID_RADIUS, LID_RADIUS, DISH);
    int middle = TILE_SIZE / 2;
    FillRect(c, middle - static_cast<int>(LID_RADIUS), middle, 2 * static_cast<int>(LID_RADIUS), 1,
             RIM_DARK);
    FillRect(c, middle - HANDLE, middle - HANDLE + 1, 2 * HANDLE, 2 * HANDLE - 1, RIM_DARK);
    return c;
}

// A dish antenna on its mount, shadow cast to the lower right.
static Canvas DishTile() {
    Canvas c = StationTerrainTile(MASK_SOLID);
    FillEllipse(c, 35, 35, 17, 17, PLATE_SHADE);
    FillEllipse(c, 32, 32, 17, 17, RIM_DARK);
    FillEllipseShaded(c, 32, 32, 16, 16, DISH);
    FillEllipse(c, 35, 35, 9, 9, DISH.base);
    DrawLine(c, 32, 32, 44, 20, RIM_DARK);
    FillRect(c, 43, 18, 3, 3, LAMP);
    return c;
}

// A tumbling rock with two craters, drifting past the station.
static Canvas AsteroidTile() {
    Canvas c = StationTerrainTile(MASK_OPEN);
    FillPolygonShaded(c, {{22, 16}, {38, 13}, {49, 24}, {47, 41}, {34, 50}, {19, 45}, {14, 30}},
                      ROCK);
    FillEllipse(c, 27, 27, 5, 4, ROCK.shadow);
    FillEllipse(c, 26, 26, 4, 3, ROCK.base);
    FillEllipse(c, 39, 39, 4, 3, ROCK.shadow);
    return c;
}

const TileSet& StationTileSet() {
    static const TileSet set{StationSolidCorner,
                             StationTerrainTile,
                             {{MASK_SOLID, LAMPS_RARITY, LampsTile},
                              {MASK_SOLID, VENT_RARITY, VentTile},
                              {MASK_SOLID, TRUSS_RARITY, TrussTile},
                              {MASK_SOLID, HATCH_RARITY, HatchTile},
                              {MASK_SOLID, DISH_RARITY, DishTile},
                              {MASK_OPEN, ASTEROID_RARITY, AsteroidTile}}};
    return set;
}
