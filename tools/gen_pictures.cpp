#include "gen_pictures.h"

#include <algorithm>
#include <cmath>

#include "gen_files.h"
#include "gen_palette.h"

// Picture sizes; the game's collision boxes are these rectangles.
constexpr int SHIP_SIZE = 20;
constexpr int LIFE_SIZE = 16;
constexpr int SHOT_WIDTH = 20;
constexpr int SHOT_HEIGHT = 12;
constexpr int ENEMY_WIDTH = 60;
constexpr int ENEMY_HEIGHT = 40;
constexpr int BOSS_WIDTH = 120;
constexpr int BOSS_HEIGHT = 80;
constexpr int BULLET_SIZE = 8;
constexpr int EXPLOSION_SIZE = 60;
constexpr int EXPLOSION_FRAMES = 7;
constexpr int BULLET_FRAMES = 2;

// The player's wing cannons, in ship pixels; the twin bolt leaves from the
// same columns, so a shot drawn at the ship's x lines up with the guns.
constexpr int CANNON_X = 3;
constexpr int CANNON_WIDTH = 2;
constexpr int SHIP_AXIS = SHIP_SIZE / 2;
constexpr int RIGHT_CANNON_X = SHIP_SIZE - CANNON_X - CANNON_WIDTH;

// Explosions grow for this many frames, then cool and break up.
constexpr int EXPLOSION_GROWTH_FRAMES = 4;
constexpr float EXPLOSION_MIN_RADIUS = 9.0f;
constexpr float EXPLOSION_MAX_RADIUS = 28.0f;
constexpr float EXPLOSION_RAGGEDNESS = 0.55f;
constexpr int EXPLOSION_NOISE_PERIOD = 64;
constexpr float EXPLOSION_NOISE_SCALE = 0.3f;
constexpr int EXPLOSION_SEED = 7;
constexpr int EXPLOSION_HOLE_SEED = 8;
// Fully cooled, this share of the fireball has broken away into holes.
constexpr float EXPLOSION_HOLE_SHARE = 0.75f;
// Heat at the centre of a fresh fireball (above 1 widens the white core) and
// the least heat of any pixel left standing.
constexpr float EXPLOSION_CORE_HEAT = 1.3f;
constexpr float EXPLOSION_SMOKE_HEAT = 0.05f;

// The boss's bullets appear this far from its top-left corner.
constexpr int BOSS_MUZZLE_X = 30;
constexpr int BOSS_MUZZLE_Y = 20;

// Engine glows are rings of flame colours, each this much smaller than the last.
constexpr float GLOW_RING_STEP = 0.27f;

// The enemy bullet's glowing core pulses between these radii; a one-pixel
// dark ring goes round it.
constexpr float BULLET_SMALL_RADIUS = 2.6f;
constexpr float BULLET_LARGE_RADIUS = 3.0f;

// A shape in design units, scaled to pixels.
static std::vector<Point> Scaled(const std::vector<Point>& points, float scale) {
    std::vector<Point> result;
    for (const Point& p : points) {
        result.push_back(Point{p.x * scale, p.y * scale});
    }
    return result;
}

// A length in design units, rounded to whole pixels.
static int Px(float units, float scale) {
    return static_cast<int>(std::lround(units * scale));
}

// The player's ship, pointing up, drawn from a 20-unit design at size pixels.
static Canvas DrawPlayerShip(int size) {
    float s = static_cast<float>(size) / SHIP_SIZE;
    Canvas c = MakeCanvas(size, size, KEY_RED);
    float axis = SHIP_AXIS * s;
    for (int x : {CANNON_X, RIGHT_CANNON_X}) {
        FillRect(c, Px(x, s), Px(7, s), Px(CANNON_WIDTH, s), Px(9, s), GUN_METAL.light);
        FillRect(c, Px(x, s), Px(7, s), Px(CANNON_WIDTH, s), Px(1, s), PLAYER_HULL.highlight);
    }
    FillPolygonShaded(
        c, MirroredShape(Scaled({{10, 6}, {3, 12.5f}, {1, 17}, {5, 17}, {10, 14.5f}}, s), axis),
        PLAYER_HULL);
    FillPolygon(c, MirroredShape(Scaled({{10, 9}, {4, 14}, {4, 15}, {10, 11}}, s), axis),
                PLAYER_TRIM);
    FillPolygonShaded(
        c,
        MirroredShape(Scaled({{10, 0.5f}, {8.5f, 5}, {7.5f, 11}, {8, 17}, {10, 17.5f}}, s), axis),
        PLAYER_HULL);
    FillEllipseShaded(c, axis, 8 * s, 2.0f * s, 3.2f * s, PLAYER_GLASS);
    FillRect(c, Px(8.5f, s), Px(17, s), Px(3, s), Px(2, s), FLAME_ORANGE);
    FillRect(c, Px(9.5f, s), Px(17, s), Px(1, s), Px(2, s), FLAME_YELLOW);
    Outline(c, PLAYER_OUTLINE);
    return c;
}

Canvas PlayerShipPicture() {
    return DrawPlayerShip(SHIP_SIZE);
}

Canvas LifePicture() {
    return DrawPlayerShip(LIFE_SIZE);
}

// Two parallel bolts centred on the cannons: a white core in a cyan glow,
// hottest at the head.
static Canvas ShotPicture() {
    Canvas c = MakeCanvas(SHOT_WIDTH, SHOT_HEIGHT, KEY_RED);
    constexpr float GLOW_HALF_WIDTH = 3.0f;
    constexpr float CORE_HALF_WIDTH = 1.0f;
    float middle = SHOT_HEIGHT / 2.0f;
    for (int x : {CANNON_X, RIGHT_CANNON_X}) {
        float centre = x + CANNON_WIDTH / 2.0f;
        FillEllipse(c, centre, middle, GLOW_HALF_WIDTH, middle, BOLT_TAIL);
        FillEllipse(c, centre, middle - 1, GLOW_HALF_WIDTH - 1, middle - 1, BOLT_BRIGHT);
        FillRect(c, static_cast<int>(centre - CORE_HALF_WIDTH), 1, CANNON_WIDTH,
                 SHOT_HEIGHT * 2 / 3, BOLT_CORE);
    }
    return c;
}

void DrawEngineGlow(Canvas& c, float cx, float cy, float rx, float ry) {
    float scale = 1.0f;
    for (Rgb ring : {FLAME_DEEP, FLAME_ORANGE, FLAME_YELLOW, FLAME_WHITE}) {
        FillEllipse(c, cx, cy, rx * scale, ry * scale, ring);
        scale -= GLOW_RING_STEP;
    }
}

// A gun barrel pointing down, with a lit muzzle.
static void DrawBarrel(Canvas& c, int x, int y, int w, int h) {
    FillRect(c, x, y, w, h, GUN_METAL.base);
    FillRect(c, x, y, 1, h, GUN_METAL.light);
    FillRect(c, x, y + h - 1, w, 1, GUN_METAL.highlight);
}

// Shapes of the enemies are given as left halves, mirrored about the middle.
static void FillSymmetric(Canvas& c, const std::vector<Point>& leftHalf, const Ramp& ramp) {
    FillPolygonShaded(c, MirroredShape(leftHalf, c.width / 2.0f), ramp);
}

// Straight enemy: a heavy twin-nacelle gunship, nose down.
Canvas StraightEnemyPicture() {
    Canvas c = MakeCanvas(ENEMY_WIDTH, ENEMY_HEIGHT, KEY_RED);
    constexpr float NACELLE_X = 11.0f;
    for (float x : {NACELLE_X, ENEMY_WIDTH - NACELLE_X}) {
        DrawEngineGlow(c, x, 3.5f, 3.5f, 2.5f);
        DrawBarrel(c, static_cast<int>(x) - 1, 26, 3, 10);
    }
    FillSymmetric(c, {{30, 7}, {8, 8}, {1, 15}, {1, 25}, {6, 30}, {30, 30}}, CRIMSON_HULL);
    for (float x : {NACELLE_X, ENEMY_WIDTH - NACELLE_X}) {
        FillEllipseShaded(c, x, 17, 6, 13, CRIMSON_HULL);
        FillRect(c, static_cast<int>(x) - 3, 22, 6, 1, AMBER_GLASS.base);
    }
    FillSymmetric(c, {{30, 2}, {25, 5}, {21, 19}, {25, 31}, {30, 38}}, CRIMSON_HULL);
    DrawLine(c, 22, 19, 17, 20, CRIMSON_HULL.shadow);
    DrawLine(c, 37, 19, 42, 20, CRIMSON_HULL.shadow);
    FillEllipse(c, 30, 25, 4.5f, 6.5f, CRIMSON_OUTLINE);
    FillEllipseShaded(c, 30, 25, 3.5f, 5.5f, AMBER_GLASS);
    Outline(c, CRIMSON_OUTLINE);
    return c;
}

// Diagonal enemy: a broad arrowhead dart, nose down, its swept wings ending in
// blunt tips with running lights, a notch in the trailing edge either side of
// the engine.
Canvas DiagonalEnemyPicture() {
    Canvas c = MakeCanvas(ENEMY_WIDTH, ENEMY_HEIGHT, KEY_RED);
    DrawEngineGlow(c, 30, 4, 4, 4);
    FillSymmetric(c, {{30, 9}, {22, 9}, {9, 1}, {1, 9}, {1, 21}, {12, 26}, {24, 33}, {30, 39}},
                  COPPER_HULL);
    FillSymmetric(c, {{30, 12}, {17, 10}, {7, 7}, {14, 18}, {30, 25}}, COPPER_HULL);
    FillEllipseShaded(c, 30, 21, 6, 16, COPPER_HULL);
    for (int side : {-1, 1}) {
        int tip = side < 0 ? 4 : ENEMY_WIDTH - 5;
        DrawLine(c, tip, 20, tip - side * 10, 24, COPPER_HULL.shadow);
        DrawLine(c, tip, 12, tip - side * 9, 20, TEAL_GLASS.base);
    }
    FillEllipse(c, 30, 26, 4, 6, COPPER_OUTLINE);
    FillEllipseShaded(c, 30, 26, 3, 5, TEAL_GLASS);
    for (int x : {2, ENEMY_WIDTH - 4}) {
        FillRect(c, x, 9, 2, 3, FLAME_YELLOW);
    }
    Outline(c, COPPER_OUTLINE);
    return c;
}

// A flat armour plate edged by a dark seam, a rivet at each corner.
static void DrawPlate(Canvas& c, const std::vector<Point>& plate, Rgb fill) {
    FillPolygon(c, plate, fill);
    StrokePolygon(c, plate, BOSS_ARMOUR.shadow);
    for (const Point& p : plate) {
        SetPixel(c, static_cast<int>(p.x), static_cast<int>(p.y), BOSS_ARMOUR.highlight);
    }
}

// Hazard chevrons in gold, count of them starting at (x, y), mirrored.
static void DrawChevrons(Canvas& c, int x, int y, int count) {
    constexpr int CHEVRON_STEP = 4;
    constexpr int CHEVRON_LENGTH = 3;
    for (int i = 0; i < count; ++i) {
        int left = x + i * CHEVRON_STEP;
        DrawLine(c, left, y, left + CHEVRON_LENGTH, y - CHEVRON_LENGTH, BOSS_GOLD);
        DrawLine(c, c.width - 1 - left, y, c.width - 1 - left - CHEVRON_LENGTH, y - CHEVRON_LENGTH,
                 BOSS_GOLD);
    }
}

// The furnace eye in its gold ring, with a slit pupil.
static void DrawBossEye(Canvas& c, float cx, float cy) {
    FillEllipse(c, cx, cy, 16, 13, BOSS_OUTLINE);
    FillEllipse(c, cx, cy, 14.5f, 11.5f, BOSS_GOLD);
    FillEllipse(c, cx, cy, 12.5f, 9.5f, BOSS_OUTLINE);
    FillEllipseShaded(c, cx, cy, 11, 8, BOSS_EYE);
    FillEllipse(c, cx, cy + 1, 2, 6, BOSS_OUTLINE);
}

// The boss's cannon: a turret on its left shoulder whose barrel ends where
// its bullets appear.
static void DrawBossGun(Canvas& c) {
    constexpr float TURRET_X = BOSS_MUZZLE_X + BULLET_SIZE / 2.0f;
    constexpr float TURRET_Y = BOSS_MUZZLE_Y - 7.0f;
    FillEllipse(c, TURRET_X, TURRET_Y, 8, 7, BOSS_OUTLINE);
    FillEllipse(c, TURRET_X, TURRET_Y, 7, 6, BOSS_GOLD);
    FillEllipseShaded(c, TURRET_X, TURRET_Y, 5, 4, GUN_METAL);
    FillRect(c, BOSS_MUZZLE_X + 1, BOSS_MUZZLE_Y - 4, BULLET_SIZE - 2, BULLET_SIZE + 2,
             BOSS_OUTLINE);
    DrawBarrel(c, BOSS_MUZZLE_X + 2, BOSS_MUZZLE_Y - 4, BULLET_SIZE - 4, BULLET_SIZE + 1);
    DrawEngineGlow(c, TURRET_X, BOSS_MUZZLE_Y + BULLET_SIZE - 2.5f, 2.5f, 1.5f);
}

// Boss: a wide armoured fortress, nose down, with pincer prongs, shoulder
// turrets, a battery of four guns and a furnace eye.
Canvas BossPicture() {
    Canvas c = MakeCanvas(BOSS_WIDTH, BOSS_HEIGHT, KEY_RED);
    for (float x : {38.0f, 60.0f, 82.0f}) {
        DrawEngineGlow(c, x, 5, 5, 4);
    }
    for (int x : {46, 53, 63, 70}) {
        DrawBarrel(c, x, 60, 4, 18);
    }
    FillSymmetric(c,
                  {{60, 8},
                   {22, 8},
                   {8, 20},
                   {6, 36},
                   {18, 50},
                   {30, 58},
                   {30, 77},
                   {38, 77},
                   {44, 64},
                   {60, 62}},
                  BOSS_ARMOUR);
    for (float x : {17.0f, BOSS_WIDTH - 17.0f}) {
        FillEllipseShaded(c, x, 32, 14, 22, BOSS_ARMOUR);
        FillEllipse(c, x, 40, 6, 6, BOSS_OUTLINE);
        FillEllipseShaded(c, x, 40, 5, 5, GUN_METAL);
        DrawBarrel(c, static_cast<int>(x) - 1, 45, 3, 16);
    }
    float axis = BOSS_WIDTH / 2.0f;
    DrawPlate(c, MirroredShape({{60, 12}, {34, 12}, {26, 20}, {26, 26}, {60, 26}}, axis),
              BOSS_ARMOUR.light);
    DrawPlate(c, MirroredShape({{60, 52}, {36, 52}, {38, 60}, {60, 60}}, axis), BOSS_ARMOUR.base);
    std::vector<Point> prong{{32, 60}, {31, 75}, {37, 75}, {42, 62}};
    DrawPlate(c, prong, BOSS_ARMOUR.base);
    DrawPlate(c, Mirrored(prong, axis), BOSS_ARMOUR.shadow);
    DrawChevrons(c, 30, 34, 3);
    DrawBossEye(c, axis, 40);
    DrawBossGun(c);
    Outline(c, BOSS_OUTLINE);
    return c;
}

Canvas EnemyBulletPicture(int frame) {
    Canvas c = MakeCanvas(BULLET_SIZE, BULLET_SIZE, KEY_RED);
    float centre = BULLET_SIZE / 2.0f;
    float radius = frame == 0 ? BULLET_SMALL_RADIUS : BULLET_LARGE_RADIUS;
    FillEllipseShaded(c, centre, centre, radius, radius, ORB_GLOW);
    FillRect(c, static_cast<int>(centre) - 1, static_cast<int>(centre) - 1, 2, 2,
             ORB_GLOW.highlight);
    Outline(c, ORB_RING);
    return c;
}

// The colour of fire at a heat from 0 (cold smoke) to 1 (white core).
static Rgb FireColour(float heat) {
    const Rgb steps[] = {SMOKE_DARK,   SMOKE_LIGHT,  EMBER,      FLAME_DEEP,
                         FLAME_ORANGE, FLAME_YELLOW, FLAME_WHITE};
    constexpr int STEP_COUNT = sizeof(steps) / sizeof(steps[0]);
    int index = static_cast<int>(std::floor(heat * STEP_COUNT));
    return steps[std::clamp(index, 0, STEP_COUNT - 1)];
}

// Frame 0..6: a ragged fireball grows for four frames, then cools to smoke and
// breaks into ever sparser puffs.
static Canvas ExplosionPicture(int frame) {
    Canvas c = MakeCanvas(EXPLOSION_SIZE, EXPLOSION_SIZE, KEY_RED);
    float growth = std::min(1.0f, static_cast<float>(frame + 1) / EXPLOSION_GROWTH_FRAMES);
    float radius = EXPLOSION_MIN_RADIUS + (EXPLOSION_MAX_RADIUS - EXPLOSION_MIN_RADIUS) * growth;
    float cooling = std::max(0.0f, static_cast<float>(frame + 1 - EXPLOSION_GROWTH_FRAMES) /
                                       (EXPLOSION_FRAMES - EXPLOSION_GROWTH_FRAMES));
    float centre = EXPLOSION_SIZE / 2.0f;
    for (int y = 0; y < EXPLOSION_SIZE; ++y) {
        for (int x = 0; x < EXPLOSION_SIZE; ++x) {
            float dx = x + 0.5f - centre;
            float dy = y + 0.5f - centre;
            float ragged = PeriodicNoise(x * EXPLOSION_NOISE_SCALE, y * EXPLOSION_NOISE_SCALE,
                                         EXPLOSION_NOISE_PERIOD, EXPLOSION_SEED);
            float d =
                std::sqrt(dx * dx + dy * dy) / radius + (ragged - 0.5f) * EXPLOSION_RAGGEDNESS;
            float hole = PeriodicNoise(x * EXPLOSION_NOISE_SCALE, y * EXPLOSION_NOISE_SCALE,
                                       EXPLOSION_NOISE_PERIOD, EXPLOSION_HOLE_SEED);
            if (d > 1.0f || hole < cooling * EXPLOSION_HOLE_SHARE) {
                continue;
            }
            float heat = (1.0f - d) * EXPLOSION_CORE_HEAT * (1.0f - cooling);
            SetPixel(c, x, y, FireColour(heat + EXPLOSION_SMOKE_HEAT));
        }
    }
    return c;
}

bool SavePicture(const Canvas& canvas, const std::string& dataDir, const std::string& name) {
    return EnsureDirectory(dataDir + "/pics") &&
           SaveBmp(canvas, dataDir + "/pics/" + name + ".bmp");
}

bool WritePictures(const std::string& dataDir) {
    bool ok = SavePicture(PlayerShipPicture(), dataDir, "minave");
    ok = ok && SavePicture(LifePicture(), dataDir, "life");
    ok = ok && SavePicture(ShotPicture(), dataDir, "balas");
    ok = ok && SavePicture(StraightEnemyPicture(), dataDir, "nave");
    ok = ok && SavePicture(DiagonalEnemyPicture(), dataDir, "nave2");
    ok = ok && SavePicture(BossPicture(), dataDir, "gordo");
    for (int frame = 0; frame < BULLET_FRAMES; ++frame) {
        std::string suffix = frame == 0 ? "" : std::to_string(frame + 1);
        ok = ok && SavePicture(EnemyBulletPicture(frame), dataDir, "dispene" + suffix);
    }
    for (int frame = 0; frame < EXPLOSION_FRAMES; ++frame) {
        ok = ok &&
             SavePicture(ExplosionPicture(frame), dataDir, "explode" + std::to_string(frame + 1));
    }
    return ok;
}
