#include "startup.h"

#include <SDL.h>

#include "shell/shell.h"

static constexpr SDLKey START_KEY = SDLK_SPACE;

void StartGameFromTitle() {
    SDL_Event press = {};
    press.type = SDL_KEYDOWN;
    press.key.state = SDL_PRESSED;
    press.key.keysym.sym = START_KEY;
    SDL_PushEvent(&press);
    TitlePass();
}
