// Enemy bullets and player shots entering play.
#pragma once

// Fires one bullet from the enemy in slot enemyIndex toward the player's side,
// if a bullet slot is free.
void EnemyFire(int enemyIndex);

// Adds a player shot above the ship if a shot slot is free, and plays the shot
// sound in every case.
void PlayerFire();
