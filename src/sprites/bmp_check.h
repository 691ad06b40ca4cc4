// BMP files that may be damaged: their headers checked before and after SDL
// reads them.
#pragma once

#include <SDL.h>

// Reads the BMP file stream holds with SDL's loader, closing the stream. A
// header declaring more pixel data than the file holds, a compressed or cut
// header, or one SDL turns into a surface it cannot use gives null, with
// SDL_GetError() saying why. Files that are not BMP files are left to SDL to
// refuse.
SDL_Surface* LoadCheckedBmp(SDL_RWops* stream);
