#include "shell/platform.h"

// The browser's file system is the game's own, filled before it starts and
// changed by nothing else, so a file reopened by its path is the one checked.
bool NameDescriptor(int, char*, int) {
    return false;
}

// The mixer chooses the format by the name's extension, so the recording
// keeps its own.
const char* const MUSIC_PATH = "sounds/zelmorta.ogg";
