// One frame of world movement: the ship's status machine, shots, enemies and bullets.
#include "world/update.h"

#include <vector>

#include "world_fixture.h"

using UpdateTest = WorldTest;

constexpr int RESPAWNING_UPDATES = 50;
constexpr int ENEMY_ENTRY_Y = -30;
constexpr int FALL_SPEED = 5;
constexpr int DRIFT_SPEED = 3;

// Runs UpdateWorld until done() holds and returns the number of calls made,
// giving up after a generous bound.
template <typename Done>
static int UpdatesUntil(Done done) {
    constexpr int giveUp = 1000;
    int calls = 0;
    while (!done() && calls < giveUp) {
        UpdateWorld();
        calls++;
    }
    return calls;
}

// Destroys the ship as a hit would, away from its start position.
static void DestroyShip(int lives) {
    WorldState.ship = {SHIP_DESTROYED, 10, 20, lives, DESTROYED_FRAMES};
}

TEST_F(UpdateTest, ShotVanishesOnTheUpdateThatWouldTakeItToYTen) {
    WorldState.ShotX[0] = 100;
    WorldState.ShotY[0] = 20;
    WorldState.ShotX[1] = 200;
    WorldState.ShotY[1] = 21;

    UpdateWorld();
    EXPECT_EQ(WorldState.ShotX[0], 0);
    EXPECT_EQ(WorldState.ShotY[0], 0);
    EXPECT_EQ(WorldState.ShotX[1], 200);
    EXPECT_EQ(WorldState.ShotY[1], 11);

    UpdateWorld();
    EXPECT_EQ(WorldState.ShotX[1], 0);
    EXPECT_EQ(WorldState.ShotY[1], 0);
}

TEST_F(UpdateTest, StraightEnemyFiresOnceItsNewYPasses240) {
    const Enemy& atLine = PutEnemy(2, ENEMY_STRAIGHT, 100, 235, 0, FALL_SPEED);
    const Enemy& pastLine = PutEnemy(4, ENEMY_STRAIGHT, 300, 236, 0, FALL_SPEED);
    WorldState.shipSprite.x = 500;

    UpdateWorld();

    EXPECT_EQ(atLine.y, 240);
    EXPECT_EQ(atLine.hasFired, 0);
    EXPECT_EQ(atLine.dy, FALL_SPEED);
    EXPECT_EQ(pastLine.y, 241);
    EXPECT_EQ(pastLine.hasFired, 1);
    EXPECT_EQ(pastLine.dx, 0);
    EXPECT_EQ(pastLine.dy, -3);
    ASSERT_EQ(CountActive(WorldState.enemyBullets, MAX_ENEMY_BULLETS), 1);
    // Fired from (330, 261) and moved once in the same update.
    const EnemyBullet& bullet = WorldState.enemyBullets[MAX_ENEMY_BULLETS];
    EXPECT_EQ(bullet.x, 333);
    EXPECT_EQ(bullet.y, 264);
}

TEST_F(UpdateTest, StraightEnemyWithNoFreeBulletSlotStillTurnsAndNeverFires) {
    FillBullets();
    const Enemy& enemy = PutEnemy(3, ENEMY_STRAIGHT, 100, 236, 0, FALL_SPEED);

    UpdateWorld();
    EXPECT_EQ(enemy.hasFired, 1);
    EXPECT_EQ(enemy.dy, -3);

    for (EnemyBullet& bullet : WorldState.enemyBullets) {
        bullet.active = SLOT_FREE;
    }
    UpdatesUntil([&] { return enemy.active == SLOT_FREE; });
    EXPECT_EQ(CountActive(WorldState.enemyBullets, MAX_ENEMY_BULLETS), 0);
}

TEST_F(UpdateTest, EnemyStaysInPlayFromYMinus50To480) {
    const Enemy& bottomEdge = PutEnemy(0, ENEMY_DIAGONAL, 100, 475, DRIFT_SPEED, FALL_SPEED);
    const Enemy& pastBottom = PutEnemy(1, ENEMY_DIAGONAL, 100, 476, DRIFT_SPEED, FALL_SPEED);
    const Enemy& topEdge = PutEnemy(2, ENEMY_DIAGONAL, 100, -47, DRIFT_SPEED, -3);
    const Enemy& pastTop = PutEnemy(3, ENEMY_DIAGONAL, 100, -48, DRIFT_SPEED, -3);

    UpdateWorld();

    EXPECT_EQ(bottomEdge.active, SLOT_ACTIVE);
    EXPECT_EQ(pastBottom.active, SLOT_FREE);
    EXPECT_EQ(topEdge.active, SLOT_ACTIVE);
    EXPECT_EQ(pastTop.active, SLOT_FREE);
}

TEST_F(UpdateTest, BulletLeavesOnlyPastY480WhateverItsX) {
    const EnemyBullet& atBottom = PutBullet(0, 100, 477, DRIFT_SPEED, DRIFT_SPEED);
    const EnemyBullet& pastBottom = PutBullet(1, 100, 478, DRIFT_SPEED, DRIFT_SPEED);
    const EnemyBullet& offLeft = PutBullet(2, -500, 100, -DRIFT_SPEED, DRIFT_SPEED);

    UpdateWorld();

    EXPECT_EQ(atBottom.active, SLOT_ACTIVE);
    EXPECT_EQ(atBottom.y, 480);
    EXPECT_EQ(pastBottom.active, SLOT_FREE);
    EXPECT_EQ(offLeft.active, SLOT_ACTIVE);
    EXPECT_EQ(offLeft.x, -503);
}

TEST_F(UpdateTest, BossTurnsOnlyWhenPastX500OrX20) {
    GameState.frameCounter = 1;
    const Enemy& past500 = PutEnemy(0, ENEMY_BOSS, 498, 100, 3);
    const Enemy& at500 = PutEnemy(1, ENEMY_BOSS, 497, 100, 3);
    const Enemy& past20 = PutEnemy(2, ENEMY_BOSS, 22, 100, -3);
    const Enemy& at20 = PutEnemy(3, ENEMY_BOSS, 23, 100, -3);

    UpdateWorld();

    EXPECT_EQ(past500.dx, -3);
    EXPECT_EQ(at500.x, 500);
    EXPECT_EQ(at500.dx, 3);
    EXPECT_EQ(past20.dx, 3);
    EXPECT_EQ(at20.x, 20);
    EXPECT_EQ(at20.dx, -3);
    EXPECT_EQ(past500.y, 100);
}

TEST_F(UpdateTest, BossFiresOnFramesThatAreMultiplesOf30FromTheReset) {
    // The boss arrives 20 frames past a multiple of 30: its first shot is 10 frames later.
    PutEnemy(1, ENEMY_BOSS, 260, 100, 3);
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

TEST_F(UpdateTest, DestroyedShipRespawnsOnThe30thUpdateAndIsActiveAfter50More) {
    DestroyShip(2);
    PlayerShip& ship = WorldState.ship;

    for (int i = 1; i < DESTROYED_FRAMES; i++) {
        UpdateWorld();
    }
    EXPECT_EQ(ship.status, SHIP_DESTROYED);
    EXPECT_EQ(ship.x, 10);

    UpdateWorld();
    EXPECT_EQ(ship.status, SHIP_RESPAWNING);
    EXPECT_EQ(ship.timer, RESPAWNING_UPDATES);
    EXPECT_EQ(ship.x, SHIP_START_X);
    EXPECT_EQ(ship.y, SHIP_START_Y);

    for (int i = 1; i < RESPAWNING_UPDATES; i++) {
        UpdateWorld();
    }
    EXPECT_EQ(ship.status, SHIP_RESPAWNING);

    UpdateWorld();
    EXPECT_EQ(ship.status, SHIP_ACTIVE);
    EXPECT_EQ(ship.timer, 0);
    EXPECT_EQ(ship.lives, 2);
}

TEST_F(UpdateTest, LastLifeEndsTheGameOnThe30thUpdateWithTheShipRespawned) {
    GameState.mode = MODE_PLAY;
    DestroyShip(0);

    for (int i = 1; i < DESTROYED_FRAMES; i++) {
        UpdateWorld();
    }
    EXPECT_EQ(GameState.mode, MODE_PLAY);

    UpdateWorld();
    EXPECT_EQ(GameState.mode, MODE_TITLE);
    EXPECT_EQ(WorldState.ship.status, SHIP_RESPAWNING);
    EXPECT_EQ(WorldState.ship.x, SHIP_START_X);
    EXPECT_EQ(WorldState.ship.y, SHIP_START_Y);
}

TEST_F(UpdateTest, RespawningShipWithTimerOneBecomesActiveWithTimerZero) {
    WorldState.ship.status = SHIP_RESPAWNING;
    WorldState.ship.timer = 1;

    UpdateWorld();

    EXPECT_EQ(WorldState.ship.status, SHIP_ACTIVE);
    EXPECT_EQ(WorldState.ship.timer, 0);
}

TEST_F(UpdateTest, StraightEnemyFiresOnMove55AndLeaves99MovesLater) {
    const Enemy& enemy = PutEnemy(0, ENEMY_STRAIGHT, 100, ENEMY_ENTRY_Y, 0, FALL_SPEED);

    EXPECT_EQ(UpdatesUntil([&] { return enemy.hasFired == 1; }), 55);
    EXPECT_EQ(enemy.y, 245);

    EXPECT_EQ(UpdatesUntil([&] { return enemy.active == SLOT_FREE; }), 99);
    EXPECT_EQ(enemy.y, -52);
    EXPECT_EQ(enemy.x, 100);
}

TEST_F(UpdateTest, DiagonalEnemyLeavesOnMove103After309PixelsOfDrift) {
    const Enemy& enemy = PutEnemy(0, ENEMY_DIAGONAL, 100, ENEMY_ENTRY_Y, DRIFT_SPEED, FALL_SPEED);

    EXPECT_EQ(UpdatesUntil([&] { return enemy.active == SLOT_FREE; }), 103);
    EXPECT_EQ(enemy.y, 485);
    EXPECT_EQ(enemy.x, 100 + 309);
    EXPECT_EQ(CountActive(WorldState.enemyBullets, MAX_ENEMY_BULLETS), 0);
}
