#include "shell/game_state.h"

GameRecord GameState;

void StartFrameTimer() {
    GameState.frameStart = SDL_GetTicks();
}

Uint32 FrameElapsed() {
    return SDL_GetTicks() - GameState.frameStart;
}
