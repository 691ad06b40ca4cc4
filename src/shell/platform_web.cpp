#include "shell/platform.h"

// The mixer chooses the format by the name's extension, so the recording
// keeps its own.
const char* const MUSIC_PATH = "sounds/zelmorta.ogg";
