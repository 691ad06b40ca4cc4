// Advancing the play field by one frame.
#pragma once

// The ship's status machine, then player shots, enemies (with their firing and
// turning rules) and enemy bullets, in that order. Draws nothing and tests no
// collisions. Sets mode to MODE_TITLE when the last life's timer runs out.
void UpdateWorld();
