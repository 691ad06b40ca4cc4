#pragma once
#include <string>

// Writes sounds/disparo.wav and sounds/explosion.wav under dataDir. Returns false on an I/O error.
bool WriteSounds(const std::string& dataDir);
