#include "gen_files.h"

#include <cstdio>
#include <filesystem>

constexpr uint32_t BYTE_MASK = 0xFF;
constexpr uint32_t WORD_MASK = 0xFFFF;
constexpr int BITS_PER_WORD = 16;
constexpr int TAG_BYTES = 4;

void PutLe16(ByteBuffer& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value & BYTE_MASK));
    out.push_back(static_cast<uint8_t>((value >> BITS_PER_BYTE) & BYTE_MASK));
}

void PutLe32(ByteBuffer& out, uint32_t value) {
    PutLe16(out, value & WORD_MASK);
    PutLe16(out, value >> BITS_PER_WORD);
}

void PutBe16(ByteBuffer& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>((value >> BITS_PER_BYTE) & BYTE_MASK));
    out.push_back(static_cast<uint8_t>(value & BYTE_MASK));
}

void PutBe32(ByteBuffer& out, uint32_t value) {
    PutBe16(out, value >> BITS_PER_WORD);
    PutBe16(out, value & WORD_MASK);
}

void PutTag(ByteBuffer& out, const char* tag) {
    out.insert(out.end(), tag, tag + TAG_BYTES);
}

bool EnsureDirectory(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return !error;
}

bool WriteBytes(const std::string& path, const ByteBuffer& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
