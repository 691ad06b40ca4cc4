#include "world/update.h"

#include "shell/game_state.h"
#include "world/firing.h"
#include "world/world.h"

static constexpr int RESPAWN_FRAMES = 50;  // blinking, untouchable frames after a respawn

static constexpr int SHOT_SPEED = 10;
static constexpr int SHOT_TOP_LIMIT = 10;  // a shot that would reach this y is gone

static constexpr int STRAIGHT_FIRE_LINE = 240;  // a straight enemy fires once past this y
static constexpr int STRAIGHT_CLIMB_SPEED = -3;

static constexpr int BOSS_RIGHT_TURN = 500;
static constexpr int BOSS_LEFT_TURN = 20;
static constexpr int BOSS_FIRE_INTERVAL = 30;  // frames, counted from the world reset

// Enemies stay in play while FIELD_TOP <= y <= FIELD_BOTTOM; bullets until y passes the bottom.
static constexpr int FIELD_TOP = -50;
static constexpr int FIELD_BOTTOM = 480;

// Destroyed: count down, then respawn at the start (game over when no lives
// are left). Respawning: count down, then active. A ship that starts
// respawning in this call is not counted down until the next.
static void UpdateShip() {
    PlayerShip& ship = WorldState.ship;
    if (ship.status == SHIP_RESPAWNING) {
        const int t = ship.timer - 1;
        if (t <= 0) {
            ship.timer = 0;
            ship.status = SHIP_ACTIVE;
        } else {
            ship.timer = t;
        }
    }
    if (ship.status == SHIP_DESTROYED) {
        const int t = ship.timer - 1;
        if (t <= 0) {
            ship.timer = RESPAWN_FRAMES;
            if (ship.lives == 0) {
                GameState.mode = MODE_TITLE;
            }
            ship.status = SHIP_RESPAWNING;
            ship.y = SHIP_START_Y;
            ship.x = SHIP_START_X;
        } else {
            ship.timer = t;
        }
    }
}

// Shots fly straight up and vanish near the top edge.
static void UpdateShots() {
    for (int i = 0; i <= MAX_PLAYER_SHOTS; i++) {
        if (WorldState.ShotX[i] == 0) {
            continue;
        }
        const int y = WorldState.ShotY[i] - SHOT_SPEED;
        if (y <= SHOT_TOP_LIMIT) {
            WorldState.ShotX[i] = 0;
            WorldState.ShotY[i] = 0;
        } else {
            WorldState.ShotY[i] = y;
        }
    }
}

// A straight enemy that has fallen past the fire line fires once and climbs
// away; it counts as having fired even when no bullet slot was free.
static void TurnStraightEnemy(int i) {
    Enemy& enemy = WorldState.enemies[i];
    if (enemy.kind == ENEMY_STRAIGHT && enemy.hasFired == 0 && enemy.y > STRAIGHT_FIRE_LINE) {
        EnemyFire(i);
        enemy.dx = 0;
        enemy.hasFired = 1;
        enemy.dy = STRAIGHT_CLIMB_SPEED;
    }
}

// The boss patrols between its turning points and fires on a fixed cadence.
static void RunBoss(int i) {
    Enemy& boss = WorldState.enemies[i];
    if (boss.kind != ENEMY_BOSS) {
        return;
    }
    if (boss.x > BOSS_RIGHT_TURN) {
        boss.dx = -BOSS_SPEED;
    }
    if (boss.x < BOSS_LEFT_TURN) {
        boss.dx = BOSS_SPEED;
    }
    if (GameState.frameCounter % BOSS_FIRE_INTERVAL == 0) {
        EnemyFire(i);
    }
}

static void UpdateEnemies() {
    for (int i = 0; i <= MAX_ENEMIES; i++) {
        Enemy& enemy = WorldState.enemies[i];
        if (enemy.active != SLOT_ACTIVE) {
            continue;
        }
        enemy.x += enemy.dx;
        enemy.y += enemy.dy;
        TurnStraightEnemy(i);
        RunBoss(i);
        if (enemy.y < FIELD_TOP || enemy.y > FIELD_BOTTOM) {
            enemy.active = SLOT_FREE;
        }
    }
}

// Bullets are never bounded sideways; they fly until they pass the bottom.
static void UpdateBullets() {
    for (int i = 0; i <= MAX_ENEMY_BULLETS; i++) {
        EnemyBullet& bullet = WorldState.enemyBullets[i];
        if (bullet.active != SLOT_ACTIVE) {
            continue;
        }
        bullet.y += bullet.dy;
        bullet.x += bullet.dx;
        if (bullet.y > FIELD_BOTTOM) {
            bullet.active = SLOT_FREE;
        }
    }
}

void UpdateWorld() {
    UpdateShip();
    UpdateShots();
    UpdateEnemies();
    UpdateBullets();
}
