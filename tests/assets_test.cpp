// Loading the pictures into the sprites.
#include "shell/assets.h"

#include <cstring>
#include <string>

#include "world_fixture.h"

// True when a frame holds the pixels of the picture at path, loaded afresh.
static bool FrameIs(const SDL_Surface* frame, const std::string& path) {
    SDL_Surface* file = nullptr;
    LoadBitmap(file, path.c_str());
    const bool same = file && frame && file->w == frame->w && file->h == frame->h &&
                      memcmp(file->pixels, frame->pixels, size_t(file->pitch) * file->h) == 0;
    SDL_FreeSurface(file);
    return same;
}

TEST(AssetsTest, AnimationFramesFollowThePictureNumbers) {
    TestScreen();
    ClearGlobalRecords();
    const ScopedWorkingDir data{KORVANE_DATA_DIR};

    ASSERT_TRUE(LoadGraphics());

    const WorldRecord& w = WorldState;
    EXPECT_EQ(w.explosionSprite.frameCount, 7);
    for (int stage = 1; stage <= 7; stage++) {
        EXPECT_TRUE(FrameIs(w.explosionSprite.frames[stage - 1],
                            "pics/explode" + std::to_string(stage) + ".bmp"))
            << stage;
    }
    EXPECT_EQ(w.bulletSprite.frameCount, 2);
    EXPECT_TRUE(FrameIs(w.bulletSprite.frames[0], "pics/dispene.bmp"));
    EXPECT_TRUE(FrameIs(w.bulletSprite.frames[1], "pics/dispene2.bmp"));
    for (SDL_Surface* bitmap : GameState.bitmaps) {
        SDL_FreeSurface(bitmap);
    }
}
