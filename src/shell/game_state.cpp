#include "shell/game_state.h"

#include <chrono>
#include <thread>

GameRecord GameState;

// The frame's start on the steady clock, beside the tick count in GameState.
static std::chrono::steady_clock::time_point frameStartSteady;

void StartFrameTimer() {
    GameState.frameStart = SDL_GetTicks();
    frameStartSteady = std::chrono::steady_clock::now();
}

Uint32 FrameElapsed() {
    return SDL_GetTicks() - GameState.frameStart;
}

void SleepUntilFrameMsPassed() {
    std::this_thread::sleep_until(frameStartSteady + std::chrono::milliseconds(FRAME_MS));
}
