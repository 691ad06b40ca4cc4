// Opening the game's data files safely: only regular files, never blocking.
#pragma once

#include <SDL.h>

// Room for the name a pinned file is reopened by (a path of the data, or a
// descriptor's name under /proc).
constexpr int PINNED_NAME_SIZE = 80;

// A data file held open while a library opens it by name. The name leads to
// the very file that was checked, even if its path is swapped meanwhile.
struct PinnedFile {
    int fd;
    char name[PINNED_NAME_SIZE];
};

// Opens path for reading without blocking and checks that it is a regular
// file. On success the caller opens pinned.name with the library it uses and
// then calls UnpinFile. Anything else (missing, a directory, a device, a FIFO)
// returns false with SDL's error set to the message of a missing file.
bool PinRegularFile(const char* path, PinnedFile& pinned);

// Closes the descriptor PinRegularFile kept.
void UnpinFile(PinnedFile& pinned);

// Calls open(name) on a regular file at path and returns what it returns, or
// null without calling it when path is not a regular file.
template <typename Open>
auto OpenRegularFile(const char* path, Open open) -> decltype(open(path)) {
    PinnedFile pinned;
    if (!PinRegularFile(path, pinned)) {
        return nullptr;
    }
    auto opened = open(pinned.name);
    UnpinFile(pinned);
    return opened;
}

// A binary read stream of path through SDL, or null (with SDL's error set as
// for a missing file) when path is not a regular file.
SDL_RWops* OpenRegularStream(const char* path);
