#include "world/explosions.h"

#include "shell/assets.h"
#include "shell/game_state.h"
#include "world/world.h"

// Frame 0 of the explosion art is never shown: an explosion runs frames 1 to 6.
static constexpr int EXPLOSION_FIRST_FRAME = 1;
static constexpr int EXPLOSION_LAST_FRAME = 6;

void StartExplosion(int who) {
    const int slot = FindFreeSlot(WorldState.explosions, MAX_EXPLOSIONS);
    if (slot != NO_SLOT) {
        Explosion& explosion = WorldState.explosions[slot];
        if (who == EXPLODE_PLAYER) {
            explosion.x = WorldState.ship.x;
            explosion.y = WorldState.ship.y;
        } else {
            explosion.x = WorldState.enemies[who].x;
            explosion.y = WorldState.enemies[who].y;
        }
        explosion.active = SLOT_ACTIVE;
        explosion.frame = EXPLOSION_FIRST_FRAME;
    }
    PlaySound(GameState.explosionSound);
}

void DrawExplosions(SDL_Surface* screen) {
    Sprite& sprite = WorldState.explosionSprite;
    for (int i = 0; i <= MAX_EXPLOSIONS; i++) {
        Explosion& explosion = WorldState.explosions[i];
        if (explosion.active != SLOT_ACTIVE) {
            continue;
        }
        sprite.SelectFrame(explosion.frame);
        sprite.x = explosion.x;
        sprite.y = explosion.y;
        sprite.Draw(screen);
        explosion.frame += 1;
        if (explosion.frame > EXPLOSION_LAST_FRAME) {
            explosion.active = SLOT_FREE;
        }
    }
}
