// The shipped pictures: the sizes the game's geometry is built on, 24-bit
// colour, pure red as the only and hard-edged transparency, and art that
// animates as the game shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "data_files.h"

namespace {

struct ShippedPicture {
    const char* name;
    int width;
    int height;
};

constexpr ShippedPicture TITLE{"pantalla", 640, 480};
constexpr ShippedPicture SPRITES[] = {
    {"minave", 20, 20},   {"life", 16, 16},     {"balas", 20, 12},    {"nave", 60, 40},
    {"nave2", 60, 40},    {"gordo", 120, 80},   {"dispene", 8, 8},    {"dispene2", 8, 8},
    {"explode1", 60, 60}, {"explode2", 60, 60}, {"explode3", 60, 60}, {"explode4", 60, 60},
    {"explode5", 60, 60}, {"explode6", 60, 60}, {"explode7", 60, 60},
};
const char* const SHIPS[] = {"minave", "life", "nave", "nave2", "gordo"};
constexpr int EXPLOSION_FRAMES = 7;

// A colour this close to pure red in every channel would be a key pixel
// blended into the art, or art that reads as almost transparent.
constexpr int NEAR_KEY = 64;
// Shaded ships use at least this many colours.
constexpr size_t MIN_SHIP_COLOURS = 8;

Picture Load(const std::string& name) {
    Picture picture;
    EXPECT_TRUE(LoadPicture(SourcePath("data/pics/" + name + ".bmp"), picture)) << name;
    return picture;
}

std::vector<ShippedPicture> AllPictures() {
    std::vector<ShippedPicture> all{TITLE};
    all.insert(all.end(), std::begin(SPRITES), std::end(SPRITES));
    return all;
}

bool NearKey(Pixel p) {
    return p != KEY && p.r >= KEY.r - NEAR_KEY && p.g <= NEAR_KEY && p.b <= NEAR_KEY;
}

int OpaqueCount(const Picture& picture) {
    return static_cast<int>(std::count_if(picture.pixels.begin(), picture.pixels.end(),
                                          [](Pixel p) { return p != KEY; }));
}

bool ColumnHasArt(const Picture& picture, int x) {
    for (int y = 0; y < picture.height; ++y) {
        if (picture.At(x, y) != KEY) {
            return true;
        }
    }
    return false;
}

TEST(PictureFilesTest, EveryPictureHasItsExactSizeIn24BitColour) {
    for (const ShippedPicture& shipped : AllPictures()) {
        SCOPED_TRACE(shipped.name);
        Picture picture = Load(shipped.name);
        EXPECT_EQ(picture.width, shipped.width);
        EXPECT_EQ(picture.height, shipped.height);
        EXPECT_EQ(picture.bitsPerPixel, 24);
    }
}

TEST(PictureFilesTest, NoPixelComesNearTheKeyWithoutBeingIt) {
    for (const ShippedPicture& shipped : AllPictures()) {
        Picture picture = Load(shipped.name);
        EXPECT_EQ(std::count_if(picture.pixels.begin(), picture.pixels.end(), NearKey), 0)
            << shipped.name;
    }
}

TEST(PictureFilesTest, SpritesAreCutOutByTheKeyAndTheTitleIsOpaque) {
    for (const ShippedPicture& shipped : SPRITES) {
        SCOPED_TRACE(shipped.name);
        Picture picture = Load(shipped.name);
        ASSERT_EQ(picture.width, shipped.width);
        ASSERT_EQ(picture.height, shipped.height);
        int right = picture.width - 1;
        int bottom = picture.height - 1;
        EXPECT_EQ(picture.At(0, 0), KEY);
        EXPECT_EQ(picture.At(right, 0), KEY);
        EXPECT_EQ(picture.At(0, bottom), KEY);
        EXPECT_EQ(picture.At(right, bottom), KEY);
        EXPECT_GT(OpaqueCount(picture), 0);
    }
    Picture title = Load(TITLE.name);
    EXPECT_EQ(OpaqueCount(title), TITLE.width * TITLE.height);
}

TEST(PictureFilesTest, ShipsAreShadedRatherThanFlat) {
    for (const char* name : SHIPS) {
        Picture picture = Load(name);
        std::set<Pixel> colours(picture.pixels.begin(), picture.pixels.end());
        colours.erase(KEY);
        EXPECT_GE(colours.size(), MIN_SHIP_COLOURS) << name;
    }
}

// Frames are shown in file order: the fireball covers more with each frame up
// to its largest, then breaks up and covers less with each frame after it.
TEST(PictureFilesTest, ExplosionGrowsThenFades) {
    std::vector<int> covered;
    for (int frame = 1; frame <= EXPLOSION_FRAMES; ++frame) {
        covered.push_back(OpaqueCount(Load("explode" + std::to_string(frame))));
    }
    size_t peak =
        static_cast<size_t>(std::max_element(covered.begin(), covered.end()) - covered.begin());
    EXPECT_GT(peak, 0u);
    EXPECT_LT(peak, covered.size() - 1);
    for (size_t i = 1; i < covered.size(); ++i) {
        if (i <= peak) {
            EXPECT_GT(covered[i], covered[i - 1]) << "frame " << i + 1;
        } else {
            EXPECT_LT(covered[i], covered[i - 1]) << "frame " << i + 1;
        }
    }
}

// The shot is drawn at the ship's x: two separate, mirrored bolts, each in
// columns where the ship has its guns.
TEST(PictureFilesTest, ShotIsATwinBoltLeavingFromTheShipsColumns) {
    Picture shot = Load("balas");
    Picture ship = Load("minave");
    ASSERT_EQ(shot.width, ship.width);
    std::vector<int> boltColumns;
    int runs = 0;
    for (int x = 0; x < shot.width; ++x) {
        if (!ColumnHasArt(shot, x)) {
            continue;
        }
        boltColumns.push_back(x);
        runs += (x == 0 || !ColumnHasArt(shot, x - 1)) ? 1 : 0;
        EXPECT_TRUE(ColumnHasArt(ship, x)) << "bolt column " << x << " is off the ship";
    }
    EXPECT_EQ(runs, 2);
    for (int x : boltColumns) {
        EXPECT_TRUE(ColumnHasArt(shot, shot.width - 1 - x)) << "bolt column " << x;
    }
}

TEST(PictureFilesTest, EnemyBulletFramesDifferSoTheBulletPulses) {
    EXPECT_NE(Load("dispene").pixels, Load("dispene2").pixels);
}

}  // namespace
