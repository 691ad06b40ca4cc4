// What depends on where the game runs: the desktop or the browser. Each
// build links one of platform_desktop.cpp and platform_web.cpp.
#pragma once

// The tune's file. The desktop plays the MIDI file with the mixer's MIDI
// player; the browser build has none and plays a recording of it.
extern const char* const MUSIC_PATH;
