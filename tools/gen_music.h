#pragma once
#include <string>

// Writes sounds/zelmorta.mid under dataDir. Returns false on an I/O error.
bool WriteMusic(const std::string& dataDir);
