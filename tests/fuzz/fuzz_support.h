// Shared by the fuzz targets: the game's screen on SDL's dummy video driver,
// and a scratch directory in memory as the working directory.
#pragma once

#include <SDL.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/game_state.h"

// Brings up the game's 640x480x24 screen and makes a fresh directory under
// /dev/shm the working directory, removed at exit. Safe to call more than
// once; returns the screen, or exits when it cannot start.
inline SDL_Surface* FuzzStartUp() {
    static std::string scratch;
    if (GameState.screen) {
        return GameState.screen;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    char pattern[] = "/dev/shm/korvane-fuzz-XXXXXX";
    if (SDL_Init(SDL_INIT_VIDEO) < 0 ||
        !(GameState.screen =
              SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, SDL_DOUBLEBUF)) ||
        !mkdtemp(pattern) || chdir(pattern) != 0) {
        fprintf(stderr, "fuzz: cannot set up the screen or the scratch directory\n");
        exit(1);
    }
    scratch = pattern;
    atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    });
    return GameState.screen;
}

// Replaces the file at path (relative to the working directory) with the bytes.
inline void WriteBytes(const char* path, const uint8_t* data, size_t size) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
}
