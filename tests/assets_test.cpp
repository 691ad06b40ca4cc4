// Loading the start-up resources and pictures, releasing them, and playing sound effects.
#include "shell/assets.h"

#include <cstring>
#include <string>

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
        ReleaseResources();
        Mix_FreeChunk(GameState.shotSound);
        Mix_FreeChunk(GameState.explosionSound);
    }

    const ScopedWorkingDir data{KORVANE_DATA_DIR};
};

// True when a frame holds the pixels of the picture at path, loaded afresh.
static bool FrameIs(const SDL_Surface* frame, const std::string& path) {
    SDL_Surface* file = nullptr;
    LoadBitmap(file, path.c_str());
    const bool same = file && frame && file->w == frame->w && file->h == frame->h &&
                      memcmp(file->pixels, frame->pixels, size_t(file->pitch) * file->h) == 0;
    SDL_FreeSurface(file);
    return same;
}

TEST_F(AssetsTest, AnimationFramesFollowThePictureNumbersAndOtherSpritesGetOneFrame) {
    constexpr int EXPLOSION_STAGES = 7;

    ASSERT_TRUE(LoadGraphics());

    const WorldRecord& w = WorldState;
    EXPECT_EQ(w.explosionSprite.frameCount, EXPLOSION_STAGES);
    for (int stage = 1; stage <= EXPLOSION_STAGES; stage++) {
        EXPECT_TRUE(FrameIs(w.explosionSprite.frames[stage - 1],
                            "pics/explode" + std::to_string(stage) + ".bmp"))
            << stage;
    }
    EXPECT_EQ(w.bulletSprite.frameCount, 2);
    EXPECT_TRUE(FrameIs(w.bulletSprite.frames[0], "pics/dispene.bmp"));
    EXPECT_TRUE(FrameIs(w.bulletSprite.frames[1], "pics/dispene2.bmp"));
    for (const Sprite* single : {&w.titleSprite, &w.shipSprite, &w.enemySprite, &w.enemy2Sprite,
                                 &w.bossSprite, &w.shotSprite, &w.lifeSprite}) {
        EXPECT_EQ(single->frameCount, 1);
    }
}

TEST_F(AssetsTest, ResourcesLoadWithoutAJoystick) {
    ASSERT_TRUE(LoadResources());

    EXPECT_NE(GameState.font, nullptr);
    EXPECT_NE(GameState.music, nullptr);
    EXPECT_NE(GameState.shotSound, nullptr);
    EXPECT_NE(GameState.explosionSound, nullptr);
    EXPECT_EQ(GameState.joystick, nullptr);
}

TEST_F(AssetsTest, SoundsTakeFreeChannelsUntilAllAreBusy) {
    PlaySound(nullptr);
    for (int i = 0; i <= MIX_CHANNELS; i++) {
        PlaySound(SilentChunk());
    }
    EXPECT_EQ(Mix_Playing(-1), MIX_CHANNELS);
    Mix_HaltChannel(-1);
}
