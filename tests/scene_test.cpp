// The drawing pass: collisions and scoring, the HUD, and explosions.
#include "world/scene.h"

#include <string>

#include "world/explosions.h"
#include "world_fixture.h"

using SceneTest = WorldTest;
using ExplosionTest = WorldTest;

constexpr int HUD_FONT_POINTS = 20;
// The caption's top-left corner, and a box its first letters always cover.
constexpr int CAPTION_X = 310;
constexpr int CAPTION_Y = 240;
constexpr int CAPTION_PROBE_W = 40;
constexpr int CAPTION_PROBE_H = 20;

// Where the ship stands after a reset, and an enemy placed to overlap it.
constexpr int SHIP_X = SHIP_START_X;
constexpr int SHIP_Y = SHIP_START_Y;
constexpr int TOUCHING_X = SHIP_X - 20;
constexpr int TOUCHING_Y = SHIP_Y - 20;

static void PutShot(int slot, int x, int y) {
    WorldState.ShotX[slot] = x;
    WorldState.ShotY[slot] = y;
}

static void ExpectExplosionAt(int slot, int x, int y) {
    const Explosion& explosion = WorldState.explosions[slot];
    EXPECT_EQ(explosion.active, SLOT_ACTIVE) << "slot " << slot;
    EXPECT_EQ(explosion.x, x) << "slot " << slot;
    EXPECT_EQ(explosion.y, y) << "slot " << slot;
}

static void ExpectShipHitOnce() {
    EXPECT_EQ(WorldState.ship.lives, SHIP_START_LIVES - 1);
    EXPECT_EQ(WorldState.ship.status, SHIP_DESTROYED);
    EXPECT_EQ(WorldState.ship.timer, DESTROYED_FRAMES);
    EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), 1);
}

TEST_F(SceneTest, ShotOverlappingTwoEnemiesDestroysBoth) {
    PutEnemy(2, ENEMY_STRAIGHT, 100, 100);
    PutEnemy(4, ENEMY_DIAGONAL, 130, 110);
    PutShot(0, 140, 120);

    DrawScene(screen);

    EXPECT_EQ(WorldState.enemies[2].active, SLOT_FREE);
    EXPECT_EQ(WorldState.enemies[4].active, SLOT_FREE);
    EXPECT_EQ(GameState.score, 20);
    ExpectExplosionAt(MAX_EXPLOSIONS, 100, 100);
    ExpectExplosionAt(MAX_EXPLOSIONS - 1, 130, 110);
    EXPECT_EQ(WorldState.ShotX[0], 0);
    // The shot is still drawn in the frame of its hit.
    EXPECT_EQ(PixelAt(screen, 145, 125), SHOT_COLOUR);
}

TEST_F(SceneTest, ShotOverlappingBossAndALaterEnemyCountsBoth) {
    PutEnemy(BOSS_SLOT, ENEMY_BOSS, 100, 100);
    PutEnemy(3, ENEMY_STRAIGHT, 150, 150);
    PutShot(0, 160, 160);

    DrawScene(screen);

    EXPECT_EQ(WorldState.enemies[BOSS_SLOT].hits, 1);
    EXPECT_EQ(WorldState.enemies[BOSS_SLOT].active, SLOT_ACTIVE);
    EXPECT_EQ(WorldState.enemies[3].active, SLOT_FREE);
    EXPECT_EQ(GameState.score, 10);
    EXPECT_EQ(WorldState.ShotX[0], 0);
}

TEST_F(SceneTest, BossNinetyNinthHitOnlyFreesTheShot) {
    GameState.bossPhase = BOSS_ACTIVE;
    PutEnemy(BOSS_SLOT, ENEMY_BOSS, 100, 100).hits = 98;
    PutShot(0, 150, 150);

    DrawScene(screen);

    EXPECT_EQ(WorldState.enemies[BOSS_SLOT].hits, 99);
    EXPECT_EQ(WorldState.enemies[BOSS_SLOT].active, SLOT_ACTIVE);
    EXPECT_EQ(WorldState.ShotX[0], 0);
    EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), 0);
    EXPECT_EQ(GameState.score, 0);
    EXPECT_EQ(GameState.bossPhase, BOSS_ACTIVE);
    EXPECT_EQ(GameState.level, 1);
    EXPECT_EQ(GameState.levelCountdown, 0);
}

TEST_F(SceneTest, BossHundredthHitDestroysItAndStartsTheLevelChange) {
    GameState.bossPhase = BOSS_ACTIVE;
    PutEnemy(BOSS_SLOT, ENEMY_BOSS, 100, 100).hits = 99;
    PutShot(0, 150, 150);

    DrawScene(screen);

    EXPECT_EQ(WorldState.enemies[BOSS_SLOT].active, SLOT_FREE);
    EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), 1);
    ExpectExplosionAt(MAX_EXPLOSIONS, 100, 100);
    EXPECT_EQ(GameState.score, 100);
    EXPECT_EQ(GameState.bossPhase, BOSS_DEFEATED);
    EXPECT_EQ(GameState.level, 2);
    // Set to 100 by the hit, then counted down once by this frame's caption step.
    EXPECT_EQ(GameState.levelCountdown, 99);
}

TEST_F(SceneTest, EnemyOfAnyKindTouchingTheShipCostsALifeAndFliesOn) {
    for (int kind : {ENEMY_STRAIGHT, ENEMY_DIAGONAL, ENEMY_BOSS}) {
        SCOPED_TRACE(kind);
        ResetWorld();
        const Enemy& enemy = PutEnemy(3, kind, TOUCHING_X, TOUCHING_Y);

        DrawScene(screen);

        ExpectShipHitOnce();
        ExpectExplosionAt(MAX_EXPLOSIONS, SHIP_X, SHIP_Y);
        // Started before the explosions step, so its first frame is already drawn.
        EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS].frame, 2);
        EXPECT_EQ(enemy.active, SLOT_ACTIVE);
        EXPECT_EQ(enemy.x, TOUCHING_X);
        EXPECT_EQ(enemy.y, TOUCHING_Y);
    }
}

TEST_F(SceneTest, EnemyBulletHittingTheShipStaysInPlay) {
    const EnemyBullet& bullet = PutBullet(0, SHIP_X + 5, SHIP_Y + 5);

    DrawScene(screen);

    ExpectShipHitOnce();
    EXPECT_EQ(bullet.active, SLOT_ACTIVE);
}

TEST_F(SceneTest, SeveralContactsInOneFrameCostOneLife) {
    PutEnemy(0, ENEMY_STRAIGHT, TOUCHING_X, TOUCHING_Y);
    PutEnemy(BOSS_SLOT, ENEMY_BOSS, SHIP_X - 50, SHIP_Y - 50);
    PutBullet(0, SHIP_X + 5, SHIP_Y + 5);

    DrawScene(screen);

    ExpectShipHitOnce();
}

TEST_F(SceneTest, RespawningShipBlinksOnEvenTimerFrames) {
    WorldState.ship.status = SHIP_RESPAWNING;
    WorldState.ship.timer = 2;
    DrawScene(screen);
    EXPECT_EQ(PixelAt(screen, SHIP_X + 1, SHIP_Y + 1), SHIP_COLOUR);

    ClearScreen(screen);
    WorldState.ship.timer = 3;
    DrawScene(screen);
    EXPECT_EQ(PixelAt(screen, SHIP_X + 1, SHIP_Y + 1), BLACK);
}

TEST_F(SceneTest, ShipIsUnharmedWhileRespawningOrDestroyed) {
    for (int status : {SHIP_RESPAWNING, SHIP_DESTROYED}) {
        SCOPED_TRACE(status);
        ResetWorld();
        WorldState.ship.status = status;
        WorldState.ship.timer = 2;
        WorldState.shipSprite.x = SHIP_X;
        WorldState.shipSprite.y = SHIP_Y;
        PutEnemy(0, ENEMY_STRAIGHT, TOUCHING_X, TOUCHING_Y);
        PutBullet(0, SHIP_X + 5, SHIP_Y + 5);

        DrawScene(screen);

        EXPECT_EQ(WorldState.ship.lives, SHIP_START_LIVES);
        EXPECT_EQ(WorldState.ship.status, status);
        EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), 0);
    }
}

TEST_F(SceneTest, LifeIconsStandAt32And54And76AndNoneWithoutLives) {
    DrawScene(screen);

    for (int x : {32, 54, 76}) {
        EXPECT_EQ(PixelAt(screen, x, 5), LIFE_COLOUR) << x;
        EXPECT_EQ(PixelAt(screen, x + TEST_LIFE_SIZE - 1, 5 + TEST_LIFE_SIZE - 1), LIFE_COLOUR)
            << x;
    }
    EXPECT_EQ(PixelAt(screen, 32 + TEST_LIFE_SIZE, 5), BLACK);
    EXPECT_EQ(PixelAt(screen, 98, 5), BLACK);

    ClearScreen(screen);
    WorldState.ship.lives = 0;
    DrawScene(screen);
    EXPECT_EQ(LitPixels(screen, 0, 0, 120, 25), 0);
}

TEST_F(SceneTest, LevelCaptionShowsOnEvenFramesOfTheFirstHundredAfterALoad) {
    const std::string fontPath = std::string(KORVANE_DATA_DIR) + "/ariblk.ttf";
    GameState.font = TTF_OpenFont(fontPath.c_str(), HUD_FONT_POINTS);
    ASSERT_NE(GameState.font, nullptr) << fontPath;
    GameState.levelCountdown = 100;
    constexpr int framesWatched = 102;

    for (int frame = 1; frame <= framesWatched; frame++) {
        ClearScreen(screen);
        DrawScene(screen);
        const bool shown =
            LitPixels(screen, CAPTION_X, CAPTION_Y, CAPTION_PROBE_W, CAPTION_PROBE_H) > 0;
        EXPECT_EQ(shown, frame % 2 == 0 && frame <= 100) << "frame " << frame;
    }
    EXPECT_EQ(GameState.levelCountdown, 0);
    TTF_CloseFont(GameState.font);
    GameState.font = nullptr;
}

TEST_F(SceneTest, BulletFrameTogglesOnEveryFifthDrawnFrame) {
    const EnemyBullet& bullet = PutBullet(0, 100, 100);
    const int expectedFrame[] = {0, 0, 0, 0, 1, 1, 1, 1, 1, 0};

    for (int shown : expectedFrame) {
        DrawScene(screen);
        EXPECT_EQ(bullet.frame, shown);
        EXPECT_EQ(WorldState.bulletSprite.currentFrame, shown);
    }
}

TEST_F(ExplosionTest, FirstTakesSlot7ThenSlot6) {
    StartExplosion(EXPLODE_PLAYER);
    EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS].active, SLOT_ACTIVE);
    EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), 1);

    StartExplosion(EXPLODE_PLAYER);
    EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS - 1].active, SLOT_ACTIVE);
    EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), 2);
}

TEST_F(ExplosionTest, NinthWithEverySlotBusyIsDropped) {
    PutEnemy(0, ENEMY_STRAIGHT, 10, 10);
    PutEnemy(1, ENEMY_STRAIGHT, 200, 200);
    for (int i = 0; i <= MAX_EXPLOSIONS; i++) {
        StartExplosion(0);
    }

    StartExplosion(1);

    for (int i = 0; i <= MAX_EXPLOSIONS; i++) {
        ExpectExplosionAt(i, 10, 10);
        EXPECT_EQ(WorldState.explosions[i].frame, 1);
    }
}

TEST_F(ExplosionTest, ShowsFramesOneToSixThenFreesItsSlot) {
    PutEnemy(2, ENEMY_DIAGONAL, 100, 100);
    StartExplosion(2);
    constexpr int lastFrame = 6;

    for (int frame = 1; frame <= lastFrame; frame++) {
        ClearScreen(screen);
        DrawExplosions(screen);
        EXPECT_EQ(PixelAt(screen, 110, 110), ExplosionColour(frame)) << "frame " << frame;
    }
    EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS].active, SLOT_FREE);

    ClearScreen(screen);
    DrawExplosions(screen);
    EXPECT_EQ(PixelAt(screen, 110, 110), BLACK);
}

TEST_F(ExplosionTest, StaysWhereTheShipOrEnemyWasWhenItStarted) {
    WorldState.ship.x = 100;
    WorldState.ship.y = 200;
    StartExplosion(EXPLODE_PLAYER);
    PutEnemy(2, ENEMY_STRAIGHT, 50, 60);
    StartExplosion(2);

    WorldState.ship.x = 300;
    WorldState.ship.y = 300;
    PutEnemy(2, ENEMY_DIAGONAL, 400, 400);
    DrawExplosions(screen);

    ExpectExplosionAt(MAX_EXPLOSIONS, 100, 200);
    ExpectExplosionAt(MAX_EXPLOSIONS - 1, 50, 60);
    EXPECT_EQ(PixelAt(screen, 101, 201), ExplosionColour(1));
    EXPECT_EQ(PixelAt(screen, 51, 61), ExplosionColour(1));
}
