// The drawing pass: collisions and scoring, the HUD, and explosions.
#include "world/scene.h"

#include <string>
#include <tuple>

#include "world/explosions.h"
#include "world_fixture.h"

constexpr int HUD_FONT_POINTS = 20;
// A box at the caption's top-left corner that its first letters always cover.
constexpr SDL_Rect CAPTION_PROBE = {310, 240, 40, 20};
constexpr int LAST_EXPLOSION_FRAME = 6;
constexpr int START_LIVES = 3;  // a level starts with three ships
// Where an enemy overlaps the ship standing at its start.
constexpr int TOUCHING_X = SHIP_START_X - 20;
constexpr int TOUCHING_Y = SHIP_START_Y - 20;

using SceneTest = WorldTest;

static void PutShot(int slot, int x, int y) {
    WorldState.ShotX[slot] = x;
    WorldState.ShotY[slot] = y;
}

static int ActiveExplosions() {
    return CountActive(WorldState.explosions, MAX_EXPLOSIONS);
}

static void ExpectExplosionAt(int slot, int x, int y) {
    const Explosion& explosion = WorldState.explosions[slot];
    EXPECT_EQ(std::tie(explosion.active, explosion.x, explosion.y),
              std::make_tuple(SLOT_ACTIVE, x, y))
        << "slot " << slot;
}

// One shot takes a hit off the boss and destroys every enemy it overlaps,
// explosions filling from the top slot in slot order. It is spent, but still
// drawn in the frame of its hit.
TEST_F(SceneTest, ShotOverlappingTheBossAndTwoEnemiesCountsEach) {
    const Enemy& boss = PutEnemy(BOSS_SLOT, ENEMY_BOSS, 100, 100);
    PutEnemy(2, ENEMY_STRAIGHT, 130, 110);
    PutEnemy(4, ENEMY_DIAGONAL, 150, 140);
    PutShot(0, 160, 140);

    DrawScene(screen);

    EXPECT_EQ(std::tie(boss.active, boss.hits), std::make_tuple(SLOT_ACTIVE, 1));
    EXPECT_EQ(CountActive(WorldState.enemies, MAX_ENEMIES), 1);
    EXPECT_EQ(GameState.score, 20);
    ExpectExplosionAt(MAX_EXPLOSIONS, 130, 110);
    ExpectExplosionAt(MAX_EXPLOSIONS - 1, 150, 140);
    EXPECT_EQ(WorldState.ShotX[0], 0);
    EXPECT_EQ(PixelAt(screen, 165, 145), SHOT_COLOUR);
}

TEST_F(SceneTest, BossFallsOnItsHundredthHitAndStartsTheLevelChange) {
    for (int hitsBefore : {98, 99}) {
        SCOPED_TRACE(hitsBefore);
        const bool falls = hitsBefore == 99;
        ResetWorld();
        GameState.bossPhase = BOSS_ACTIVE;
        Enemy& boss = PutEnemy(BOSS_SLOT, ENEMY_BOSS, 100, 100);
        boss.hits = hitsBefore;
        PutShot(0, 150, 150);

        DrawScene(screen);

        EXPECT_EQ(WorldState.ShotX[0], 0);
        EXPECT_EQ(std::tie(boss.hits, boss.active),
                  std::make_tuple(hitsBefore + 1, falls ? SLOT_FREE : SLOT_ACTIVE));
        EXPECT_EQ(ActiveExplosions(), falls ? 1 : 0);
        // The countdown is set to 100 by the hit, then counted down by this frame's caption step.
        EXPECT_EQ(std::tie(GameState.score, GameState.bossPhase, GameState.level,
                           GameState.levelCountdown),
                  falls ? std::make_tuple(100, BOSS_DEFEATED, 2, 99)
                        : std::make_tuple(0, BOSS_ACTIVE, 1, 0));
    }
    ExpectExplosionAt(MAX_EXPLOSIONS, 100, 100);
}

// Whatever touches an active ship costs one life and flies on, and an
// explosion starts at the ship. A respawning ship blinks,
// drawn on even timer values, and nothing hurts it; a destroyed one is not drawn.
TEST_F(SceneTest, ShipHitsAndBlinking) {
    constexpr int X = SHIP_START_X;
    constexpr int Y = SHIP_START_Y;
    constexpr int ONLY_A_BULLET = -1;
    const struct {
        int kind;
        int status, timer;
        bool hit, drawn;
    } cases[] = {
        {ENEMY_STRAIGHT, SHIP_ACTIVE, 0, true, false},
        {ENEMY_DIAGONAL, SHIP_ACTIVE, 0, true, false},
        {ENEMY_BOSS, SHIP_ACTIVE, 0, true, false},
        {ONLY_A_BULLET, SHIP_ACTIVE, 0, true, false},
        {ONLY_A_BULLET, SHIP_RESPAWNING, 2, false, true},
        {ENEMY_STRAIGHT, SHIP_RESPAWNING, 3, false, false},
        {ONLY_A_BULLET, SHIP_DESTROYED, 2, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "kind " << c.kind << ", status " << c.status << ", timer " << c.timer);
        ResetWorld();
        ClearScreen(screen);
        PlayerShip& ship = WorldState.ship;
        ship.status = c.status;
        ship.timer = c.timer;
        WorldState.shipSprite.x = X;
        WorldState.shipSprite.y = Y;
        // An enemy and a bullet touch the ship (one hit counts), or a bullet alone.
        if (c.kind != ONLY_A_BULLET) {
            PutEnemy(3, c.kind, X + 10, Y + 10);
        }
        const EnemyBullet& bullet = PutBullet(0, X + 5, Y + 5);

        DrawScene(screen);

        if (c.hit) {
            EXPECT_EQ(std::tie(ship.lives, ship.status, ship.timer),
                      std::make_tuple(START_LIVES - 1, SHIP_DESTROYED, DESTROYED_FRAMES));
            ExpectExplosionAt(MAX_EXPLOSIONS, X, Y);
            // Enemies are tested before the explosions are drawn, bullets after.
            EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS].frame, c.kind == ONLY_A_BULLET ? 1 : 2);
        } else {
            EXPECT_EQ(std::tie(ship.lives, ship.status), std::make_tuple(START_LIVES, c.status));
            EXPECT_EQ(PixelAt(screen, X + 1, Y + 1), c.drawn ? SHIP_COLOUR : BLACK);
        }
        EXPECT_EQ(ActiveExplosions(), c.hit ? 1 : 0);
        EXPECT_EQ(bullet.active, SLOT_ACTIVE);
        EXPECT_EQ(CountActive(WorldState.enemies, MAX_ENEMIES), c.kind == ONLY_A_BULLET ? 0 : 1);
    }
}

TEST_F(SceneTest, LifeIconsStandAt32And54And76AndNoneWithoutLives) {
    DrawScene(screen);
    for (int x : {32, 54, 76}) {
        EXPECT_EQ(PixelAt(screen, x, 5), LIFE_COLOUR) << x;
        EXPECT_EQ(PixelAt(screen, x + TEST_LIFE_SIZE - 1, 5 + TEST_LIFE_SIZE - 1), LIFE_COLOUR)
            << x;
        EXPECT_EQ(PixelAt(screen, x + TEST_LIFE_SIZE, 5), BLACK) << x;
    }

    ClearScreen(screen);
    WorldState.ship.lives = 0;
    DrawScene(screen);
    EXPECT_EQ(LitPixels(screen, 0, 0, 120, 25), 0);
}

TEST_F(SceneTest, LevelCaptionShowsOnEvenFramesOfTheFirstHundredAfterALoadBesideTheScore) {
    const std::string fontPath = std::string(KORVANE_DATA_DIR) + "/ariblk.ttf";
    GameState.font = TTF_OpenFont(fontPath.c_str(), HUD_FONT_POINTS);
    ASSERT_NE(GameState.font, nullptr) << fontPath;
    GameState.levelCountdown = 100;

    for (int frame = 1; frame <= 102; frame++) {
        ClearScreen(screen);
        DrawScene(screen);
        const bool shown = LitPixels(screen, CAPTION_PROBE.x, CAPTION_PROBE.y, CAPTION_PROBE.w,
                                     CAPTION_PROBE.h) > 0;
        EXPECT_EQ(shown, frame % 2 == 0 && frame <= 100) << "frame " << frame;
    }
    EXPECT_EQ(GameState.levelCountdown, 0);
    // The score stands at (530, 5).
    EXPECT_GT(LitPixels(screen, 530, 5, 20, 20), 0);
    EXPECT_EQ(LitPixels(screen, 520, 0, 10, 30), 0);
    TTF_CloseFont(GameState.font);
    GameState.font = nullptr;
}

// The bullet is drawn over a shot in the same place.
TEST_F(SceneTest, BulletFrameTogglesOnEveryFifthDrawnFrame) {
    const EnemyBullet& bullet = PutBullet(0, 100, 100);
    PutShot(0, 100, 100);

    for (int shown : {0, 0, 0, 0, 1, 1, 1, 1, 1, 0}) {
        DrawScene(screen);
        EXPECT_EQ(PixelAt(screen, 101, 101), shown ? Rgb(128, 0, 255) : Rgb(255, 0, 255));
        EXPECT_EQ(std::tie(bullet.frame, WorldState.bulletSprite.currentFrame),
                  std::make_tuple(shown, shown));
    }
}

TEST_F(SceneTest, ExplosionsTakeSlotsFromTheTopAndANinthIsDropped) {
    PutEnemy(0, ENEMY_STRAIGHT, 10, 10);
    PutEnemy(1, ENEMY_STRAIGHT, 200, 200);
    for (int started = 1; started <= MAX_EXPLOSIONS + 1; started++) {
        StartExplosion(0);
        EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS + 1 - started].active, SLOT_ACTIVE);
        EXPECT_EQ(ActiveExplosions(), started);
    }

    StartExplosion(1);

    for (int i = 0; i <= MAX_EXPLOSIONS; i++) {
        ExpectExplosionAt(i, 10, 10);
        EXPECT_EQ(WorldState.explosions[i].frame, 1);
    }
}

TEST_F(SceneTest, ExplosionShowsFramesOneToSixWhereTheEnemyWasThenFreesItsSlot) {
    PutEnemy(2, ENEMY_DIAGONAL, 100, 100);
    StartExplosion(2);
    PutEnemy(2, ENEMY_DIAGONAL, 400, 400);

    for (int frame = 1; frame <= LAST_EXPLOSION_FRAME + 1; frame++) {
        ClearScreen(screen);
        DrawExplosions(screen);
        const Uint32 expected = frame <= LAST_EXPLOSION_FRAME ? ExplosionColour(frame) : BLACK;
        EXPECT_EQ(PixelAt(screen, 110, 110), expected) << "frame " << frame;
        EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS].active,
                  frame < LAST_EXPLOSION_FRAME ? SLOT_ACTIVE : SLOT_FREE);
    }
}
