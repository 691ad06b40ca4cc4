// The play screen's drawing pass, which also resolves every collision.
#pragma once

#include <SDL.h>

// Where the HUD is drawn: life icon k (from 1) at x = LIFE_ICON_X +
// LIFE_ICON_PITCH * (k - 1), the score, and the level caption.
constexpr int LIFE_ICON_X = 32;
constexpr int LIFE_ICON_PITCH = 22;
constexpr int LIFE_ICON_Y = 5;
constexpr int SCORE_X = 530;
constexpr int SCORE_Y = 5;
constexpr int CAPTION_X = 310;
constexpr int CAPTION_Y = 240;

// Draws one play frame onto screen and flips it: background, ship, enemies
// (touching the ship), explosions, player shots (hitting enemies and the boss),
// enemy bullets (touching the ship), life icons, score and the level caption.
// Each hit is applied at once: score, lives, explosions, the boss's defeat.
void DrawScene(SDL_Surface* screen);
