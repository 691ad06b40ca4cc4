// Start-up, the main loop and the two screens: the title and the play frame.
#pragma once

#include <SDL.h>

// The whole program: StartUp, the main loop, then the resources released.
// Returns the exit status: 0 after a normal quit, 1 after a start-up failure.
int RunGame();

// Brings up SDL, the 640x480x24 window, the mixer and the font engine, then
// loads every resource and picture from the working directory. On failure
// prints its Spanish line and returns false. At exit, whatever the way out,
// the libraries that came up are shut down, newest first.
bool StartUp();

// Opens the mixer: 22050 Hz, signed 16-bit big-endian samples, 4096-sample
// chunks, MixerChannels() channels. Returns what Mix_OpenAudio returns.
int OpenMixer();

// Whether the SDL found at run time is the compatibility layer that runs the
// 1.2 interface over SDL2 rather than the classic library.
bool IsCompatLayer(const SDL_version& linked);

// The whole-number factor by which the compatibility layer enlarges the
// 640x480 window on a desktop of this size: the largest k for which a 640k by
// 480k window leaves a margin for panels and a title bar, and 1 at least.
// The game still draws on a 640x480 screen; the layer scales each pixel to a
// k by k block. Used only when the player has not set the layer's variables.
int WindowScale(int desktopWidth, int desktopHeight);

// The mixer's channel count: mono on the classic library, stereo on the
// compatibility layer. The layer doubles a mono stream's conversion buffer,
// and SDL_mixer's MIDI player does not allow for that, so mono there overruns
// its buffer.
int MixerChannels(const SDL_version& linked);

// Runs title passes and play frames until the quit flag is set.
void RunMainLoop();

// One visit of the title screen: reset, draw the title picture, stop the music,
// then handle events until a game starts or the player quits.
void TitlePass();

// Begins a game at level 1 with the music playing.
void StartGame();

// One play frame: PlayFrameSteps, then WaitForFrameEnd.
void PlayFrame();

// Everything a play frame does but its final wait: schedule, world update,
// drawing, the extra life, input and events.
void PlayFrameSteps();

// Reads a joystick axis; tests may point it elsewhere. A null joystick reads 0.
extern Sint16 (*ReadJoystickAxis)(SDL_Joystick* joystick, int axis);
