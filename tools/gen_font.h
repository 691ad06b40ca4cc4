#pragma once
#include <string>

// Writes the game's TrueType font: blocky letters whose outlines lie on whole
// pixels at 20 points and at every multiple of 10 points, so they render with
// no partial pixels there. Returns false when the file cannot be written.
bool WriteFont(const std::string& path);
