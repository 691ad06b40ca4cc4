#pragma once
#include <string>

// Writes iconDir/hicolor/NNxNN/apps/korvane.png for the desktop's icon sizes,
// the player's ship on a transparent background. Returns false on failure.
bool WriteIcons(const std::string& iconDir);
