#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Creates the directory and its parents when missing. Returns false on failure.
bool EnsureDirectory(const std::string& path);
// Writes bytes as the whole content of the file. Returns false on failure.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
