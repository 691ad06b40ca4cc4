#include "world/world.h"

#include "shell/game_state.h"

WorldRecord WorldState;

// The HUD text: yellow on a red background that is keyed out.
static constexpr SDL_Color TEXT_COLOUR = {200, 200, 10, 0};

// Frees slots 0..maxIndex of a table whose slots carry an active flag.
template <typename Slot>
static void FreeSlots(Slot* table, int maxIndex) {
    for (int i = 0; i <= maxIndex; i++) {
        table[i].active = SLOT_FREE;
    }
}

void ClearShotsEnemiesExplosions() {
    for (int i = 0; i <= MAX_PLAYER_SHOTS; i++) {
        WorldState.ShotY[i] = 0;
        WorldState.ShotX[i] = 0;
    }
    FreeSlots(WorldState.enemies, MAX_ENEMIES);
    FreeSlots(WorldState.explosions, MAX_EXPLOSIONS);
}

void ResetWorld() {
    PlayerShip& ship = WorldState.ship;
    ship.status = SHIP_ACTIVE;
    ship.y = SHIP_START_Y;
    ship.lives = SHIP_START_LIVES;
    ship.x = SHIP_START_X;

    ClearShotsEnemiesExplosions();
    FreeSlots(WorldState.enemyBullets, MAX_ENEMY_BULLETS);

    // The colours' fourth byte is left as it was.
    GameState.textColour.r = TEXT_COLOUR.r;
    GameState.textColour.g = TEXT_COLOUR.g;
    GameState.textColour.b = TEXT_COLOUR.b;
    GameState.textBackground.r = COLOUR_KEY.r;
    GameState.textBackground.g = COLOUR_KEY.g;
    GameState.textBackground.b = COLOUR_KEY.b;
    GameState.mapPosition = MAP_START_POSITION;
    GameState.scrollOffset = 0;
    GameState.bossPhase = BOSS_NONE;
    GameState.frameCounter = 0;
}

int TowardPlayer(int x, int speed) {
    return x > WorldState.shipSprite.x ? -speed : speed;
}
