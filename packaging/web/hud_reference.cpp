// Prints, as JSON, what the desktop game draws for the HUD at the start of a
// game: the score's text and the life icons, each as the rectangle it lands
// on and its pixels, null where the colour key lets the background through.
// The browser test holds the canvas to these pixels.
//
// It runs the desktop build's own start-up in the data folder given (with
// SDL's dummy drivers), so the font, its size, the colours and the pictures
// are the game's; the text is rendered the way the game's DrawText does.
//
// Usage: hud_reference DATA_DIR
#include <unistd.h>

#include <cstdio>

#include "shell/game_state.h"
#include "shell/shell.h"
#include "sprites/sprite.h"
#include "world/scene.h"
#include "world/world.h"

static constexpr int SCORE_TEXT_SIZE = 16;

// One rectangle of the screen: its pixels as "[r,g,b]", or null when keyed out.
static void PrintRect(const char* name, SDL_Surface* surface, int x, int y, bool last) {
    printf("{\"name\":\"%s\",\"x\":%d,\"y\":%d,\"w\":%d,\"h\":%d,\"pixels\":[", name, x, y,
           surface->w, surface->h);
    SDL_LockSurface(surface);
    const int bytes = surface->format->BytesPerPixel;
    for (int row = 0; row < surface->h; row++) {
        for (int column = 0; column < surface->w; column++) {
            const Uint8* at =
                static_cast<Uint8*>(surface->pixels) + row * surface->pitch + column * bytes;
            Uint32 pixel = 0;
            for (int b = 0; b < bytes; b++) {
                pixel |= static_cast<Uint32>(at[b])
                         << (SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * b : 8 * (bytes - 1 - b));
            }
            const bool keyed =
                (surface->flags & SDL_SRCCOLORKEY) && pixel == surface->format->colorkey;
            Uint8 r, g, b;
            SDL_GetRGB(pixel, surface->format, &r, &g, &b);
            const bool first = row == 0 && column == 0;
            if (keyed) {
                printf("%snull", first ? "" : ",");
            } else {
                printf("%s[%d,%d,%d]", first ? "" : ",", r, g, b);
            }
        }
    }
    SDL_UnlockSurface(surface);
    printf("]}%s\n", last ? "" : ",");
}

int main(int argc, char** argv) {
    if (argc != 2 || chdir(argv[1]) != 0 || !StartUp()) {
        fprintf(stderr, "usage: hud_reference DATA_DIR (a folder the game starts in)\n");
        return 1;
    }
    ResetWorld();
    StartGame();

    char text[SCORE_TEXT_SIZE];
    snprintf(text, sizeof text, "%d", GameState.score);
    SDL_Surface* score =
        TTF_RenderText_Shaded(GameState.font, text, GameState.textColour, GameState.textBackground);
    SetRedColourKey(score);
    printf("[\n");
    PrintRect("score", score, SCORE_X, SCORE_Y, false);
    const Sprite& life = WorldState.lifeSprite;
    for (int k = 1; k <= WorldState.ship.lives; k++) {
        PrintRect("life", life.frames[life.currentFrame], LIFE_ICON_X + LIFE_ICON_PITCH * (k - 1),
                  LIFE_ICON_Y, k == WorldState.ship.lives);
    }
    printf("]\n");
    // Only the printout matters: the game's exit handlers are skipped.
    fflush(stdout);
    _exit(0);
}
