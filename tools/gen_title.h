#pragma once
#include <string>

// Writes the title picture, pics/pantalla.bmp under dataDir: the game's name,
// the prompt to start and the controls over a starfield with the ships, the
// text set in the TrueType font at fontPath. Returns false when the font or
// the file fails.
bool WriteTitle(const std::string& dataDir, const std::string& fontPath);
