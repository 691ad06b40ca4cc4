#include "shell/frame_clock.h"

#include <chrono>
#include <thread>

#include "shell/game_state.h"

// The frame's start on the steady clock, beside the tick count in GameState.
static std::chrono::steady_clock::time_point frameStartSteady;

void StartFrameTimer() {
    GameState.frameStart = SDL_GetTicks();
    frameStartSteady = std::chrono::steady_clock::now();
}

Uint32 FrameElapsed() {
    return SDL_GetTicks() - GameState.frameStart;
}

// SDL's millisecond ticks can run up to a millisecond ahead of real time, so
// the frame first sleeps out FRAME_MS on the steady clock; the tick rule then
// still decides when it ends.
void WaitForFrameEnd() {
    std::this_thread::sleep_until(frameStartSteady + std::chrono::milliseconds(FRAME_MS));
    for (Uint32 elapsed = FrameElapsed(); elapsed < FRAME_MS; elapsed = FrameElapsed()) {
        SDL_Delay(FRAME_MS - elapsed);
    }
}
