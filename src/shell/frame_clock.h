// The play frame's clock: when the frame began, how long it has run, and the
// wait that makes every play frame last at least FRAME_MS.
#pragma once

#include <SDL.h>

// A play frame lasts at least FRAME_MS milliseconds of the tick clock.
constexpr Uint32 FRAME_MS = 30;

// The tick clock and the sleep the frame clock runs on: SDL_GetTicks and
// SDL_Delay, unless a test points them at a clock of its own.
extern Uint32 (*ReadTicks)();
extern void (*SleepTicks)(Uint32 ms);

// Starts timing the current play frame (GameState.frameStart, in ticks).
void StartFrameTimer();

// Ticks since StartFrameTimer, correct across a wrap of the tick counter.
Uint32 FrameElapsed();

// Waits until more than FRAME_MS - 1 ticks have passed since the frame
// began, sleeping rather than spinning.
void WaitForFrameEnd();
