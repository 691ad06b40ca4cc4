// Bringing the game up inside a measuring program without entering its main
// loop, so the program can time what follows.
#pragma once

// Starts a game from the title screen as a player would: a key press queued
// before a title pass. Needs the game started up (StartUp in shell/shell.h).
void StartGameFromTitle();
