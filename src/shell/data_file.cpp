#include "shell/data_file.h"

#include <SDL.h>
#include <sys/stat.h>

#include <cstdio>

#include "shell/platform.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

static bool IsRegular(const struct stat& info) {
    return (info.st_mode & S_IFMT) == S_IFREG;
}

// Words a missing file the way SDL's own file opener does, so that a file that
// is not a regular one reads exactly like a missing one.
static bool RefuseAsMissing(const char* path) {
    SDL_SetError("Couldn't open %s", path);
    return false;
}

#ifdef _WIN32

// Windows has no FIFOs among ordinary paths; a stat check suffices there.
bool PinRegularFile(const char* path, PinnedFile& pinned) {
    struct stat info;
    pinned.fd = -1;
    if (stat(path, &info) != 0 || !IsRegular(info)) {
        return RefuseAsMissing(path);
    }
    snprintf(pinned.name, sizeof pinned.name, "%s", path);
    return true;
}

void UnpinFile(PinnedFile&) {}

#else

// The open descriptor's own name (under /proc) reopens the checked file
// itself, whatever its path names by then. Where descriptors have no names,
// or that name leads elsewhere (no /proc), the path is used, which leaves
// only the moment between the check and the library's open.
static void NamePinnedFile(const char* path, const struct stat& opened, PinnedFile& pinned) {
    struct stat named;
    const bool sameFile = NameDescriptor(pinned.fd, pinned.name, sizeof pinned.name) &&
                          stat(pinned.name, &named) == 0 && named.st_dev == opened.st_dev &&
                          named.st_ino == opened.st_ino;
    if (!sameFile) {
        snprintf(pinned.name, sizeof pinned.name, "%s", path);
    }
}

bool PinRegularFile(const char* path, PinnedFile& pinned) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer for ever.
    pinned.fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (pinned.fd < 0) {
        return RefuseAsMissing(path);
    }
    struct stat info;
    if (fstat(pinned.fd, &info) != 0 || !IsRegular(info)) {
        UnpinFile(pinned);
        return RefuseAsMissing(path);
    }
    // From here on it is an ordinary blocking descriptor of a regular file.
    fcntl(pinned.fd, F_SETFL, fcntl(pinned.fd, F_GETFL) & ~O_NONBLOCK);
    NamePinnedFile(path, info, pinned);
    return true;
}

void UnpinFile(PinnedFile& pinned) {
    close(pinned.fd);
    pinned.fd = -1;
}

#endif

SDL_RWops* OpenRegularStream(const char* path) {
    return OpenRegularFile(path, [](const char* name) { return SDL_RWFromFile(name, "rb"); });
}
