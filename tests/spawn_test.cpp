// Spawning enemies and the boss, and firing bullets and shots.
#include "world/firing.h"
#include "world/spawn.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "world/update.h"
#include "world_fixture.h"

constexpr int SPAWN_X_RANGE = 640;
constexpr int SHOT_SLOTS = MAX_PLAYER_SHOTS + 1;

using SpawnTest = WorldTest;

static void PlaceShipSprite(int x) {
    WorldState.shipSprite.x = x;
    WorldState.shipSprite.y = 400;
}

TEST_F(SpawnTest, EnemyTakesTheHighestFreeSlotAndNothingWhenAllAreBusy) {
    for (int i = 2; i <= MAX_ENEMIES; i++) {
        PutEnemy(i, ENEMY_DIAGONAL, 10 * i, 100);
    }
    SpawnEnemy();
    EXPECT_EQ(std::tie(WorldState.enemies[1].active, WorldState.enemies[1].y),
              std::make_tuple(SLOT_ACTIVE, -30));
    EXPECT_EQ(WorldState.enemies[0].active, SLOT_FREE);

    PutEnemy(0, ENEMY_STRAIGHT, 0, 100);
    Enemy before[MAX_ENEMIES + 1];
    memcpy(before, WorldState.enemies, sizeof before);
    SpawnEnemy();
    EXPECT_EQ(memcmp(before, WorldState.enemies, sizeof before), 0);
}

// x is the first draw when it is at most 640 and wraps otherwise (641 gives 1,
// 1280 gives 0); the kind is the second draw's parity. A diagonal enemy at the
// ship sprite's x heads right; one pixel right of it, left.
TEST_F(SpawnTest, EnemyTakesXAndKindFromTwoRandDrawsAndHeadsTowardTheShipSprite) {
    bool kindSeen[2] = {false, false};
    for (unsigned seed = 1; seed <= 40; seed++) {
        SCOPED_TRACE(seed);
        srand(seed);
        const int r1 = rand();
        const int kind = rand() % 2;
        const int x = r1 <= SPAWN_X_RANGE ? r1 : r1 % SPAWN_X_RANGE;
        const bool rightOfShip = seed % 2 == 1;
        PlaceShipSprite(x - (rightOfShip ? 1 : 0));
        ResetWorld();
        WorldState.enemies[MAX_ENEMIES].hasFired = 1;

        srand(seed);
        SpawnEnemy();

        const Enemy& enemy = WorldState.enemies[MAX_ENEMIES];
        const int dx = kind == ENEMY_STRAIGHT ? 0 : rightOfShip ? -3 : 3;
        EXPECT_EQ(std::tie(enemy.x, enemy.y, enemy.kind, enemy.dx, enemy.dy, enemy.hasFired),
                  std::make_tuple(x, -30, kind, dx, 5, 0));
        kindSeen[kind] = true;
    }
    EXPECT_TRUE(kindSeen[ENEMY_STRAIGHT] && kindSeen[ENEMY_DIAGONAL]);
}

TEST_F(SpawnTest, EnemyBulletStartsBelowTheEnemyAndDriftsTowardTheShipSprite) {
    PutEnemy(2, ENEMY_STRAIGHT, 100, 50);
    EnemyBullet& bullet = WorldState.enemyBullets[MAX_ENEMY_BULLETS];
    bullet.frame = 1;  // left over from an earlier bullet in this slot
    bullet.ticks = 3;

    PlaceShipSprite(100);
    EnemyFire(2);
    EXPECT_EQ(std::tie(bullet.active, bullet.x, bullet.y, bullet.dx, bullet.dy, bullet.frame,
                       bullet.ticks),
              std::make_tuple(SLOT_ACTIVE, 130, 70, 3, 3, 0, 0));

    PlaceShipSprite(99);
    EnemyFire(2);
    EXPECT_EQ(WorldState.enemyBullets[MAX_ENEMY_BULLETS - 1].dx, -3);
}

TEST_F(SpawnTest, PlayerShotStarts15PixelsAboveTheShipSpriteWhileASlotIsFree) {
    WorldState.ship.x = 10;
    WorldState.ship.y = 20;
    PlaceShipSprite(320);
    PlayerFire();
    EXPECT_EQ(std::tie(WorldState.ShotX[MAX_PLAYER_SHOTS], WorldState.ShotY[MAX_PLAYER_SHOTS]),
              std::make_tuple(320, 385));

    for (int i = 1; i < SHOT_SLOTS; i++) {
        PlayerFire();
    }
    PlaceShipSprite(50);
    PlayerFire();
    EXPECT_EQ(std::count(WorldState.ShotX, WorldState.ShotX + SHOT_SLOTS, 320), SHOT_SLOTS);
}

TEST_F(SpawnTest, ShotFiredFromXZeroStaysFreeAndNeverMoves) {
    PlaceShipSprite(0);
    PlayerFire();
    UpdateWorld();
    EXPECT_EQ(std::tie(WorldState.ShotX[MAX_PLAYER_SHOTS], WorldState.ShotY[MAX_PLAYER_SHOTS]),
              std::make_tuple(0, 385));

    PlaceShipSprite(50);
    PlayerFire();
    EXPECT_EQ(WorldState.ShotX[MAX_PLAYER_SHOTS], 50);
}

TEST_F(SpawnTest, BossReplacesSlotOneWithoutExplosionOrScoreAndHeadsTowardTheShipSprite) {
    PutEnemy(0, ENEMY_DIAGONAL, 30, 40, 3, 5);
    PutEnemy(BOSS_SLOT, ENEMY_STRAIGHT, 500, 300, 0, 5).hits = 7;
    PutEnemy(2, ENEMY_STRAIGHT, 70, 80, 0, 5).hasFired = 1;
    GameState.score = 50;
    Enemy before[MAX_ENEMIES + 1];
    memcpy(before, WorldState.enemies, sizeof before);
    PlaceShipSprite(260);

    SpawnBoss();

    const Enemy& boss = WorldState.enemies[BOSS_SLOT];
    EXPECT_EQ(std::tie(boss.active, boss.kind, boss.x, boss.y, boss.dx, boss.dy, boss.hits,
                       boss.hasFired),
              std::make_tuple(SLOT_ACTIVE, ENEMY_BOSS, 260, 100, 3, 0, 0, 0));
    before[BOSS_SLOT] = boss;
    EXPECT_EQ(memcmp(before, WorldState.enemies, sizeof before), 0);
    EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), 0);
    EXPECT_EQ(GameState.score, 50);

    PlaceShipSprite(259);
    SpawnBoss();
    EXPECT_EQ(boss.dx, -3);
}
