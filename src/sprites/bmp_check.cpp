#include "sprites/bmp_check.h"

#include <algorithm>
#include <iterator>

// The parts of a BMP header that say how much pixel data follows it.
static constexpr int BMP_MAGIC_BYTES = 2;
static constexpr int BMP_FILE_HEADER_BYTES = 14;
static constexpr int BMP_HEADER_BYTES = 34;  // up to the compression field
static constexpr int BMP_OFFSET_AT = 10;
static constexpr int BMP_INFO_SIZE_AT = 14;
static constexpr int BMP_CORE_INFO_SIZE = 12;  // the old header with 16-bit sizes
static constexpr int BMP_CORE_WIDTH_AT = 18;
static constexpr int BMP_CORE_HEIGHT_AT = 20;
static constexpr int BMP_CORE_DEPTH_AT = 24;
static constexpr int BMP_WIDTH_AT = 18;
static constexpr int BMP_HEIGHT_AT = 22;
static constexpr int BMP_DEPTH_AT = 28;
static constexpr int BMP_COMPRESSION_AT = 30;
static constexpr Uint32 BMP_UNCOMPRESSED = 0;
static constexpr Uint32 BMP_BITFIELDS = 3;
static constexpr Uint64 BMP_ROW_ALIGN_BITS = 32;
static constexpr int WORD_BYTES = 2;
static constexpr int DWORD_BYTES = 4;

// The depths a BMP file can have, in bits per pixel.
static constexpr int BMP_DEPTHS[] = {1, 4, 8, 15, 16, 24, 32};
static constexpr int BITS_PER_BYTE = 8;

static Uint32 ReadLe(const Uint8* bytes, int at, int size) {
    Uint32 value = 0;
    for (int i = size - 1; i >= 0; i--) {
        value = (value << BITS_PER_BYTE) | bytes[at + i];
    }
    return value;
}

// Whether rows of rowBits pixel bits each fit in available bytes (without
// overflow for any header's numbers). Rows are padded to whole 32-bit words,
// but SDL reads the last row's padding without checking it, so a file may
// end without it.
static bool RowsFit(Uint64 rowBits, Uint64 rows, Uint64 available) {
    const Uint64 rowBytes = (rowBits + BMP_ROW_ALIGN_BITS - 1) / BMP_ROW_ALIGN_BITS *
                            (BMP_ROW_ALIGN_BITS / BITS_PER_BYTE);
    const Uint64 lastRowBytes = (rowBits + BITS_PER_BYTE - 1) / BITS_PER_BYTE;
    if (rows == 0 || rowBytes == 0) {
        return true;
    }
    return lastRowBytes <= available && rows - 1 <= (available - lastRowBytes) / rowBytes;
}

// Whether the pixel rows a BMP header declares fit in what is left of the
// file, read before SDL sees the file: some SDL versions allocate the whole
// surface a header asks for before reading a single row, so a damaged 54-byte
// file could cost gigabytes. A depth below one bit counts as one, so the
// surface SDL makes is never more than a small multiple of the file's size.
// Compressed pictures are refused as the classic library refuses them, since
// their size cannot be bounded this way, and so are cut headers. Files that
// are not BMP files at all are left to SDL to reject. The stream is left
// where it was.
static bool PixelDataFits(SDL_RWops* stream) {
    const int start = SDL_RWtell(stream);
    Uint8 header[BMP_HEADER_BYTES];
    const int got = SDL_RWread(stream, header, 1, sizeof header);
    const int end = SDL_RWseek(stream, 0, RW_SEEK_END);
    SDL_RWseek(stream, start, RW_SEEK_SET);
    if (start < 0 || end < start || got < BMP_MAGIC_BYTES || header[0] != 'B' || header[1] != 'M') {
        return true;
    }
    // SDL reads past the end of a cut header as zeros, or as whatever was in
    // its variables, and may size a surface from that.
    const bool core = got >= BMP_INFO_SIZE_AT + DWORD_BYTES &&
                      ReadLe(header, BMP_INFO_SIZE_AT, DWORD_BYTES) == Uint32{BMP_CORE_INFO_SIZE};
    if (got < (core ? BMP_FILE_HEADER_BYTES + BMP_CORE_INFO_SIZE : BMP_HEADER_BYTES)) {
        SDL_SetError("BMP header is cut short");
        return false;
    }
    Uint64 width, rows, depth;
    if (core) {
        width = ReadLe(header, BMP_CORE_WIDTH_AT, WORD_BYTES);
        rows = ReadLe(header, BMP_CORE_HEIGHT_AT, WORD_BYTES);
        depth = ReadLe(header, BMP_CORE_DEPTH_AT, WORD_BYTES);
    } else {
        const Uint32 compression = ReadLe(header, BMP_COMPRESSION_AT, DWORD_BYTES);
        if (compression != BMP_UNCOMPRESSED && compression != BMP_BITFIELDS) {
            SDL_SetError("compressed BMP files are not supported");
            return false;
        }
        // Widths and heights are signed; a negative height marks a top-down picture.
        const Sint32 w = static_cast<Sint32>(ReadLe(header, BMP_WIDTH_AT, DWORD_BYTES));
        const Sint32 h = static_cast<Sint32>(ReadLe(header, BMP_HEIGHT_AT, DWORD_BYTES));
        width = w < 0 ? -static_cast<Sint64>(w) : w;
        rows = h < 0 ? -static_cast<Sint64>(h) : h;
        depth = ReadLe(header, BMP_DEPTH_AT, WORD_BYTES);
    }
    const Uint64 fileBytes = end - start;
    const Uint64 offset = std::min<Uint64>(ReadLe(header, BMP_OFFSET_AT, DWORD_BYTES), fileBytes);
    if (!RowsFit(width * std::max<Uint64>(depth, 1), rows, fileBytes - offset)) {
        SDL_SetError("BMP header declares more pixel data than the file holds");
        return false;
    }
    return true;
}

// SDL 1.2 turns some damaged headers into surfaces it cannot convert or that
// have no area: a depth field above 255 (it keeps only the low byte), or a
// height of -2^31 (negating it for a top-down picture overflows).
static bool IsUsableBitmap(const SDL_Surface* surface) {
    const SDL_PixelFormat* format = surface->format;
    const int bits = format->BitsPerPixel;
    const bool bmpDepth =
        std::find(std::begin(BMP_DEPTHS), std::end(BMP_DEPTHS), bits) != std::end(BMP_DEPTHS);
    const bool paletteIfNeeded = bits > BITS_PER_BYTE || format->palette != nullptr;
    return bmpDepth && paletteIfNeeded &&
           format->BytesPerPixel == (bits + BITS_PER_BYTE - 1) / BITS_PER_BYTE && surface->w > 0 &&
           surface->h > 0;
}

SDL_Surface* LoadCheckedBmp(SDL_RWops* stream) {
    if (!PixelDataFits(stream)) {
        SDL_RWclose(stream);
        return nullptr;
    }
    SDL_Surface* surface = SDL_LoadBMP_RW(stream, 1);
    if (surface && !IsUsableBitmap(surface)) {
        SDL_FreeSurface(surface);
        surface = nullptr;
        SDL_SetError("BMP header gives no usable picture");
    }
    return surface;
}
