// Sprite frames and overlap, the colour key of loaded bitmaps, and the
// pictures the game loads into its sprites.
#include "sprites/sprite.h"

#include <cstring>
#include <string>

#include "shell/assets.h"
#include "world_fixture.h"

static constexpr int BIG = 20;    // side of the larger test frame
static constexpr int SMALL = 10;  // side of the smaller one

// Sprites with white frames on a black screen.
class SpriteTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearScreen(screen); }

    SDL_Surface* screen = TestScreen();
    SDL_Surface* big = KeptSurface(BIG, BIG, 255, 255, 255);
    SDL_Surface* small = KeptSurface(SMALL, SMALL, 255, 255, 255);
};

TEST_F(SpriteTest, OverlapIsStrictSymmetricAndExactlyZeroOrOne) {
    // b (SMALL) placed against a (BIG): touching edges do not overlap, one pixel more does.
    struct Case {
        int ax, ay, bx, by, expected;
    };
    const Case cases[] = {{0, 0, BIG, 5, 0},       {0, 0, BIG - 1, 5, 1},  {0, 0, 5, BIG, 0},
                          {0, 0, 5, BIG - 1, 1},   {0, 0, -SMALL, 5, 0},   {0, 0, BIG, BIG, 0},
                          {-30, -30, -11, -11, 1}, {-30, -30, -10, -20, 0}};
    Sprite a;
    a.AddFrame(big);
    Sprite b;
    b.AddFrame(small);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "a at " << c.ax << "," << c.ay << ", b at " << c.bx << "," << c.by);
        a.x = c.ax;
        a.y = c.ay;
        b.x = c.bx;
        b.y = c.by;
        EXPECT_EQ(a.Overlaps(b), c.expected);
        EXPECT_EQ(b.Overlaps(a), c.expected);
    }
}

// A full sprite drops further frames; SelectFrame ignores indices outside
// 0..capacity-1, and a selected slot with no frame draws and overlaps nothing.
TEST_F(SpriteTest, SelectFrameIsBoundedByCapacityAndAnUnfilledSlotShowsNothing) {
    constexpr int CAPACITY = 12;
    constexpr int UNFILLED = 9;
    Sprite explosion(CAPACITY);
    for (int i = 0; i <= CAPACITY; i++) {
        explosion.AddFrame(big);
    }
    EXPECT_EQ(explosion.frameCount, CAPACITY);
    explosion.frames[UNFILLED] = nullptr;
    Sprite ship;
    ship.AddFrame(big);
    for (const int index : {CAPACITY - 1, CAPACITY, -1}) {
        explosion.SelectFrame(index);
    }
    EXPECT_EQ(explosion.currentFrame, CAPACITY - 1);

    explosion.SelectFrame(UNFILLED);
    explosion.Draw(screen);
    EXPECT_EQ(LitPixels(screen, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT), 0);
    EXPECT_EQ(explosion.Overlaps(ship) + ship.Overlaps(explosion), 0);
}

TEST_F(SpriteTest, LoadedBitmapKeysOutPureRedOnly) {
    const ScratchDir dir;
    const std::string path = (dir.path / "key.bmp").string();
    SDL_Surface* picture = MakeSurface(2, 1, 254, 0, 0);
    SDL_Rect left = {0, 0, 1, 1};  // pure red beside almost red
    SDL_FillRect(picture, &left, SDL_MapRGB(picture->format, 255, 0, 0));
    SDL_SaveBMP(picture, path.c_str());
    SDL_FreeSurface(picture);

    SDL_Surface* loaded = nullptr;
    LoadBitmap(loaded, path.c_str());
    ASSERT_NE(loaded, nullptr) << SDL_GetError();
    Sprite sprite;
    sprite.AddFrame(loaded);
    sprite.Draw(screen);

    EXPECT_EQ(PixelAt(screen, 0, 0), BLACK);
    EXPECT_EQ(PixelAt(screen, 1, 0), Rgb(254, 0, 0));
    SDL_FreeSurface(loaded);
}

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
