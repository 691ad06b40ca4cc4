// Sprite frames, drawing and overlap, and loading keyed bitmaps.
#include "sprites/sprite.h"

#include <fstream>
#include <vector>

#include "world_fixture.h"

static constexpr int BIG = 20;    // side of the larger test frame
static constexpr int SMALL = 10;  // side of the smaller one

// Sprites on a black screen; their frames are white and freed after the test.
class SpriteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        screen = TestScreen();
        ClearScreen(screen);
    }
    void TearDown() override {
        for (SDL_Surface* surface : surfaces) {
            SDL_FreeSurface(surface);
        }
    }

    SDL_Surface* Frame(int side) {
        surfaces.push_back(MakeSurface(side, side, 255, 255, 255));
        return surfaces.back();
    }
    int LitScreenPixels() { return LitPixels(screen, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT); }

    SDL_Surface* screen = nullptr;
    std::vector<SDL_Surface*> surfaces;
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
    a.AddFrame(Frame(BIG));
    Sprite b;
    b.AddFrame(Frame(SMALL));
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

TEST_F(SpriteTest, FullSpriteDropsFurtherFrames) {
    Sprite single;
    single.AddFrame(Frame(1));
    single.AddFrame(Frame(1));
    EXPECT_EQ(single.frameCount, 1);
    EXPECT_EQ(single.frames[0], surfaces[0]);

    constexpr int CAPACITY = 7;
    Sprite seven(CAPACITY);
    for (int i = 0; i <= CAPACITY; i++) {
        seven.AddFrame(Frame(1));
    }
    EXPECT_EQ(seven.frameCount, CAPACITY);
    EXPECT_EQ(seven.frames[CAPACITY - 1], surfaces[surfaces.size() - 2]);
}

TEST_F(SpriteTest, SelectFrameIsBoundedByCapacityAndAnUnfilledSlotShowsNothing) {
    constexpr int CAPACITY = 12;
    constexpr int UNFILLED = 9;
    Sprite explosion(CAPACITY);
    explosion.AddFrame(Frame(BIG));
    explosion.AddFrame(Frame(BIG));
    Sprite ship;
    ship.AddFrame(Frame(BIG));

    explosion.SelectFrame(1);
    explosion.SelectFrame(CAPACITY);
    explosion.SelectFrame(-1);
    EXPECT_EQ(explosion.currentFrame, 1);

    explosion.SelectFrame(UNFILLED);
    explosion.Draw(screen);
    EXPECT_EQ(explosion.currentFrame, UNFILLED);
    EXPECT_EQ(LitScreenPixels(), 0);
    EXPECT_EQ(explosion.Overlaps(ship), 0);
    EXPECT_EQ(ship.Overlaps(explosion), 0);
}

TEST_F(SpriteTest, ReplaceFrameReturnsTheSurfaceItReplaced) {
    Sprite tile;
    SDL_Surface* old = Frame(1);
    SDL_Surface* replacement = Frame(1);
    EXPECT_EQ(tile.ReplaceFrame(0, replacement), nullptr) << "no frame yet";
    tile.AddFrame(old);

    EXPECT_EQ(tile.ReplaceFrame(0, replacement), old);
    EXPECT_EQ(tile.ReplaceFrame(1, old), nullptr);
    EXPECT_EQ(tile.frames[0], replacement);
}

TEST_F(SpriteTest, DrawClipsToTheScreenAndSkipsFramesEntirelyOutside) {
    Sprite sprite;
    sprite.AddFrame(Frame(BIG));
    const SDL_Rect places[] = {{-SMALL, -SMALL, 0, 0},
                               {SCREEN_WIDTH - SMALL, SCREEN_HEIGHT - SMALL, 0, 0},
                               {SCREEN_WIDTH, 0, 0, 0},
                               {0, -BIG, 0, 0}};
    for (const SDL_Rect& place : places) {
        sprite.x = place.x;
        sprite.y = place.y;
        sprite.Draw(screen);
    }
    // Only a SMALL square at each of the two corners is left.
    EXPECT_EQ(LitScreenPixels(), 2 * SMALL * SMALL);
    EXPECT_NE(PixelAt(screen, 0, 0), BLACK);
    EXPECT_NE(PixelAt(screen, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1), BLACK);
}

TEST_F(SpriteTest, LoadedBitmapKeysOutPureRedOnly) {
    const ScratchDir dir;
    const std::string path = (dir.path / "key.bmp").string();
    SDL_Surface* picture = MakeSurface(2, 1, 254, 0, 0);
    SDL_Rect left = {0, 0, 1, 1};
    SDL_FillRect(picture, &left, SDL_MapRGB(picture->format, 255, 0, 0));
    SDL_SaveBMP(picture, path.c_str());
    SDL_FreeSurface(picture);

    SDL_Surface* loaded = nullptr;
    LoadBitmap(loaded, path.c_str());
    ASSERT_NE(loaded, nullptr) << SDL_GetError();
    surfaces.push_back(loaded);
    Sprite sprite;
    sprite.AddFrame(loaded);
    sprite.Draw(screen);

    EXPECT_EQ(PixelAt(screen, 0, 0), BLACK);
    EXPECT_EQ(PixelAt(screen, 1, 0), Rgb(254, 0, 0));
}

TEST_F(SpriteTest, MissingOrUnreadableBitmapLeavesTheSlotNull) {
    const ScratchDir dir;
    const std::string text = (dir.path / "text.bmp").string();
    std::ofstream(text) << "not a bitmap\n";
    const std::string missing = (dir.path / "missing.bmp").string();

    for (const std::string& path : {missing, text}) {
        SDL_Surface* slot = Frame(1);
        LoadBitmap(slot, path.c_str());
        EXPECT_EQ(slot, nullptr) << path;
    }
}
