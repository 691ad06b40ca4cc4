#include "gen_png.h"

#include <algorithm>
#include <string>

#include "gen_files.h"

constexpr uint8_t PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr uint8_t BIT_DEPTH = 8;
constexpr uint8_t COLOUR_RGBA = 6;
constexpr uint8_t FILTER_NONE = 0;
constexpr uint8_t OPAQUE = 255;
constexpr uint8_t CLEAR = 0;
// zlib header: deflate with a 32K window, no preset dictionary, fastest level.
constexpr uint8_t ZLIB_METHOD = 0x78;
constexpr uint8_t ZLIB_FLAGS = 0x01;
// A stored deflate block holds at most this many bytes.
constexpr size_t STORED_BLOCK_MAX = 65535;
constexpr uint8_t STORED_BLOCK = 0;
constexpr uint8_t FINAL_BLOCK = 1;
constexpr uint32_t CRC_POLYNOMIAL = 0xedb88320u;
constexpr uint32_t ADLER_MODULUS = 65521u;

static uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (CRC_POLYNOMIAL & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

static uint32_t Adler32(const std::vector<uint8_t>& data) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % ADLER_MODULUS;
        b = (b + a) % ADLER_MODULUS;
    }
    return (b << 16) | a;
}

// Appends a chunk: length, type, data and the CRC of type and data.
static void PutChunk(std::vector<uint8_t>& out, const char* type,
                     const std::vector<uint8_t>& data) {
    PutBe32(out, static_cast<uint32_t>(data.size()));
    size_t typeStart = out.size();
    PutTag(out, type);
    out.insert(out.end(), data.begin(), data.end());
    PutBe32(out, Crc32(out.data() + typeStart, out.size() - typeStart));
}

// Each row: a filter byte, then RGBA pixels.
static std::vector<uint8_t> RawRows(const Canvas& canvas) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < canvas.height; ++y) {
        raw.push_back(FILTER_NONE);
        for (int x = 0; x < canvas.width; ++x) {
            Rgb colour = GetPixel(canvas, x, y);
            bool clear = colour == KEY_RED;
            raw.insert(raw.end(), {clear ? CLEAR : colour.r, clear ? CLEAR : colour.g,
                                   clear ? CLEAR : colour.b, clear ? CLEAR : OPAQUE});
        }
    }
    return raw;
}

static std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out{ZLIB_METHOD, ZLIB_FLAGS};
    size_t offset = 0;
    do {
        size_t size = std::min(STORED_BLOCK_MAX, raw.size() - offset);
        bool last = offset + size == raw.size();
        out.push_back(last ? (FINAL_BLOCK | STORED_BLOCK) : STORED_BLOCK);
        PutLe16(out, static_cast<uint32_t>(size));
        PutLe16(out, static_cast<uint32_t>(~size & STORED_BLOCK_MAX));
        out.insert(out.end(), raw.begin() + static_cast<long>(offset),
                   raw.begin() + static_cast<long>(offset + size));
        offset += size;
    } while (offset < raw.size());
    PutBe32(out, Adler32(raw));
    return out;
}

std::vector<uint8_t> EncodePng(const Canvas& canvas) {
    std::vector<uint8_t> png(std::begin(PNG_SIGNATURE), std::end(PNG_SIGNATURE));
    std::vector<uint8_t> header;
    PutBe32(header, static_cast<uint32_t>(canvas.width));
    PutBe32(header, static_cast<uint32_t>(canvas.height));
    header.insert(header.end(), {BIT_DEPTH, COLOUR_RGBA, 0, 0, 0});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", ZlibStored(RawRows(canvas)));
    PutChunk(png, "IEND", {});
    return png;
}
