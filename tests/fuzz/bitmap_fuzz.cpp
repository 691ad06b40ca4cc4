// Fuzzes the bitmap loader: the input is a picture file. Whatever it holds,
// LoadBitmap either refuses it (null slot) or gives a surface that draws and
// collides like any other, also partly and wholly off the screen.
#include "fuzz_support.h"
#include "sprites/sprite.h"

static constexpr const char* PICTURE_PATH = "picture.bmp";
// On screen, straddling the top-left and bottom-right corners, and wholly outside.
static constexpr int DRAW_SPOTS[][2] = {{0, 0}, {-7, -5}, {630, 470}, {-5000, 9000}};

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzStartUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SDL_Surface* screen = FuzzStartUp();
    WriteBytes(PICTURE_PATH, data, size);
    SDL_Surface* picture = nullptr;
    LoadBitmap(picture, PICTURE_PATH);
    if (!picture) {
        return 0;
    }
    Sprite sprite, other;
    sprite.AddFrame(picture);
    other.AddFrame(picture);
    for (const auto& spot : DRAW_SPOTS) {
        sprite.x = spot[0];
        sprite.y = spot[1];
        sprite.Draw(screen);
        (void)sprite.Overlaps(other);
    }
    SDL_FreeSurface(picture);
    return 0;
}
