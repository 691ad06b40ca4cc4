// The drawing pass: collisions and scoring, the HUD, and explosions.
#include "world/scene.h"

#include <string>
#include <tuple>

#include "world/explosions.h"
#include "world_fixture.h"

using SceneTest = WorldTest;

static void ExpectExplosionAt(int slot, int x, int y) {
    const Explosion& explosion = WorldState.explosions[slot];
    EXPECT_EQ(std::tie(explosion.active, explosion.x, explosion.y),
              std::make_tuple(SLOT_ACTIVE, x, y))
        << "slot " << slot;
}

// One shot takes a hit off the boss and destroys every enemy it overlaps,
// explosions filling from the top slot in slot order. It is spent, but still
// drawn in the frame of its hit. The boss falls on its hundredth hit and starts
// the level change; the same frame's caption step counts the countdown from 100.
TEST_F(SceneTest, ShotHitsTheBossAndEveryEnemyItOverlaps) {
    for (int hitsBefore : {98, 99}) {
        SCOPED_TRACE(hitsBefore);
        const bool falls = hitsBefore == 99;
        ResetWorld();
        GameState.score = 0;
        GameState.bossPhase = BOSS_ACTIVE;
        Enemy& boss = PutEnemy(BOSS_SLOT, ENEMY_BOSS, 100, 100);
        boss.hits = hitsBefore;
        PutEnemy(2, ENEMY_STRAIGHT, 130, 110);
        PutEnemy(4, ENEMY_DIAGONAL, 150, 140);
        PutShot(0, 160, 140);

        DrawScene(screen);

        EXPECT_EQ(std::tie(boss.hits, boss.active),
                  std::make_tuple(hitsBefore + 1, falls ? SLOT_FREE : SLOT_ACTIVE));
        EXPECT_EQ(CountActive(WorldState.enemies, MAX_ENEMIES), falls ? 0 : 1);
        const int firstEnemyExplosion = falls ? MAX_EXPLOSIONS - 1 : MAX_EXPLOSIONS;
        ExpectExplosionAt(firstEnemyExplosion, 130, 110);
        ExpectExplosionAt(firstEnemyExplosion - 1, 150, 140);
        EXPECT_EQ(WorldState.ShotX[0], 0);
        EXPECT_EQ(PixelAt(screen, 165, 145), SHOT_COLOUR);
        EXPECT_EQ(std::tie(GameState.score, GameState.bossPhase, GameState.level,
                           GameState.levelCountdown),
                  falls ? std::make_tuple(120, BOSS_DEFEATED, 2, 99)
                        : std::make_tuple(20, BOSS_ACTIVE, 1, 0));
    }
    ExpectExplosionAt(MAX_EXPLOSIONS, 100, 100);
}

// Whatever touches an active ship costs one of its three lives and flies on,
// and an explosion starts at the ship. A respawning ship blinks, drawn on even
// timer values, and nothing hurts it; a destroyed one is not drawn.
TEST_F(SceneTest, ShipHitsAndBlinking) {
    constexpr int X = SHIP_START_X;
    constexpr int Y = SHIP_START_Y;
    constexpr int ONLY_A_BULLET = -1;
    const struct {
        int kind, status, timer;
        bool hit, drawn;
    } cases[] = {
        {ENEMY_STRAIGHT, SHIP_ACTIVE, 0, true, false},
        {ENEMY_BOSS, SHIP_ACTIVE, 0, true, false},
        {ONLY_A_BULLET, SHIP_ACTIVE, 0, true, false},
        {ONLY_A_BULLET, SHIP_RESPAWNING, 2, false, true},
        {ENEMY_STRAIGHT, SHIP_RESPAWNING, 3, false, false},
        {ONLY_A_BULLET, SHIP_DESTROYED, 2, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        ResetWorld();
        ClearScreen(screen);
        WorldState.ship.status = c.status;
        WorldState.ship.timer = c.timer;
        WorldState.shipSprite.x = X;
        WorldState.shipSprite.y = Y;
        // An enemy and a bullet touch the ship (one hit counts), or a bullet alone.
        if (c.kind != ONLY_A_BULLET) {
            PutEnemy(3, c.kind, X + 10, Y + 10);
        }
        const EnemyBullet& bullet = PutBullet(0, X + 5, Y + 5);

        DrawScene(screen);

        const PlayerShip& ship = WorldState.ship;
        EXPECT_EQ(
            std::tie(ship.lives, ship.status, ship.timer),
            c.hit ? std::make_tuple(2, SHIP_DESTROYED, 30) : std::make_tuple(3, c.status, c.timer));
        if (c.hit) {
            ExpectExplosionAt(MAX_EXPLOSIONS, X, Y);
        } else {
            EXPECT_EQ(PixelAt(screen, X + 1, Y + 1), c.drawn ? SHIP_COLOUR : BLACK);
        }
        EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), c.hit ? 1 : 0);
        EXPECT_EQ(bullet.active, SLOT_ACTIVE);
        EXPECT_EQ(CountActive(WorldState.enemies, MAX_ENEMIES), c.kind == ONLY_A_BULLET ? 0 : 1);
    }
}

// Life icons stand at x 32, 54 and 76, the score at (530, 5), and the level
// caption shows on the even frames of the first hundred after a load.
TEST_F(SceneTest, HudShowsLivesScoreAndTheLevelCaptionOnEvenFrames) {
    constexpr SDL_Rect CAPTION = {310, 240, 40, 20};  // its first letters always cover this
    const std::string fontPath = std::string(KORVANE_DATA_DIR) + "/ariblk.ttf";
    GameState.font = TTF_OpenFont(fontPath.c_str(), 20);
    ASSERT_NE(GameState.font, nullptr) << fontPath;
    GameState.levelCountdown = 100;

    for (int frame = 1; frame <= 102; frame++) {
        ClearScreen(screen);
        DrawScene(screen);
        const bool shown = LitPixels(screen, CAPTION.x, CAPTION.y, CAPTION.w, CAPTION.h) > 0;
        EXPECT_EQ(shown, frame % 2 == 0 && frame <= 100) << "frame " << frame;
    }
    EXPECT_EQ(GameState.levelCountdown, 0);
    EXPECT_GT(LitPixels(screen, 530, 5, 20, 20), 0);
    EXPECT_EQ(LitPixels(screen, 520, 0, 10, 30), 0);
    for (int x : {32, 54, 76}) {
        EXPECT_EQ(LitPixels(screen, x, 5, TEST_LIFE_SIZE, TEST_LIFE_SIZE), 16 * 16) << x;
        EXPECT_EQ(PixelAt(screen, x + TEST_LIFE_SIZE, 5), BLACK) << x;
    }
    TTF_CloseFont(GameState.font);
    GameState.font = nullptr;

    ClearScreen(screen);
    WorldState.ship.lives = 0;
    DrawScene(screen);
    EXPECT_EQ(LitPixels(screen, 0, 0, 120, 25), 0);
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

// It stays where the enemy was when it started, whatever moves into that slot.
TEST_F(SceneTest, ExplosionShowsFramesOneToSixWhereTheEnemyWasThenFreesItsSlot) {
    PutEnemy(2, ENEMY_DIAGONAL, 100, 100);
    StartExplosion(2);
    PutEnemy(2, ENEMY_DIAGONAL, 400, 400);

    for (int frame = 1; frame <= 7; frame++) {
        ClearScreen(screen);
        DrawExplosions(screen);
        EXPECT_EQ(PixelAt(screen, 110, 110), frame <= 6 ? ExplosionColour(frame) : BLACK)
            << "frame " << frame;
        EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS].active,
                  frame < 6 ? SLOT_ACTIVE : SLOT_FREE);
    }
}
