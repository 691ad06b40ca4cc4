#include "world/spawn.h"

#include <cstdlib>

#include "shell/assets.h"
#include "shell/game_state.h"
#include "world/world.h"

static constexpr int ENEMY_START_Y = -30;  // new enemies enter from just above the screen
static constexpr int ENEMY_FALL_SPEED = 5;
static constexpr int ENEMY_DRIFT_SPEED = 3;
static constexpr int SPAWN_X_RANGE = 640;   // a draw above this wraps modulo the screen width
static constexpr int ENEMY_KIND_COUNT = 2;  // ENEMY_STRAIGHT or ENEMY_DIAGONAL

static constexpr int BOSS_SLOT = 1;
static constexpr int BOSS_Y = 100;
static constexpr int BOSS_SPEED = 3;
// The boss enters centred on the screen so the player sees it at once.
static constexpr int BOSS_START_X = 260;

static constexpr int BULLET_SPEED = 3;
static constexpr int BULLET_OFFSET_X = 30;  // bullets leave from the enemy's belly
static constexpr int BULLET_OFFSET_Y = 20;

static constexpr int SHOT_OFFSET_Y = 15;  // a shot starts this far above the ship's top edge

// Moving toward the player: +speed when x is at or left of the player, else -speed.
static int TowardPlayer(int x, int speed) {
    return x > WorldState.shipSprite.x ? -speed : speed;
}

void SpawnEnemy() {
    const int slot = FindFreeSlot(WorldState.enemies, MAX_ENEMIES);
    if (slot == NO_SLOT) {
        return;
    }
    Enemy& enemy = WorldState.enemies[slot];
    enemy.active = SLOT_ACTIVE;
    enemy.frame = 0;
    const int r1 = rand();
    enemy.x = r1 <= SPAWN_X_RANGE ? r1 : r1 % SPAWN_X_RANGE;
    enemy.kind = rand() % ENEMY_KIND_COUNT;
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

void EnemyFire(int enemyIndex) {
    const int slot = FindFreeSlot(WorldState.enemyBullets, MAX_ENEMY_BULLETS);
    if (slot == NO_SLOT) {
        return;
    }
    const Enemy& enemy = WorldState.enemies[enemyIndex];
    EnemyBullet& bullet = WorldState.enemyBullets[slot];
    bullet.active = SLOT_ACTIVE;
    bullet.dx = TowardPlayer(enemy.x, BULLET_SPEED);
    bullet.dy = BULLET_SPEED;
    bullet.x = enemy.x + BULLET_OFFSET_X;
    bullet.y = enemy.y + BULLET_OFFSET_Y;
    bullet.frame = 0;
    bullet.ticks = 0;
}

// The free shot slot with the highest index (x 0 marks it free), or NO_SLOT.
static int FindFreeShot() {
    int found = NO_SLOT;
    for (int i = 0; i <= MAX_PLAYER_SHOTS; i++) {
        if (WorldState.ShotX[i] == 0) {
            found = i;
        }
    }
    return found;
}

void PlayerFire() {
    const int slot = FindFreeShot();
    if (slot != NO_SLOT) {
        WorldState.ShotX[slot] = WorldState.shipSprite.x;
        WorldState.ShotY[slot] = WorldState.shipSprite.y - SHOT_OFFSET_Y;
    }
    PlaySound(GameState.shotSound);
}
