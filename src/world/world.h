// The play field: fixed tables of enemies, bullets, shots and explosions, the
// player's ship and the sprites that draw them.
#pragma once

#include <SDL.h>

#include "level/level.h"
#include "sprites/sprite.h"

// Each table's size is its highest valid index, not its count: loops run 0..MAX inclusive.
constexpr int MAX_ENEMY_BULLETS = 7;
constexpr int MAX_PLAYER_SHOTS = 6;
constexpr int MAX_ENEMIES = 6;
constexpr int MAX_EXPLOSIONS = 7;

// Slot flags of the enemy, bullet and explosion tables.
constexpr int SLOT_FREE = 0;
constexpr int SLOT_ACTIVE = 1;

enum PlayerStatus { SHIP_DESTROYED = 0, SHIP_ACTIVE = 1, SHIP_RESPAWNING = 2 };

// The value 2 is never used: the boss is 3.
enum EnemyKind { ENEMY_STRAIGHT = 0, ENEMY_DIAGONAL = 1, ENEMY_BOSS = 3 };

enum BossPhase { BOSS_NONE = 0, BOSS_ACTIVE = 1, BOSS_DEFEATED = 2 };

// Where a level starts the ship, and how many lives it gets.
constexpr int SHIP_START_X = 320;
constexpr int SHIP_START_Y = 400;
constexpr int SHIP_START_LIVES = 3;

// The boss always takes this enemy slot, and patrols sideways at this speed.
constexpr int BOSS_SLOT = 1;
constexpr int BOSS_SPEED = 3;

struct Enemy {
    int active;
    int x;
    int y;
    int dx;
    int dy;
    int kind;
    int hasFired;  // an ENEMY_STRAIGHT fires once, then climbs away
    int hits;      // shots taken by the boss
    int frame;     // enemySprite frame of an ENEMY_STRAIGHT; always 0
};

struct EnemyBullet {
    int active;
    int x;
    int y;
    int dx;
    int dy;
    int frame;  // bulletSprite frame this bullet last toggled to
    int ticks;  // animation counter, 0..4
};

struct Explosion {
    int active;
    int x;
    int y;
    int frame;  // explosionSprite frame to draw next
};

struct PlayerShip {
    int status;
    int x;
    int y;
    int lives;
    int timer;  // frames left while destroyed or respawning
};

struct WorldRecord {
    EnemyBullet enemyBullets[MAX_ENEMY_BULLETS + 1];
    Explosion explosions[MAX_EXPLOSIONS + 1];
    Enemy enemies[MAX_ENEMIES + 1];  // the boss always takes BOSS_SLOT
    PlayerShip ship;
    int ShotY[MAX_PLAYER_SHOTS + 1];
    int ShotX[MAX_PLAYER_SHOTS + 1];  // 0 marks a free shot slot

    // One sprite per sort of object, moved to each object before it is drawn or tested.
    // shipSprite holds where the ship was last drawn; aiming reads it, not ship.
    Sprite lifeSprite{1};
    Sprite bulletSprite{2};
    Sprite shotSprite{1};
    Sprite enemySprite{5};
    Sprite bossSprite{1};
    Sprite enemy2Sprite{1};
    Sprite shipSprite{1};
    Sprite explosionSprite{12};
    Sprite titleSprite{1};

    // The current level's background.
    Sprite tileSprites[MAX_TILES];
    SDL_Surface* tileBitmaps[MAX_TILES];
    unsigned char levelMap[MAP_BYTES];
};

extern WorldRecord WorldState;

// Returns the free slot (active 0) with the highest index in table[0..maxIndex],
// or NO_SLOT when every slot is in play.
constexpr int NO_SLOT = -1;
template <typename Slot>
int FindFreeSlot(const Slot* table, int maxIndex) {
    int found = NO_SLOT;
    for (int i = 0; i <= maxIndex; i++) {
        if (table[i].active == SLOT_FREE) {
            found = i;
        }
    }
    return found;
}

// Frees every player shot (x and y 0), enemy and explosion; enemy bullets are left alone.
void ClearShotsEnemiesExplosions();

// Puts the world in its start-of-level state: tables freed, ship at its start
// with 3 lives, scroll and boss schedule restarted. Leaves score, level,
// levelCountdown, ship.timer and every slot's other fields alone.
void ResetWorld();

// A speed along x that moves an object at x toward the player's side: +speed
// when x is at or left of where the ship was last drawn, else -speed.
int TowardPlayer(int x, int speed);
