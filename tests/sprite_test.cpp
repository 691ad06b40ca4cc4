// Sprite frames and overlap, and the colour key of loaded bitmaps.
#include "sprites/sprite.h"

#include <string>

#include "world_fixture.h"

static constexpr int BIG = 20;    // side of the larger test frame
static constexpr int SMALL = 10;  // side of the smaller one

using SpriteTest = WorldTest;

TEST_F(SpriteTest, OverlapIsStrictSymmetricAndExactlyZeroOrOne) {
    // b (SMALL) placed against a (BIG): touching edges do not overlap, one pixel more does.
    struct Case {
        int ax, ay, bx, by, expected;
    };
    const Case cases[] = {{0, 0, BIG, 5, 0},       {0, 0, BIG - 1, 5, 1},  {0, 0, 5, BIG, 0},
                          {0, 0, 5, BIG - 1, 1},   {0, 0, -SMALL, 5, 0},   {0, 0, BIG, BIG, 0},
                          {-30, -30, -11, -11, 1}, {-30, -30, -10, -20, 0}};
    Sprite a;
    a.AddFrame(KeptSurface(BIG, BIG, 255, 255, 255));
    Sprite b;
    b.AddFrame(KeptSurface(SMALL, SMALL, 255, 255, 255));
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
    SDL_Surface* big = KeptSurface(BIG, BIG, 255, 255, 255);
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
