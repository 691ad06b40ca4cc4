// Sprite frames and overlap, and the colour key of loaded bitmaps.
#include "sprites/sprite.h"

#include <filesystem>
#include <set>
#include <string>
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

// A full sprite drops further frames; SelectFrame ignores indices outside
// 0..capacity-1, and a selected slot with no frame draws and overlaps nothing.
TEST_F(SpriteTest, FramesAreBoundedByCapacityAndAnUnfilledSlotShowsNothing) {
    for (const int capacity : {1, 7}) {
        Sprite sprite(capacity);
        for (int i = 0; i <= capacity; i++) {
            sprite.AddFrame(Frame(1));
        }
        EXPECT_EQ(sprite.frameCount, capacity);
        EXPECT_EQ(sprite.frames[capacity - 1], surfaces[surfaces.size() - 2]) << capacity;
    }
    constexpr int CAPACITY = 12;
    constexpr int UNFILLED = 9;
    Sprite explosion(CAPACITY);
    explosion.AddFrame(Frame(BIG));
    explosion.AddFrame(Frame(BIG));
    Sprite ship;
    ship.AddFrame(Frame(BIG));
    for (const int index : {1, CAPACITY, -1}) {
        explosion.SelectFrame(index);
    }
    EXPECT_EQ(explosion.currentFrame, 1);

    explosion.SelectFrame(UNFILLED);
    explosion.Draw(screen);
    EXPECT_EQ(explosion.currentFrame, UNFILLED);
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
    surfaces.push_back(loaded);
    ASSERT_NE(loaded, nullptr) << SDL_GetError();
    Sprite sprite;
    sprite.AddFrame(loaded);
    sprite.Draw(screen);

    EXPECT_EQ(PixelAt(screen, 0, 0), BLACK);
    EXPECT_EQ(PixelAt(screen, 1, 0), Rgb(254, 0, 0));
}

// The fuzzer's seed pictures cover the depths and header forms SDL reads: 1,
// 4, 8, 16 (with and without bit fields), 24 and 32 bits, the old 12-byte
// header and top-down rows. All load, bar the three whose headers are damaged
// (one is cut short in a way that once made SDL2 ask for 12 GB).
TEST_F(SpriteTest, EveryUndamagedSeedPictureLoads) {
    const std::set<std::string> damaged = {"cut_header.bmp", "height_of_minus_2_31.bmp",
                                           "undefined_depth.bmp"};
    const std::filesystem::path seeds = KORVANE_DATA_DIR "/../tests/fuzz/corpus/bitmap";
    int loadedCount = 0;
    for (const auto& entry : std::filesystem::directory_iterator(seeds)) {
        SDL_Surface* loaded = nullptr;
        LoadBitmap(loaded, entry.path().c_str());
        surfaces.push_back(loaded);
        const bool good = damaged.count(entry.path().filename().string()) == 0;
        EXPECT_EQ(loaded != nullptr, good) << entry.path() << ": " << SDL_GetError();
        loadedCount += loaded != nullptr;
    }
    EXPECT_GE(loadedCount, 9);
}
