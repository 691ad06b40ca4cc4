// The play frame's clock: when the frame began, how long it has run, and the
// wait that makes every play frame last at least FRAME_MS.
#pragma once

#include <SDL.h>

// A play frame lasts at least FRAME_MS milliseconds.
constexpr Uint32 FRAME_MS = 30;

// Starts timing the current play frame (GameState.frameStart, in SDL ticks).
void StartFrameTimer();

// Milliseconds since StartFrameTimer, correct across a wrap of the tick counter.
Uint32 FrameElapsed();

// Waits until the frame has lasted more than FRAME_MS - 1 ticks, sleeping
// rather than spinning.
void WaitForFrameEnd();
