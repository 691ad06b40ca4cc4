// Shared by the fuzz targets: a screen on SDL's dummy driver and a scratch
// directory in memory that serves as the working directory.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>

// Brings up SDL's dummy video driver with the game's 640x480x24 screen and makes
// a fresh directory under /dev/shm the working directory (removed at exit).
// Safe to call more than once; returns the screen, or exits if SDL cannot start.
SDL_Surface* FuzzStartUp();

// Replaces the file at path (relative to the working directory) with the bytes.
void WriteBytes(const char* path, const uint8_t* data, size_t size);
