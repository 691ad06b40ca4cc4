#include "world/firing.h"

#include "shell/assets.h"
#include "shell/game_state.h"
#include "world/world.h"

static constexpr int BULLET_SPEED = 3;
static constexpr int BULLET_OFFSET_X = 30;  // bullets leave from the enemy's belly
static constexpr int BULLET_OFFSET_Y = 20;

static constexpr int SHOT_OFFSET_Y = 15;  // a shot starts this far above the ship's top edge

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
