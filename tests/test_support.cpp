#include "test_support.h"

#include <SDL_mixer.h>

#include <cstdlib>
#include <cstring>
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
    sprite.frameCount = 0;
    sprite.currentFrame = 0;
    sprite.x = 0;
    sprite.y = 0;
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

static std::vector<Sprite*> AllWorldSprites() {
    WorldRecord& w = WorldState;
    std::vector<Sprite*> sprites = {&w.lifeSprite,  &w.bulletSprite,    &w.shotSprite,
                                    &w.enemySprite, &w.bossSprite,      &w.enemy2Sprite,
                                    &w.shipSprite,  &w.explosionSprite, &w.titleSprite};
    for (Sprite& tile : w.tileSprites) {
        sprites.push_back(&tile);
    }
    return sprites;
}

void ClearGlobalRecords() {
    GameState = GameRecord{};
    WorldRecord& w = WorldState;
    memset(w.enemyBullets, 0, sizeof w.enemyBullets);
    memset(w.explosions, 0, sizeof w.explosions);
    memset(w.enemies, 0, sizeof w.enemies);
    memset(&w.ship, 0, sizeof w.ship);
    memset(w.ShotX, 0, sizeof w.ShotX);
    memset(w.ShotY, 0, sizeof w.ShotY);
    memset(w.tileBitmaps, 0, sizeof w.tileBitmaps);
    memset(w.levelMap, 0, sizeof w.levelMap);
    for (Sprite* sprite : AllWorldSprites()) {
        EmptySprite(*sprite);
    }
}

// Frames live for the whole test program, like the game's own bitmaps.
static SDL_Surface* KeptSurface(int w, int h, Uint8 r, Uint8 g, Uint8 b) {
    // Never destroyed, so the leak checker still sees the frames as reachable.
    static std::vector<SDL_Surface*>& kept = *new std::vector<SDL_Surface*>;
    kept.push_back(MakeSurface(w, h, r, g, b));
    return kept.back();
}

void GiveSpritesFrames() {
    WorldRecord& w = WorldState;
    w.titleSprite.AddFrame(KeptSurface(SCREEN_WIDTH, SCREEN_HEIGHT, 10, 10, 40));
    for (int i = 0; i < TEST_EXPLOSION_FRAMES; i++) {
        w.explosionSprite.AddFrame(
            KeptSurface(TEST_EXPLOSION_SIZE, TEST_EXPLOSION_SIZE, 250, 100 + 20 * i, 0));
    }
    w.bulletSprite.AddFrame(KeptSurface(TEST_BULLET_SIZE, TEST_BULLET_SIZE, 255, 0, 255));
    w.bulletSprite.AddFrame(KeptSurface(TEST_BULLET_SIZE, TEST_BULLET_SIZE, 128, 0, 255));
    w.shipSprite.AddFrame(KeptSurface(TEST_SHIP_SIZE, TEST_SHIP_SIZE, 0, 200, 255));
    w.enemySprite.AddFrame(KeptSurface(TEST_ENEMY_W, TEST_ENEMY_H, 0, 255, 0));
    w.enemy2Sprite.AddFrame(KeptSurface(TEST_ENEMY_W, TEST_ENEMY_H, 0, 128, 0));
    w.bossSprite.AddFrame(KeptSurface(TEST_BOSS_W, TEST_BOSS_H, 128, 128, 128));
    w.shotSprite.AddFrame(KeptSurface(TEST_SHOT_W, TEST_SHOT_H, 255, 255, 0));
    w.lifeSprite.AddFrame(KeptSurface(TEST_LIFE_SIZE, TEST_LIFE_SIZE, 0, 0, 255));
}

void GameTest::SetUp() {
    screen = TestScreen();
    ClearGlobalRecords();
    GiveSpritesFrames();
    GameState.screen = screen;
}
