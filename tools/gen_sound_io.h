#pragma once
// Byte packing and file output shared by the sound and tune generators.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

using ByteBuffer = std::vector<uint8_t>;

constexpr uint32_t BYTE_MASK = 0xFF;
constexpr int BITS_PER_BYTE = 8;
constexpr uint32_t WORD_MASK = 0xFFFF;
constexpr int BITS_PER_WORD = 16;

inline void PutLe16(ByteBuffer& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value & BYTE_MASK));
    out.push_back(static_cast<uint8_t>((value >> BITS_PER_BYTE) & BYTE_MASK));
}

inline void PutLe32(ByteBuffer& out, uint32_t value) {
    PutLe16(out, value & WORD_MASK);
    PutLe16(out, value >> BITS_PER_WORD);
}

inline void PutBe16(ByteBuffer& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>((value >> BITS_PER_BYTE) & BYTE_MASK));
    out.push_back(static_cast<uint8_t>(value & BYTE_MASK));
}

inline void PutBe32(ByteBuffer& out, uint32_t value) {
    PutBe16(out, value >> BITS_PER_WORD);
    PutBe16(out, value & WORD_MASK);
}

// Four-character chunk tags such as "RIFF" or "MTrk".
inline void PutTag(ByteBuffer& out, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(tag[i]));
    }
}

// Writes bytes to dataDir/sounds/fileName, creating the directory if needed.
inline bool WriteSoundFile(const std::string& dataDir, const char* fileName,
                           const ByteBuffer& bytes) {
    const std::filesystem::path dir = std::filesystem::path(dataDir) / "sounds";
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        return false;
    }
    std::ofstream file(dir / fileName, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}
