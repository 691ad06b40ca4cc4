#pragma once
// Byte packing and file output shared by the sound and tune generators.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

using ByteBuffer = std::vector<uint8_t>;

constexpr uint32_t kByteMask = 0xFF;
constexpr int kBitsPerByte = 8;
constexpr uint32_t kWordMask = 0xFFFF;
constexpr int kBitsPerWord = 16;

inline void PutLe16(ByteBuffer& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value & kByteMask));
    out.push_back(static_cast<uint8_t>((value >> kBitsPerByte) & kByteMask));
}

inline void PutLe32(ByteBuffer& out, uint32_t value) {
    PutLe16(out, value & kWordMask);
    PutLe16(out, value >> kBitsPerWord);
}

inline void PutBe16(ByteBuffer& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>((value >> kBitsPerByte) & kByteMask));
    out.push_back(static_cast<uint8_t>(value & kByteMask));
}

inline void PutBe32(ByteBuffer& out, uint32_t value) {
    PutBe16(out, value >> kBitsPerWord);
    PutBe16(out, value & kWordMask);
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
