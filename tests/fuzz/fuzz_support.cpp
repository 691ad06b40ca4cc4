#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/game_state.h"

static std::string ScratchPath;

static void RemoveScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(ScratchPath, ignored);
}

SDL_Surface* FuzzStartUp() {
    static SDL_Surface* screen = nullptr;
    if (screen) {
        return screen;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "fuzz: SDL: %s\n", SDL_GetError());
        exit(1);
    }
    screen = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, SDL_DOUBLEBUF);
    char pattern[] = "/dev/shm/korvane-fuzz-XXXXXX";
    if (!screen || !mkdtemp(pattern) || chdir(pattern) != 0) {
        fprintf(stderr, "fuzz: cannot set up the screen or the scratch directory\n");
        exit(1);
    }
    ScratchPath = pattern;
    atexit(RemoveScratch);
    GameState.screen = screen;
    return screen;
}

void WriteBytes(const char* path, const uint8_t* data, size_t size) {
    FILE* file = fopen(path, "wb");
    if (!file) {
        abort();
    }
    if (size > 0 && fwrite(data, 1, size, file) != size) {
        abort();
    }
    fclose(file);
}
