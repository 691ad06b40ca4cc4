// Explosions: six-frame animations where an enemy died or the ship was hit.
#pragma once

#include <SDL.h>

// StartExplosion's argument for an explosion at the player's ship.
constexpr int EXPLODE_PLAYER = 255;

// Starts an explosion at enemy slot who, or at the ship for EXPLODE_PLAYER, and
// plays the explosion sound. With every slot busy only the sound plays.
void StartExplosion(int who);

// Draws every running explosion at its current frame and advances it; an
// explosion ends after its last frame has been drawn.
void DrawExplosions(SDL_Surface* screen);
