// The play screen's drawing pass, which also resolves every collision.
#pragma once

#include <SDL.h>

// Draws one play frame onto screen and flips it: background, ship, enemies
// (touching the ship), explosions, player shots (hitting enemies and the boss),
// enemy bullets (touching the ship), life icons, score and the level caption.
// Each hit is applied at once: score, lives, explosions, the boss's defeat.
void DrawScene(SDL_Surface* screen);
