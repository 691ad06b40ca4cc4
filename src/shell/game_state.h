// The shell's global record: screen flow, score, level, timing and the loaded resources.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <cstdio>

enum GameMode { MODE_TITLE = 0, MODE_PLAY = 1 };

// Frame schedule, counted in play frames since the last world reset.
constexpr int ENEMY_SPAWN_INTERVAL = 20;
constexpr int BOSS_SPAWN_FRAME = 5000;  // the boss comes once frameCounter exceeds 4999
constexpr int LEVEL_COUNT = 2;          // after the last level comes level 1 again
constexpr int FIRST_LEVEL = 1;

// Every positive multiple of EXTRA_LIFE_POINTS gives a life and EXTRA_LIFE_BONUS points.
constexpr int EXTRA_LIFE_POINTS = 2000;
constexpr int EXTRA_LIFE_BONUS = 10;

// Ship movement: SHIP_STEP pixels per frame per axis, within these bounds.
constexpr int SHIP_STEP = 5;
constexpr int SHIP_MIN_X = 0;
constexpr int SHIP_MAX_X = 619;  // moves right only while x <= 619, so it stops at 620
constexpr int SHIP_MIN_Y = 0;
constexpr int SHIP_MAX_Y = 459;     // moves down only while y <= 459, so it stops at 460
constexpr int AXIS_DEAD_ZONE = 10;  // stick readings -10..10 move nothing

// The level countdown's start: the caption after a load blinks for this many
// frames. After the boss falls the same countdown times the wait for the next
// level, but the schedule and the caption each take one a frame from it, so
// the next level loads 51 frames later.
constexpr int LEVEL_COUNTDOWN_FRAMES = 100;

constexpr int SCREEN_WIDTH = 640;
constexpr int SCREEN_HEIGHT = 480;
constexpr int SCREEN_BPP = 24;
constexpr int BITMAP_COUNT = 16;

struct GameRecord {
    int mode;
    int quit;
    int level = FIRST_LEVEL;
    int score;
    int bossPhase;
    int frameCounter;
    int levelCountdown;
    Uint32 frameStart;
    Sint16 axisX;
    Sint16 axisY;
    SDL_Surface* screen;
    TTF_Font* font;
    SDL_Joystick* joystick;
    Mix_Chunk* shotSound;
    Mix_Chunk* explosionSound;
    Mix_Music* music;
    SDL_Surface* bitmaps[BITMAP_COUNT];
    SDL_Color textColour;
    SDL_Color textBackground;
    SDL_Rect textRect;
    SDL_Surface* textSurface;
    int scrollOffset;
    int mapPosition;
    FILE* levelFile;
};

extern GameRecord GameState;
