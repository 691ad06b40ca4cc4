// Putting new enemies, the boss, enemy bullets and player shots into play.
#pragma once

// Player position rules read shipSprite (where the ship was last drawn), not ship.

// Adds an ordinary enemy of random kind and x above the top of the screen, in
// the highest free enemy slot; does nothing when every slot is taken.
void SpawnEnemy();

// Puts the boss into enemy slot 1, replacing whatever is there.
void SpawnBoss();

// Fires one bullet from the enemy in slot enemyIndex toward the player's side,
// if a bullet slot is free.
void EnemyFire(int enemyIndex);

// Adds a player shot above the ship if a shot slot is free, and plays the shot
// sound in every case.
void PlayerFire();
