// Spawning enemies and the boss, and firing bullets and shots.
#include "world/spawn.h"

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

// A silent sound in the mixer's format, kept for the whole test program.
static Mix_Chunk* SilentChunk() {
    static Uint8 silence[MIX_DEFAULT_FREQUENCY * 2];
    static Mix_Chunk* chunk = Mix_QuickLoad_RAW(silence, sizeof silence);
    return chunk;
}

static void PlaceShipSprite(int x) {
    WorldState.shipSprite.x = x;
    WorldState.shipSprite.y = 400;
}

// Draws fed to SpawnEnemy through its random seam, in order.
static const int* nextDraw = nullptr;
static int FedDraw() {
    return *nextDraw++;
}

// An enemy takes the highest free slot. x is the first draw up to 640 and
// wraps above it; the kind is the second draw's parity. A diagonal enemy heads
// toward the ship sprite's x (right when level with it).
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

// A shot fired from x 0 leaves its slot looking free: it never moves and the
// next shot takes the slot.
TEST_F(SpawnTest, PlayerShotStarts15PixelsAboveTheShipSprite) {
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
    EXPECT_EQ(std::count(WorldState.ShotX, WorldState.ShotX + SHOT_SLOTS, 320), SHOT_SLOTS);
}

TEST_F(SpawnTest, BossReplacesSlotOneWithoutExplosionOrScore) {
    // A fired, hit enemy in the boss's slot.
    WorldState.enemies[BOSS_SLOT] = Enemy{SLOT_ACTIVE, 500, 300, 0, 5, ENEMY_STRAIGHT, 1, 7, 0};
    PlaceShipSprite(260);

    SpawnBoss();

    const Enemy& boss = WorldState.enemies[BOSS_SLOT];
    EXPECT_EQ(std::tie(boss.active, boss.kind, boss.x, boss.y, boss.dx, boss.dy, boss.hasFired,
                       boss.hits),
              std::make_tuple(SLOT_ACTIVE, ENEMY_BOSS, 260, 100, 3, 0, 0, 0));
    EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), 0);
    EXPECT_EQ(GameState.score, 0);
}

// A shot or explosion with no free slot is dropped, but its sound is still
// asked for, each sound on a channel of its own.
TEST_F(SpawnTest, FullTablesDropShotsAndExplosionsButStillPlayTheirSounds) {
    GameState.shotSound = SilentChunk();
    GameState.explosionSound = SilentChunk();
    PlaceShipSprite(320);
    std::fill(std::begin(WorldState.ShotX), std::end(WorldState.ShotX), 1);
    for (Explosion& explosion : WorldState.explosions) {
        explosion = Explosion{SLOT_ACTIVE, 10, 10, 3};
    }
    Mix_HaltChannel(-1);

    PlayerFire();
    EXPECT_EQ(Mix_Playing(-1), 1) << "the shot sound";
    StartExplosion(EXPLODE_PLAYER);
    EXPECT_EQ(Mix_Playing(-1), 2) << "the explosion sound";

    Mix_HaltChannel(-1);
    EXPECT_EQ(std::count(WorldState.ShotX, WorldState.ShotX + SHOT_SLOTS, 1), SHOT_SLOTS);
    for (const Explosion& explosion : WorldState.explosions) {
        EXPECT_EQ(std::tie(explosion.x, explosion.y, explosion.frame), std::make_tuple(10, 10, 3));
    }
}
