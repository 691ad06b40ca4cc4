#include "data_files.h"

#include <SDL.h>

#include <fstream>
#include <iterator>

static Uint32 RawPixel(const SDL_Surface* surface, int x, int y) {
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch +
                     x * surface->format->BytesPerPixel;
    Uint32 value = 0;
    for (int i = 0; i < surface->format->BytesPerPixel; ++i) {
        int shift =
            SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * i : 8 * (surface->format->BytesPerPixel - 1 - i);
        value |= static_cast<Uint32>(p[i]) << shift;
    }
    return value;
}

bool LoadPicture(const std::string& path, Picture& picture) {
    SDL_Surface* surface = SDL_LoadBMP(path.c_str());
    if (surface == nullptr) {
        return false;
    }
    picture.width = surface->w;
    picture.height = surface->h;
    picture.bitsPerPixel = surface->format->BitsPerPixel;
    picture.pixels.clear();
    for (int y = 0; y < surface->h; ++y) {
        for (int x = 0; x < surface->w; ++x) {
            Pixel pixel{};
            SDL_GetRGB(RawPixel(surface, x, y), surface->format, &pixel.r, &pixel.g, &pixel.b);
            picture.pixels.push_back(pixel);
        }
    }
    SDL_FreeSurface(surface);
    return true;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file),
                                std::istreambuf_iterator<char>());
}

std::string SourcePath(const std::string& relative) {
    return std::string(KORVANE_SOURCE_DIR) + "/" + relative;
}
