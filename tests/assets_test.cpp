// Loading the start-up resources and pictures, releasing them, and playing sound effects.
#include "shell/assets.h"

#include <SDL_mixer.h>

#include <cstring>
#include <string>
#include <vector>

#include "world_fixture.h"

// Runs from the real data with the empty sprites of program start, and frees
// what the loaders leave behind.
class AssetsTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        ClearGlobalRecords();
        GameState.screen = screen;
    }
    void TearDown() override {
        for (SDL_Surface* bitmap : GameState.bitmaps) {
            SDL_FreeSurface(bitmap);
        }
        Mix_FreeChunk(GameState.shotSound);
        Mix_FreeChunk(GameState.explosionSound);
    }

    const ScopedWorkingDir data{KORVANE_DATA_DIR};
};

// True when two surfaces have the same size, depth and pixels.
static bool SamePixels(SDL_Surface* a, SDL_Surface* b) {
    if (a->w != b->w || a->h != b->h || a->format->BytesPerPixel != b->format->BytesPerPixel) {
        return false;
    }
    SDL_LockSurface(a);
    SDL_LockSurface(b);
    const size_t rowBytes = static_cast<size_t>(a->w) * a->format->BytesPerPixel;
    bool same = true;
    for (int y = 0; y < a->h && same; y++) {
        same = memcmp(static_cast<Uint8*>(a->pixels) + y * a->pitch,
                      static_cast<Uint8*>(b->pixels) + y * b->pitch, rowBytes) == 0;
    }
    SDL_UnlockSurface(b);
    SDL_UnlockSurface(a);
    return same;
}

// Checks that a sprite's frames are exactly the given pictures, in order.
static void ExpectFramesAre(const Sprite& sprite, const std::vector<std::string>& paths) {
    ASSERT_EQ(sprite.frameCount, static_cast<int>(paths.size()));
    for (size_t i = 0; i < paths.size(); i++) {
        SDL_Surface* file = nullptr;
        LoadBitmap(file, paths[i].c_str());
        ASSERT_NE(file, nullptr) << paths[i];
        EXPECT_TRUE(SamePixels(sprite.frames[i], file)) << "frame " << i << ", " << paths[i];
        SDL_FreeSurface(file);
    }
}

TEST_F(AssetsTest, AnimationFramesFollowThePictureNumbersAndOtherSpritesGetOneFrame) {
    constexpr int EXPLOSION_STAGES = 7;
    std::vector<std::string> explosion;
    for (int stage = 1; stage <= EXPLOSION_STAGES; stage++) {
        explosion.push_back("pics/explode" + std::to_string(stage) + ".bmp");
    }

    ASSERT_TRUE(LoadGraphics());

    ExpectFramesAre(WorldState.explosionSprite, explosion);
    ExpectFramesAre(WorldState.bulletSprite, {"pics/dispene.bmp", "pics/dispene2.bmp"});
    const WorldRecord& w = WorldState;
    for (const Sprite* single : {&w.titleSprite, &w.shipSprite, &w.enemySprite, &w.enemy2Sprite,
                                 &w.bossSprite, &w.shotSprite, &w.lifeSprite}) {
        EXPECT_EQ(single->frameCount, 1);
    }
}

TEST_F(AssetsTest, ResourcesLoadWithoutAJoystickAndReleaseClearsThem) {
    ASSERT_EQ(SDL_NumJoysticks(), 0);

    ASSERT_TRUE(LoadResources());
    EXPECT_NE(GameState.font, nullptr);
    EXPECT_NE(GameState.music, nullptr);
    EXPECT_NE(GameState.shotSound, nullptr);
    EXPECT_NE(GameState.explosionSound, nullptr);
    EXPECT_EQ(GameState.joystick, nullptr);

    ReleaseResources();
    EXPECT_EQ(GameState.font, nullptr);
    EXPECT_EQ(GameState.music, nullptr);
}

TEST_F(AssetsTest, SoundsTakeFreeChannelsUntilAllAreBusy) {
    // Silence long enough to outlast the test, in the mixer's 16-bit mono format.
    std::vector<Sint16> silence(MIX_DEFAULT_FREQUENCY);
    Mix_Chunk* chunk = Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(silence.data()),
                                         static_cast<Uint32>(silence.size() * sizeof(Sint16)));

    PlaySound(nullptr);
    for (int i = 0; i <= MIX_CHANNELS; i++) {
        PlaySound(chunk);
    }
    EXPECT_EQ(Mix_Playing(-1), MIX_CHANNELS);

    Mix_HaltChannel(-1);
    Mix_FreeChunk(chunk);
}
