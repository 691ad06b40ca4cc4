#pragma once
#include <string>

#include "gen_canvas.h"

// Paints the 640x480 title picture into title: the game's name, the prompt to
// start and the controls, over a starfield with the ships. The text is set in
// the TrueType font at fontPath. Returns false when the font cannot be used.
bool MakeTitlePicture(const std::string& fontPath, Canvas& title);
