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
// Where an enemy overlaps the ship standing at its start.
constexpr int TOUCHING_X = SHIP_START_X - 20;
constexpr int TOUCHING_Y = SHIP_START_Y - 20;

class SceneTest : public WorldTest {
  protected:
    static void PutShot(int slot, int x, int y) {
        WorldState.ShotX[slot] = x;
        WorldState.ShotY[slot] = y;
    }

    static int ActiveExplosions() { return CountActive(WorldState.explosions, MAX_EXPLOSIONS); }

    static void ExpectExplosionAt(int slot, int x, int y) {
        const Explosion& explosion = WorldState.explosions[slot];
        EXPECT_EQ(std::tie(explosion.active, explosion.x, explosion.y),
                  std::make_tuple(SLOT_ACTIVE, x, y))
            << "slot " << slot;
    }

    // One life lost, and one explosion at the ship's position.
    static void ExpectShipHitOnce() {
        const PlayerShip& ship = WorldState.ship;
        EXPECT_EQ(std::tie(ship.lives, ship.status, ship.timer),
                  std::make_tuple(SHIP_START_LIVES - 1, SHIP_DESTROYED, DESTROYED_FRAMES));
        EXPECT_EQ(ActiveExplosions(), 1);
        ExpectExplosionAt(MAX_EXPLOSIONS, SHIP_START_X, SHIP_START_Y);
    }
};

TEST_F(SceneTest, ShotOverlappingTwoEnemiesDestroysBoth) {
    PutEnemy(2, ENEMY_STRAIGHT, 100, 100);
    PutEnemy(4, ENEMY_DIAGONAL, 130, 110);
    PutShot(0, 140, 120);

    DrawScene(screen);

    EXPECT_EQ(std::tie(WorldState.enemies[2].active, WorldState.enemies[4].active),
              std::make_tuple(SLOT_FREE, SLOT_FREE));
    EXPECT_EQ(GameState.score, 20);
    ExpectExplosionAt(MAX_EXPLOSIONS, 100, 100);
    ExpectExplosionAt(MAX_EXPLOSIONS - 1, 130, 110);
    EXPECT_EQ(WorldState.ShotX[0], 0);
    // The shot is still drawn in the frame of its hit.
    EXPECT_EQ(PixelAt(screen, 145, 125), SHOT_COLOUR);
}

TEST_F(SceneTest, ShotOverlappingBossAndALaterEnemyCountsBoth) {
    const Enemy& boss = PutEnemy(BOSS_SLOT, ENEMY_BOSS, 100, 100);
    PutEnemy(3, ENEMY_STRAIGHT, 150, 150);
    PutShot(0, 160, 160);

    DrawScene(screen);

    EXPECT_EQ(std::tie(boss.active, boss.hits), std::make_tuple(SLOT_ACTIVE, 1));
    EXPECT_EQ(WorldState.enemies[3].active, SLOT_FREE);
    EXPECT_EQ(GameState.score, 10);
    EXPECT_EQ(WorldState.ShotX[0], 0);
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

TEST_F(SceneTest, EnemiesOfAnyKindTouchingTheShipCostOneLifeAndFlyOn) {
    for (int kind : {ENEMY_STRAIGHT, ENEMY_DIAGONAL, ENEMY_BOSS}) {
        SCOPED_TRACE(kind);
        ResetWorld();
        const Enemy& enemy = PutEnemy(3, kind, TOUCHING_X, TOUCHING_Y);
        const Enemy& second = PutEnemy(5, ENEMY_STRAIGHT, SHIP_START_X + 10, SHIP_START_Y + 10);

        DrawScene(screen);

        ExpectShipHitOnce();
        // Started before the explosions step, so its first frame is already drawn.
        EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS].frame, 2);
        EXPECT_EQ(std::tie(enemy.active, enemy.x, enemy.y, second.active),
                  std::make_tuple(SLOT_ACTIVE, TOUCHING_X, TOUCHING_Y, SLOT_ACTIVE));
    }
}

TEST_F(SceneTest, EnemyBulletHittingTheShipStaysInPlay) {
    const EnemyBullet& bullet = PutBullet(0, SHIP_START_X + 5, SHIP_START_Y + 5);

    DrawScene(screen);

    ExpectShipHitOnce();
    EXPECT_EQ(bullet.active, SLOT_ACTIVE);
}

TEST_F(SceneTest, RespawningShipBlinksOnEvenTimerFramesAndNothingHurtsItUntilActive) {
    const struct {
        int status;
        int timer;
        bool drawn;
    } cases[] = {
        {SHIP_RESPAWNING, 2, true}, {SHIP_RESPAWNING, 3, false}, {SHIP_DESTROYED, 2, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status * 10 + c.timer);
        ResetWorld();
        ClearScreen(screen);
        WorldState.ship.status = c.status;
        WorldState.ship.timer = c.timer;
        WorldState.shipSprite.x = SHIP_START_X;
        WorldState.shipSprite.y = SHIP_START_Y;
        PutEnemy(0, ENEMY_STRAIGHT, SHIP_START_X + 10, SHIP_START_Y + 10);
        PutBullet(0, SHIP_START_X + 5, SHIP_START_Y + 5);

        DrawScene(screen);

        EXPECT_EQ(PixelAt(screen, SHIP_START_X + 1, SHIP_START_Y + 1),
                  c.drawn ? SHIP_COLOUR : BLACK);
        EXPECT_EQ(std::tie(WorldState.ship.lives, WorldState.ship.status),
                  std::make_tuple(SHIP_START_LIVES, c.status));
        EXPECT_EQ(ActiveExplosions(), 0);
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

TEST_F(SceneTest, LevelCaptionShowsOnEvenFramesOfTheFirstHundredAfterALoad) {
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
    TTF_CloseFont(GameState.font);
    GameState.font = nullptr;
}

TEST_F(SceneTest, BulletFrameTogglesOnEveryFifthDrawnFrame) {
    const EnemyBullet& bullet = PutBullet(0, 100, 100);

    for (int shown : {0, 0, 0, 0, 1, 1, 1, 1, 1, 0}) {
        DrawScene(screen);
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
    }
    EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS].active, SLOT_FREE);
}
