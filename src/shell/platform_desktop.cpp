#include "shell/platform.h"

const char* const MUSIC_PATH = "sounds/zelmorta.mid";
