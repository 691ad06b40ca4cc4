#pragma once
#include <string>

#include "gen_canvas.h"

// The sprites, on the transparent key. The title picture and the icons reuse them.
Canvas PlayerShipPicture();
Canvas LifePicture();
Canvas StraightEnemyPicture();
Canvas DiagonalEnemyPicture();
Canvas BossPicture();
// An engine's glow centred at (cx, cy), hottest in the middle.
void DrawEngineGlow(Canvas& c, float cx, float cy, float rx, float ry);
// frame 0 or 1 of the pulsing enemy bullet.
Canvas EnemyBulletPicture(int frame);

// Saves a picture as dataDir/pics/<name>.bmp. Returns false when the file fails.
bool SavePicture(const Canvas& canvas, const std::string& dataDir, const std::string& name);

// Writes every sprite picture under dataDir/pics/; the title is written apart.
// Returns false when a file fails.
bool WritePictures(const std::string& dataDir);
