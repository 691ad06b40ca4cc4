// The busiest play frame the game can draw: every enemy, bullet, shot and
// explosion slot in play, the boss in its slot and the level caption showing.
// Built for the frame-cost benchmark.
#pragma once

#include "shell/game_state.h"
#include "world/world.h"

// Where each sort of object stands, sized for the shipped art (ship 20x20,
// enemies 60x40, boss 120x80, shots 20x12, bullets 8x8). Nothing touches the
// ship and no shot reaches an enemy, so the scene draws the same every frame.
constexpr int BUSY_BOSS_X = 260;
constexpr int BUSY_BOSS_Y = 100;
constexpr int BUSY_ENEMY_X = 20;
constexpr int BUSY_ENEMY_PITCH = 100;
constexpr int BUSY_ENEMY_Y = 250;
constexpr int BUSY_ENEMY_FALL = 5;
constexpr int BUSY_ENEMY_DRIFT = 3;
constexpr int BUSY_BULLET_X = 40;
constexpr int BUSY_BULLET_PITCH = 70;
constexpr int BUSY_BULLET_Y = 330;
constexpr int BUSY_BULLET_SPEED = 3;
constexpr int BUSY_BULLET_TICKS = 5;  // spread over a toggle period so some toggle every frame
constexpr int BUSY_SHOT_X = 30;
constexpr int BUSY_SHOT_PITCH = 90;
constexpr int BUSY_SHOT_Y = 360;
constexpr int BUSY_EXPLOSION_X = 10;
constexpr int BUSY_EXPLOSION_PITCH = 78;
constexpr int BUSY_EXPLOSION_Y = 40;
constexpr int BUSY_EXPLOSION_FRAMES = 6;  // frames 1..6 are the ones an explosion shows

// An odd countdown shows the caption this frame; the score is off any
// extra-life multiple.
constexpr int BUSY_COUNTDOWN = 99;
constexpr int BUSY_SCORE = 1230;

// Puts every object of the busy scene back in its slot, undoing whatever the
// last frame moved, freed or ended. Needs nothing but the global records.
inline void FillBusyScene() {
    WorldRecord& w = WorldState;
    for (int i = 0; i <= MAX_ENEMIES; i++) {
        Enemy& enemy = w.enemies[i];
        enemy = Enemy{};
        enemy.active = SLOT_ACTIVE;
        enemy.kind = i % 2 == 0 ? ENEMY_STRAIGHT : ENEMY_DIAGONAL;
        enemy.hasFired = 1;
        enemy.x = BUSY_ENEMY_X + BUSY_ENEMY_PITCH * (i > BOSS_SLOT ? i - 1 : i);
        enemy.y = BUSY_ENEMY_Y;
        enemy.dx = enemy.kind == ENEMY_DIAGONAL ? BUSY_ENEMY_DRIFT : 0;
        enemy.dy = BUSY_ENEMY_FALL;
    }
    Enemy& boss = w.enemies[BOSS_SLOT];
    boss.kind = ENEMY_BOSS;
    boss.x = BUSY_BOSS_X;
    boss.y = BUSY_BOSS_Y;
    boss.dx = BOSS_SPEED;
    boss.dy = 0;

    for (int i = 0; i <= MAX_ENEMY_BULLETS; i++) {
        EnemyBullet& bullet = w.enemyBullets[i];
        bullet = EnemyBullet{};
        bullet.active = SLOT_ACTIVE;
        bullet.x = BUSY_BULLET_X + BUSY_BULLET_PITCH * i;
        bullet.y = BUSY_BULLET_Y;
        bullet.ticks = i % BUSY_BULLET_TICKS;
        bullet.dy = BUSY_BULLET_SPEED;
    }
    for (int i = 0; i <= MAX_PLAYER_SHOTS; i++) {
        w.ShotX[i] = BUSY_SHOT_X + BUSY_SHOT_PITCH * i;
        w.ShotY[i] = BUSY_SHOT_Y;
    }
    for (int i = 0; i <= MAX_EXPLOSIONS; i++) {
        Explosion& explosion = w.explosions[i];
        explosion.active = SLOT_ACTIVE;
        explosion.x = BUSY_EXPLOSION_X + BUSY_EXPLOSION_PITCH * i;
        explosion.y = BUSY_EXPLOSION_Y;
        explosion.frame = 1 + i % BUSY_EXPLOSION_FRAMES;
    }

    w.ship.status = SHIP_ACTIVE;
    w.ship.x = SHIP_START_X;
    w.ship.y = SHIP_START_Y;
    w.ship.lives = SHIP_START_LIVES;
    GameState.mode = MODE_PLAY;
    GameState.bossPhase = BOSS_ACTIVE;
    GameState.levelCountdown = BUSY_COUNTDOWN;
    GameState.score = BUSY_SCORE;
}
