#include "shell/frame_clock.h"

#include "shell/game_state.h"

Uint32 (*ReadTicks)() = SDL_GetTicks;
void (*SleepTicks)(Uint32 ms) = SDL_Delay;

void StartFrameTimer() {
    GameState.frameStart = ReadTicks();
}

Uint32 FrameElapsed() {
    return ReadTicks() - GameState.frameStart;
}

// Each sleep asks only for what is left of the frame; the tick count, not the
// sleep, decides when the frame ends.
void WaitForFrameEnd() {
    for (Uint32 elapsed = FrameElapsed(); elapsed < FRAME_MS; elapsed = FrameElapsed()) {
        SleepTicks(FRAME_MS - elapsed);
    }
}
