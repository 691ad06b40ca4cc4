/* Fault injection and scripted input for the game binary, loaded with LD_PRELOAD.
 *
 * KORVANE_FAIL=video|mixer|ttf makes that start-up step fail with SHIM_ERROR as
 * SDL's error text; KORVANE_FAIL=init-once refuses only the first SDL_Init.
 * KORVANE_SCRIPT holds one character per screen flip, the event queued right
 * after that flip: 'k' a key press (Return), 'e' Escape, 'q' a window close,
 * '.' nothing. Every release and shutdown call the game makes is logged to
 * stderr as "shim: <name>", and so is any part of the script left unplayed. */
#ifndef _GNU_SOURCE
#define _GNU_SOURCE /* RTLD_NEXT */
#endif
#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char SHIM_ERROR[] = "refused by the test shim";

static int FailureRequested(const char* step) {
    const char* failing = getenv("KORVANE_FAIL");
    if (failing == NULL || strcmp(failing, step) != 0) {
        return 0;
    }
    SDL_SetError("%s", SHIM_ERROR);
    return 1;
}

int SDL_Init(Uint32 flags) {
    static int calls = 0;
    int (*next)(Uint32) = dlsym(RTLD_NEXT, "SDL_Init");
    return calls++ == 0 && FailureRequested("init-once") ? -1 : next(flags);
}

SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
    SDL_Surface* (*next)(int, int, int, Uint32) = dlsym(RTLD_NEXT, "SDL_SetVideoMode");
    return FailureRequested("video") ? NULL : next(width, height, bpp, flags);
}

int Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize) {
    int (*next)(int, Uint16, int, int) = dlsym(RTLD_NEXT, "Mix_OpenAudio");
    return FailureRequested("mixer") ? -1 : next(frequency, format, channels, chunksize);
}

int TTF_Init(void) {
    int (*next)(void) = dlsym(RTLD_NEXT, "TTF_Init");
    return FailureRequested("ttf") ? -1 : next();
}

static const char* script = ""; /* the part of KORVANE_SCRIPT not yet played */

__attribute__((constructor)) static void ReadScript(void) {
    const char* given = getenv("KORVANE_SCRIPT");
    script = given != NULL ? given : "";
}

__attribute__((destructor)) static void ReportUnplayedScript(void) {
    if (*script != '\0') {
        fprintf(stderr, "shim: unplayed %s\n", script);
    }
}

/* Queues the script's event for the flip just made, if it has one. */
int SDL_Flip(SDL_Surface* screen) {
    int (*next)(SDL_Surface*) = dlsym(RTLD_NEXT, "SDL_Flip");
    const int result = next(screen);
    const char step = *script != '\0' ? *script++ : '\0';
    if (step != '\0' && step != '.') {
        SDL_Event event = {0};
        event.type = step == 'q' ? SDL_QUIT : SDL_KEYDOWN;
        event.key.keysym.sym = step == 'e' ? SDLK_ESCAPE : SDLK_RETURN;
        SDL_PushEvent(&event);
    }
    return result;
}

/* A release or shutdown call that is logged, then passed on. */
#define LOGGED_CALL(name, params, args)               \
    void name params {                                \
        fprintf(stderr, "shim: %s\n", #name);         \
        void(*next) params = dlsym(RTLD_NEXT, #name); \
        next args;                                    \
    }

LOGGED_CALL(TTF_CloseFont, (TTF_Font * font), (font))
LOGGED_CALL(Mix_FreeMusic, (Mix_Music * music), (music))
LOGGED_CALL(SDL_JoystickClose, (SDL_Joystick * joystick), (joystick))
LOGGED_CALL(TTF_Quit, (void), ())
LOGGED_CALL(Mix_CloseAudio, (void), ())
LOGGED_CALL(SDL_Quit, (void), ())
