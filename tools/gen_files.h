#pragma once
// Byte packing and file output for every file the generator writes.
#include <cstdint>
#include <string>
#include <vector>

using ByteBuffer = std::vector<uint8_t>;

constexpr int BITS_PER_BYTE = 8;

// Little-endian numbers, as WAV files and deflate's stored blocks keep them.
void PutLe16(ByteBuffer& out, uint32_t value);
void PutLe32(ByteBuffer& out, uint32_t value);
// Big-endian numbers, as MIDI, PNG and TrueType files keep them. A negative
// int passed here is stored in two's complement.
void PutBe16(ByteBuffer& out, uint32_t value);
void PutBe32(ByteBuffer& out, uint32_t value);
// Four-character tags such as "RIFF", "MTrk", "IHDR" or "glyf".
void PutTag(ByteBuffer& out, const char* tag);

// Creates the directory and its parents when missing. Returns false on failure.
bool EnsureDirectory(const std::string& path);
// Writes bytes as the whole content of the file. Returns false on failure.
bool WriteBytes(const std::string& path, const ByteBuffer& bytes);
