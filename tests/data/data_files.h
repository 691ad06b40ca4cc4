// Reading the shipped data files for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Pixel {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

inline bool operator==(Pixel a, Pixel b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}
inline bool operator!=(Pixel a, Pixel b) {
    return !(a == b);
}
inline bool operator<(Pixel a, Pixel b) {
    return (a.r << 16 | a.g << 8 | a.b) < (b.r << 16 | b.g << 8 | b.b);
}

// The game's only transparent colour.
constexpr Pixel KEY{255, 0, 0};

// A BMP file as SDL reads it: its depth and its pixels, row by row.
struct Picture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<Pixel> pixels;

    Pixel At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

// Loads a BMP with SDL. Returns false when SDL cannot read it.
bool LoadPicture(const std::string& path, Picture& picture);

// The whole content of a file; empty when it cannot be read.
std::vector<uint8_t> ReadBytes(const std::string& path);

// A path inside the source tree.
std::string SourcePath(const std::string& relative);
