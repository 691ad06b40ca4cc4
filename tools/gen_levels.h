#pragma once
#include <string>

// Writes levels/level1/ and levels/level2/ under dataDir: the tile map, the
// description with the highest tile index, and every tile picture. Returns
// false when a file cannot be written.
bool WriteLevels(const std::string& dataDir);
