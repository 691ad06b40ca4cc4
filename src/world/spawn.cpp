#include "world/spawn.h"

#include <cstdlib>

#include "world/world.h"

static constexpr int ENEMY_START_Y = -30;  // new enemies enter from just above the screen
static constexpr int ENEMY_FALL_SPEED = 5;
static constexpr int ENEMY_DRIFT_SPEED = 3;
static constexpr int SPAWN_X_RANGE = 640;   // a draw above this wraps modulo the screen width
static constexpr int ENEMY_KIND_COUNT = 2;  // ENEMY_STRAIGHT or ENEMY_DIAGONAL

static constexpr int BOSS_Y = 100;
// The boss enters centred on the screen so the player sees it at once.
static constexpr int BOSS_START_X = 260;

int (*RandomDraw)() = rand;

void SpawnEnemy() {
    const int slot = FindFreeSlot(WorldState.enemies, MAX_ENEMIES);
    if (slot == NO_SLOT) {
        return;
    }
    Enemy& enemy = WorldState.enemies[slot];
    enemy.active = SLOT_ACTIVE;
    enemy.frame = 0;
    const int r1 = RandomDraw();
    enemy.x = r1 <= SPAWN_X_RANGE ? r1 : r1 % SPAWN_X_RANGE;
    enemy.kind = RandomDraw() % ENEMY_KIND_COUNT;
    enemy.hasFired = 0;
    enemy.y = ENEMY_START_Y;
    enemy.dy = ENEMY_FALL_SPEED;
    enemy.dx = enemy.kind == ENEMY_STRAIGHT ? 0 : TowardPlayer(enemy.x, ENEMY_DRIFT_SPEED);
}

void SpawnBoss() {
    Enemy& boss = WorldState.enemies[BOSS_SLOT];
    boss.active = SLOT_ACTIVE;
    boss.y = BOSS_Y;
    boss.kind = ENEMY_BOSS;
    boss.x = BOSS_START_X;
    boss.dx = TowardPlayer(boss.x, BOSS_SPEED);
    boss.hits = 0;
    boss.dy = 0;
    boss.hasFired = 0;
}
