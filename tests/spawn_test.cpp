// Spawning enemies and the boss, and firing bullets and shots.
#include "world/spawn.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "world/explosions.h"
#include "world/firing.h"
#include "world/update.h"
#include "world_fixture.h"

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

// Draws fed to SpawnEnemy through its random seam, in order.
static const int* nextDraw = nullptr;
static int FedDraw() {
    return *nextDraw++;
}

// x is the first draw up to 640 and wraps above it; the kind is the second
// draw's parity. A diagonal enemy heads toward the ship sprite's x (right when
// level with it).
TEST_F(SpawnTest, EnemyTakesXAndKindFromTwoDrawsAndHeadsTowardTheShipSprite) {
    const struct {
        int draws[2];
        int shipX, x, kind, dx;
    } cases[] = {
        {{0, 2}, 0, 0, ENEMY_STRAIGHT, 0},       {{639, 4}, 0, 639, ENEMY_STRAIGHT, 0},
        {{640, 1}, 640, 640, ENEMY_DIAGONAL, 3}, {{640, 3}, 639, 640, ENEMY_DIAGONAL, -3},
        {{641, 1}, 300, 1, ENEMY_DIAGONAL, 3},   {{1280, 1}, 0, 0, ENEMY_DIAGONAL, 3},
        {{1281, 0}, 0, 1, ENEMY_STRAIGHT, 0},    {{RAND_MAX, 1}, 0, 127, ENEMY_DIAGONAL, -3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "draws " << c.draws[0] << ", " << c.draws[1]);
        ResetWorld();
        PlaceShipSprite(c.shipX);
        WorldState.enemies[MAX_ENEMIES].hasFired = 1;
        nextDraw = c.draws;
        RandomDraw = FedDraw;

        SpawnEnemy();
        RandomDraw = rand;

        const Enemy& enemy = WorldState.enemies[MAX_ENEMIES];
        EXPECT_EQ(nextDraw, c.draws + 2);
        EXPECT_EQ(std::tie(enemy.x, enemy.y, enemy.kind, enemy.dx, enemy.dy, enemy.hasFired),
                  std::make_tuple(c.x, -30, c.kind, c.dx, 5, 0));
    }
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

// A shot fired from x 0 leaves its slot looking free: it never moves and the
// next shot takes the slot.
TEST_F(SpawnTest, PlayerShotStarts15PixelsAboveTheShipSpriteWhileASlotIsFree) {
    WorldState.ship.x = 10;
    WorldState.ship.y = 20;
    PlaceShipSprite(0);
    PlayerFire();
    UpdateWorld();
    EXPECT_EQ(std::tie(WorldState.ShotX[MAX_PLAYER_SHOTS], WorldState.ShotY[MAX_PLAYER_SHOTS]),
              std::make_tuple(0, 385));

    PlaceShipSprite(320);
    for (int i = 0; i < SHOT_SLOTS; i++) {
        PlayerFire();
    }
    EXPECT_EQ(std::tie(WorldState.ShotX[MAX_PLAYER_SHOTS], WorldState.ShotY[MAX_PLAYER_SHOTS]),
              std::make_tuple(320, 385));
    PlaceShipSprite(50);
    PlayerFire();
    EXPECT_EQ(std::count(WorldState.ShotX, WorldState.ShotX + SHOT_SLOTS, 320), SHOT_SLOTS);
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

// The sound is asked for on every shot and explosion, even when the table has
// no room left for what it would show.
TEST_F(SpawnTest, ShotAndExplosionSoundsPlayEvenWhenTheirTableIsFull) {
    GameState.shotSound = SilentChunk();
    GameState.explosionSound = SilentChunk();
    PlaceShipSprite(320);
    std::fill(std::begin(WorldState.ShotX), std::end(WorldState.ShotX), 1);
    for (Explosion& explosion : WorldState.explosions) {
        explosion.active = SLOT_ACTIVE;
    }
    const struct {
        const char* what;
        void (*act)();
    } cases[] = {{"shot", PlayerFire}, {"explosion", [] { StartExplosion(EXPLODE_PLAYER); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Mix_HaltChannel(-1);
        c.act();
        EXPECT_GT(Mix_Playing(-1), 0);
    }
    Mix_HaltChannel(-1);
}
