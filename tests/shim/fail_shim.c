/* Start-up fault injection for the game binary, loaded with LD_PRELOAD.
 *
 * KORVANE_FAIL=video|mixer|ttf makes that start-up step fail with SHIM_ERROR as
 * SDL's error text. KORVANE_CLOSE_WINDOW=1 queues a window close as soon as the
 * font engine is up, so the title screen ends the run at once. Every release
 * and shutdown call the game makes is logged to stderr as "shim: <name>". */
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

static int EnvironmentSays(const char* name, const char* value) {
    const char* actual = getenv(name);
    return actual != NULL && strcmp(actual, value) == 0;
}

static int FailureRequested(const char* step) {
    if (!EnvironmentSays("KORVANE_FAIL", step)) {
        return 0;
    }
    SDL_SetError("%s", SHIM_ERROR);
    return 1;
}

static void LogCall(const char* name) {
    fprintf(stderr, "shim: %s\n", name);
}

/* The library's own definition of a symbol this shim overrides. */
static void* Next(const char* name) {
    return dlsym(RTLD_NEXT, name);
}

SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
    if (FailureRequested("video")) {
        return NULL;
    }
    SDL_Surface* (*next)(int, int, int, Uint32) = Next("SDL_SetVideoMode");
    return next(width, height, bpp, flags);
}

int Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize) {
    if (FailureRequested("mixer")) {
        return -1;
    }
    int (*next)(int, Uint16, int, int) = Next("Mix_OpenAudio");
    return next(frequency, format, channels, chunksize);
}

int TTF_Init(void) {
    if (FailureRequested("ttf")) {
        return -1;
    }
    int (*next)(void) = Next("TTF_Init");
    const int result = next();
    if (result == 0 && EnvironmentSays("KORVANE_CLOSE_WINDOW", "1")) {
        SDL_Event close;
        close.type = SDL_QUIT;
        SDL_PushEvent(&close);
    }
    return result;
}

void TTF_CloseFont(TTF_Font* font) {
    LogCall("TTF_CloseFont");
    void (*next)(TTF_Font*) = Next("TTF_CloseFont");
    next(font);
}

void Mix_FreeMusic(Mix_Music* music) {
    LogCall("Mix_FreeMusic");
    void (*next)(Mix_Music*) = Next("Mix_FreeMusic");
    next(music);
}

void SDL_JoystickClose(SDL_Joystick* joystick) {
    LogCall("SDL_JoystickClose");
    void (*next)(SDL_Joystick*) = Next("SDL_JoystickClose");
    next(joystick);
}

void TTF_Quit(void) {
    LogCall("TTF_Quit");
    void (*next)(void) = Next("TTF_Quit");
    next();
}

void Mix_CloseAudio(void) {
    LogCall("Mix_CloseAudio");
    void (*next)(void) = Next("Mix_CloseAudio");
    next();
}

void SDL_Quit(void) {
    LogCall("SDL_Quit");
    void (*next)(void) = Next("SDL_Quit");
    next();
}
