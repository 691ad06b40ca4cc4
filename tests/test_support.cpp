#include "test_support.h"

#include <cstdlib>
#include <new>
#include <vector>

#include "shell/shell.h"

SDL_Surface* MakeSurface(int w, int h, Uint8 r, Uint8 g, Uint8 b) {
    SDL_Surface* surface =
        SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, r, g, b));
    return surface;
}

void EmptySprite(Sprite& sprite) {
    for (int i = 0; i < sprite.capacity; i++) {
        sprite.frames[i] = nullptr;
    }
    sprite.frameCount = sprite.currentFrame = sprite.x = sprite.y = 0;
}

SDL_Surface* TestScreen() {
    static SDL_Surface* screen = nullptr;
    if (!screen) {
        SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_JOYSTICK);
        screen = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, SDL_DOUBLEBUF);
        OpenMixer();
        TTF_Init();
        // Shut down at exit as the game does, before the test program's own
        // static data goes: SDL2's audio thread must not outlive it.
        atexit(SDL_Quit);
        atexit(Mix_CloseAudio);
        atexit(TTF_Quit);
    }
    return screen;
}

void ClearGlobalRecords() {
    GameState = GameRecord{};
    // Built afresh as at program start: zeroed tables, empty sprites.
    WorldState.~WorldRecord();
    new (&WorldState) WorldRecord();
}

SDL_Surface* KeptSurface(int w, int h, Uint8 r, Uint8 g, Uint8 b) {
    // Never destroyed, so the leak checker still sees the surfaces as reachable.
    static std::vector<SDL_Surface*>& kept = *new std::vector<SDL_Surface*>;
    kept.push_back(MakeSurface(w, h, r, g, b));
    return kept.back();
}

static void GiveSpritesFrames() {
    WorldRecord& w = WorldState;
    w.titleSprite.AddFrame(KeptSurface(SCREEN_WIDTH, SCREEN_HEIGHT, 10, 10, 40));
    for (int i = 0; i < 7; i++) {  // the art's seven explosion stages
        w.explosionSprite.AddFrame(KeptSurface(60, 60, 250, 100 + 20 * i, 0));
    }
    w.bulletSprite.AddFrame(KeptSurface(8, 8, 255, 0, 255));
    w.bulletSprite.AddFrame(KeptSurface(8, 8, 128, 0, 255));
    w.shipSprite.AddFrame(KeptSurface(20, 20, 0, 200, 255));
    w.enemySprite.AddFrame(KeptSurface(60, 40, 0, 255, 0));
    w.enemy2Sprite.AddFrame(KeptSurface(60, 40, 0, 128, 0));
    w.bossSprite.AddFrame(KeptSurface(120, 80, 128, 128, 128));
    w.shotSprite.AddFrame(KeptSurface(20, 12, 255, 255, 0));
    w.lifeSprite.AddFrame(KeptSurface(TEST_LIFE_SIZE, TEST_LIFE_SIZE, 0, 0, 255));
}

void GameTest::SetUp() {
    screen = TestScreen();
    ClearGlobalRecords();
    GiveSpritesFrames();
    GameState.screen = screen;
}
