// Loading and releasing the font, joystick, music, sounds and pictures.
#pragma once

#include <SDL_mixer.h>

// Opens the font, the joystick (when one is attached), the music and the two
// sounds. A missing sound or tune only silences it; a missing font is fatal:
// the Spanish start-up message is printed and false returned.
bool LoadResources();

// Seeds the random generator, clears the tables that must start empty and loads
// the 16 pictures into their sprites. Needs the video mode. A picture that
// cannot be loaded prints the Spanish start-up message and returns false.
bool LoadGraphics();

// Closes the font, the music and the joystick. Sounds and pictures last until exit.
void ReleaseResources();

// Plays a sound effect once on the first free mixing channel; a null chunk or a
// full mixer is silently ignored.
void PlaySound(Mix_Chunk* chunk);
