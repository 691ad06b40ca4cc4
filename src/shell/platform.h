// What depends on where the game runs: the desktop or the browser. Each
// build links one of platform_desktop.cpp and platform_web.cpp.
#pragma once

// Writes to name (size bytes) a name that opens the open descriptor fd
// itself, and returns true; false where descriptors have no such names (the
// loaders then reopen a checked file by its path).
bool NameDescriptor(int fd, char* name, int size);

// The tune's file. The desktop plays the MIDI file with the mixer's MIDI
// player; the browser build has none and plays a recording of it.
extern const char* const MUSIC_PATH;
