// Putting new enemies and the boss into play.
#pragma once

// Adds an ordinary enemy of random kind and x above the top of the screen, in
// the highest free enemy slot; does nothing when every slot is taken.
void SpawnEnemy();

// Puts the boss into enemy slot BOSS_SLOT, replacing whatever is there.
void SpawnBoss();

// Where SpawnEnemy takes its two random draws (x, then kind); rand by default,
// so a test can feed chosen values.
extern int (*RandomDraw)();
