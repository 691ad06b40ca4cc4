#include <cstdio>

#include "shell/platform.h"

bool NameDescriptor(int fd, char* name, int size) {
    snprintf(name, size, "/proc/self/fd/%d", fd);
    return true;
}

const char* const MUSIC_PATH = "sounds/zelmorta.mid";
