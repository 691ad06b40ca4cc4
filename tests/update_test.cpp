// One frame of world movement: the ship's status machine, shots, enemies and bullets.
#include "world/update.h"

#include <tuple>
#include <vector>

#include "world_fixture.h"

using UpdateTest = WorldTest;

constexpr int FALL = 5;    // an ordinary enemy's dy on the way down
constexpr int CLIMB = -3;  // a straight enemy's dy once it has fired
constexpr int DRIFT = 3;   // sideways speed of diagonal enemies, bullets and the boss

static void Update(int times) {
    for (int i = 0; i < times; i++) {
        UpdateWorld();
    }
}

// The bullet starts 30 right of and 20 below the enemy, drifting toward the
// ship sprite as seen from the enemy's x. Firing turns the enemy even when no
// bullet slot is free.
TEST_F(UpdateTest, OnlyAStraightEnemyFiresAndOnlyOnceItsNewYPasses240) {
    const Enemy& atLine = PutEnemy(2, ENEMY_STRAIGHT, 100, 235, 0, FALL);
    const Enemy& pastLine = PutEnemy(4, ENEMY_STRAIGHT, 300, 236, 0, FALL);
    PutEnemy(5, ENEMY_DIAGONAL, 400, 236, DRIFT, FALL);
    PutEnemy(6, ENEMY_STRAIGHT, 200, 236, 0, FALL).hasFired = 1;
    EnemyBullet& bullet = WorldState.enemyBullets[MAX_ENEMY_BULLETS];
    bullet.frame = 1;  // left over from an earlier bullet in this slot
    bullet.ticks = 3;
    WorldState.shipSprite.x = 300;

    UpdateWorld();

    EXPECT_EQ(std::tie(atLine.y, atLine.hasFired, atLine.dy), std::make_tuple(240, 0, FALL));
    EXPECT_EQ(std::tie(pastLine.y, pastLine.hasFired, pastLine.dy), std::make_tuple(241, 1, CLIMB));
    ASSERT_EQ(CountActive(WorldState.enemyBullets, MAX_ENEMY_BULLETS), 1);
    // Fired from (330, 261) and moved once in the same update.
    EXPECT_EQ(std::tie(bullet.x, bullet.y, bullet.frame, bullet.ticks),
              std::make_tuple(333, 264, 0, 0));

    for (int i = 0; i <= MAX_ENEMY_BULLETS; i++) {
        PutBullet(i, 0, 0);
    }
    const Enemy& unarmed = PutEnemy(3, ENEMY_STRAIGHT, 100, 236, 0, FALL);
    UpdateWorld();
    EXPECT_EQ(std::tie(unarmed.hasFired, unarmed.dy), std::make_tuple(1, CLIMB));
}

// Enemies stay in play from y -50 to 480, bullets until they pass 480 (never
// bounded sideways), and a shot vanishes on the update that would take it to y 10.
TEST_F(UpdateTest, ObjectsLeavePlayAtTheFieldEdges) {
    const struct {
        int y, dy;
        bool stays;
    } enemies[] = {{475, FALL, true}, {476, FALL, false}, {-47, CLIMB, true}, {-48, CLIMB, false}};
    for (int i = 0; i < 4; i++) {
        PutEnemy(i, ENEMY_DIAGONAL, 100, enemies[i].y, DRIFT, enemies[i].dy);
    }
    const EnemyBullet& atBottom = PutBullet(0, 100, 477, DRIFT, DRIFT);
    const EnemyBullet& pastBottom = PutBullet(1, 100, 478, DRIFT, DRIFT);
    const EnemyBullet& offLeft = PutBullet(2, -500, 100, -DRIFT, DRIFT);
    PutShot(0, 100, 20);
    PutShot(1, 100, 21);

    UpdateWorld();

    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(WorldState.enemies[i].active == SLOT_ACTIVE, enemies[i].stays) << enemies[i].y;
    }
    EXPECT_EQ(std::tie(atBottom.active, atBottom.y), std::make_tuple(SLOT_ACTIVE, 480));
    EXPECT_EQ(pastBottom.active, SLOT_FREE);
    EXPECT_EQ(std::tie(offLeft.active, offLeft.x), std::make_tuple(SLOT_ACTIVE, -503));
    EXPECT_EQ(std::tie(WorldState.ShotX[0], WorldState.ShotY[0]), std::make_tuple(0, 0));
    EXPECT_EQ(std::tie(WorldState.ShotX[1], WorldState.ShotY[1]), std::make_tuple(100, 11));
}

TEST_F(UpdateTest, BossTurnsOnlyWhenPastX500OrX20) {
    GameState.frameCounter = 1;
    const Enemy& past500 = PutEnemy(0, ENEMY_BOSS, 498, 100, DRIFT);
    const Enemy& at500 = PutEnemy(1, ENEMY_BOSS, 497, 100, DRIFT);
    const Enemy& past20 = PutEnemy(2, ENEMY_BOSS, 22, 100, -DRIFT);
    const Enemy& at20 = PutEnemy(3, ENEMY_BOSS, 23, 100, -DRIFT);

    UpdateWorld();

    EXPECT_EQ(std::tie(past500.x, past500.y, past500.dx), std::make_tuple(501, 100, -DRIFT));
    EXPECT_EQ(std::tie(at500.x, at500.dx), std::make_tuple(500, DRIFT));
    EXPECT_EQ(std::tie(past20.x, past20.dx), std::make_tuple(19, DRIFT));
    EXPECT_EQ(std::tie(at20.x, at20.dx), std::make_tuple(20, -DRIFT));
}

TEST_F(UpdateTest, BossFiresOnFramesThatAreMultiplesOf30FromTheReset) {
    // The boss arrives 20 frames past a multiple of 30: its first shot is 10 frames later.
    PutEnemy(BOSS_SLOT, ENEMY_BOSS, 260, 100, DRIFT);
    std::vector<int> firingFrames;
    for (int frame = 21; frame <= 95; frame++) {
        GameState.frameCounter = frame;
        const int before = CountActive(WorldState.enemyBullets, MAX_ENEMY_BULLETS);
        UpdateWorld();
        if (CountActive(WorldState.enemyBullets, MAX_ENEMY_BULLETS) > before) {
            firingFrames.push_back(frame);
        }
    }
    EXPECT_EQ(firingFrames, (std::vector<int>{30, 60, 90}));
}

TEST_F(UpdateTest, DestroyedShipRespawnsOnThe30thUpdateOrEndsTheGameWithoutLives) {
    const PlayerShip& ship = WorldState.ship;
    for (int lives : {0, 2}) {
        SCOPED_TRACE(lives);
        GameState.mode = MODE_PLAY;
        WorldState.ship = {SHIP_DESTROYED, 10, 20, lives, 30};

        Update(29);
        EXPECT_EQ(std::tie(ship.status, ship.x), std::make_tuple(SHIP_DESTROYED, 10));
        EXPECT_EQ(GameState.mode, MODE_PLAY);

        UpdateWorld();
        EXPECT_EQ(std::tie(ship.status, ship.timer, ship.x, ship.y),
                  std::make_tuple(SHIP_RESPAWNING, 50, SHIP_START_X, SHIP_START_Y));
        EXPECT_EQ(GameState.mode, lives > 0 ? MODE_PLAY : MODE_TITLE);
    }
    Update(50 - 1);
    EXPECT_EQ(ship.status, SHIP_RESPAWNING);

    UpdateWorld();
    EXPECT_EQ(std::tie(ship.status, ship.timer, ship.lives), std::make_tuple(SHIP_ACTIVE, 0, 2));
}
