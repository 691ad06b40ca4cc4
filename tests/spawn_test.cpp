// Spawning enemies and the boss, and firing bullets and shots.
#include "world/spawn.h"

#include <cstdlib>
#include <cstring>

#include "world/update.h"
#include "world_fixture.h"

using SpawnTest = WorldTest;

constexpr int SPAWN_X_RANGE = 640;

// What SpawnEnemy must make of the first two rand() draws after srand(seed).
struct SpawnDraws {
    int x;
    int kind;
};

static SpawnDraws DrawsForSeed(unsigned seed) {
    srand(seed);
    const int r1 = rand();
    const int r2 = rand();
    return {r1 <= SPAWN_X_RANGE ? r1 : r1 % SPAWN_X_RANGE, r2 % 2};
}

// The first seed whose draws give an enemy of the given kind.
static unsigned SeedGivingKind(int kind) {
    unsigned seed = 1;
    while (DrawsForSeed(seed).kind != kind) {
        seed++;
    }
    return seed;
}

// Spawns into an empty table with rand seeded; returns the new enemy.
static const Enemy& SpawnWithSeed(unsigned seed) {
    for (Enemy& enemy : WorldState.enemies) {
        enemy.active = SLOT_FREE;
    }
    srand(seed);
    SpawnEnemy();
    return WorldState.enemies[MAX_ENEMIES];
}

static void FillShots() {
    for (int i = 0; i <= MAX_PLAYER_SHOTS; i++) {
        WorldState.ShotX[i] = 100 + i;
        WorldState.ShotY[i] = 200;
    }
}

static void PlaceShipSprite(int x, int y) {
    WorldState.shipSprite.x = x;
    WorldState.shipSprite.y = y;
}

TEST_F(SpawnTest, EnemyTakesTheHighestFreeSlot) {
    for (int i = 2; i <= MAX_ENEMIES; i++) {
        PutEnemy(i, ENEMY_DIAGONAL, 10 * i, 100);
    }

    SpawnEnemy();

    EXPECT_EQ(WorldState.enemies[1].active, SLOT_ACTIVE);
    EXPECT_EQ(WorldState.enemies[1].y, -30);
    EXPECT_EQ(WorldState.enemies[0].active, SLOT_FREE);
}

TEST_F(SpawnTest, EnemyWithEverySlotBusyChangesNothing) {
    for (int i = 0; i <= MAX_ENEMIES; i++) {
        PutEnemy(i, ENEMY_DIAGONAL, 10 * i, 100);
    }
    Enemy before[MAX_ENEMIES + 1];
    memcpy(before, WorldState.enemies, sizeof before);

    SpawnEnemy();

    EXPECT_EQ(memcmp(before, WorldState.enemies, sizeof before), 0);
}

TEST_F(SpawnTest, EnemyTakesXAndKindFromTwoRandDraws) {
    bool kindSeen[2] = {false, false};
    for (unsigned seed = 1; seed <= 40; seed++) {
        SCOPED_TRACE(seed);
        const SpawnDraws draws = DrawsForSeed(seed);
        WorldState.enemies[MAX_ENEMIES].hasFired = 1;
        WorldState.enemies[MAX_ENEMIES].frame = 3;

        const Enemy& enemy = SpawnWithSeed(seed);

        EXPECT_EQ(enemy.x, draws.x);
        EXPECT_EQ(enemy.kind, draws.kind);
        EXPECT_EQ(enemy.y, -30);
        EXPECT_EQ(enemy.dy, 5);
        EXPECT_EQ(enemy.hasFired, 0);
        EXPECT_EQ(enemy.frame, 0);
        if (enemy.kind == ENEMY_STRAIGHT) {
            EXPECT_EQ(enemy.dx, 0);
        }
        kindSeen[draws.kind] = true;
    }
    EXPECT_TRUE(kindSeen[ENEMY_STRAIGHT]);
    EXPECT_TRUE(kindSeen[ENEMY_DIAGONAL]);
}

TEST_F(SpawnTest, DiagonalEnemyHeadsRightUnlessItStartsRightOfTheShipSprite) {
    const unsigned seed = SeedGivingKind(ENEMY_DIAGONAL);
    const int x = DrawsForSeed(seed).x;
    WorldState.ship.x = x - 100;  // aiming reads shipSprite, not ship

    PlaceShipSprite(x, 400);
    EXPECT_EQ(SpawnWithSeed(seed).dx, 3);

    PlaceShipSprite(x - 1, 400);
    EXPECT_EQ(SpawnWithSeed(seed).dx, -3);
}

TEST_F(SpawnTest, EnemyBulletStartsBelowTheEnemyAndDriftsTowardTheShipSprite) {
    PutEnemy(2, ENEMY_STRAIGHT, 100, 50);
    WorldState.enemyBullets[MAX_ENEMY_BULLETS].frame = 1;
    WorldState.enemyBullets[MAX_ENEMY_BULLETS].ticks = 3;

    PlaceShipSprite(100, 400);
    EnemyFire(2);
    const EnemyBullet& first = WorldState.enemyBullets[MAX_ENEMY_BULLETS];
    EXPECT_EQ(first.active, SLOT_ACTIVE);
    EXPECT_EQ(first.x, 130);
    EXPECT_EQ(first.y, 70);
    EXPECT_EQ(first.dx, 3);
    EXPECT_EQ(first.dy, 3);
    EXPECT_EQ(first.frame, 0);
    EXPECT_EQ(first.ticks, 0);

    PlaceShipSprite(99, 400);
    EnemyFire(2);
    EXPECT_EQ(WorldState.enemyBullets[MAX_ENEMY_BULLETS - 1].dx, -3);
}

TEST_F(SpawnTest, PlayerShotStarts15PixelsAboveTheShipSprite) {
    WorldState.ship.x = 10;
    WorldState.ship.y = 20;
    PlaceShipSprite(320, 400);

    PlayerFire();

    EXPECT_EQ(WorldState.ShotX[MAX_PLAYER_SHOTS], 320);
    EXPECT_EQ(WorldState.ShotY[MAX_PLAYER_SHOTS], 385);
}

TEST_F(SpawnTest, PlayerFireWithEveryShotInFlightAddsNothing) {
    FillShots();
    int shotX[MAX_PLAYER_SHOTS + 1];
    int shotY[MAX_PLAYER_SHOTS + 1];
    memcpy(shotX, WorldState.ShotX, sizeof shotX);
    memcpy(shotY, WorldState.ShotY, sizeof shotY);

    PlayerFire();

    EXPECT_EQ(memcmp(shotX, WorldState.ShotX, sizeof shotX), 0);
    EXPECT_EQ(memcmp(shotY, WorldState.ShotY, sizeof shotY), 0);
}

TEST_F(SpawnTest, ShotFiredFromXZeroStaysFreeAndNeverMoves) {
    PlaceShipSprite(0, 400);
    PlayerFire();
    EXPECT_EQ(WorldState.ShotX[MAX_PLAYER_SHOTS], 0);
    EXPECT_EQ(WorldState.ShotY[MAX_PLAYER_SHOTS], 385);

    UpdateWorld();
    EXPECT_EQ(WorldState.ShotY[MAX_PLAYER_SHOTS], 385);

    PlaceShipSprite(50, 400);
    PlayerFire();
    EXPECT_EQ(WorldState.ShotX[MAX_PLAYER_SHOTS], 50);
}

TEST_F(SpawnTest, BossReplacesSlotOneWithoutExplosionOrScore) {
    PutEnemy(0, ENEMY_DIAGONAL, 30, 40, 3, 5);
    PutEnemy(BOSS_SLOT, ENEMY_STRAIGHT, 500, 300, 0, 5).hits = 7;
    PutEnemy(2, ENEMY_STRAIGHT, 70, 80, 0, 5).hasFired = 1;
    GameState.score = 50;
    Enemy before[MAX_ENEMIES + 1];
    memcpy(before, WorldState.enemies, sizeof before);

    SpawnBoss();

    const Enemy& boss = WorldState.enemies[BOSS_SLOT];
    EXPECT_EQ(boss.active, SLOT_ACTIVE);
    EXPECT_EQ(boss.kind, ENEMY_BOSS);
    EXPECT_EQ(boss.x, 260);
    EXPECT_EQ(boss.y, 100);
    EXPECT_EQ(boss.dy, 0);
    EXPECT_EQ(boss.hits, 0);
    EXPECT_EQ(boss.hasFired, 0);
    for (int i = 0; i <= MAX_ENEMIES; i++) {
        if (i != BOSS_SLOT) {
            EXPECT_EQ(memcmp(&before[i], &WorldState.enemies[i], sizeof(Enemy)), 0) << i;
        }
    }
    EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), 0);
    EXPECT_EQ(GameState.score, 50);
}

TEST_F(SpawnTest, BossHeadsRightUnlessItStartsRightOfTheShipSprite) {
    PlaceShipSprite(260, 400);
    SpawnBoss();
    EXPECT_EQ(WorldState.enemies[BOSS_SLOT].dx, 3);

    PlaceShipSprite(259, 400);
    SpawnBoss();
    EXPECT_EQ(WorldState.enemies[BOSS_SLOT].dx, -3);
}
