// The shipped levels, checked as the game reads them: the highest tile index,
// the tiles it loads, and a map that names only loaded tiles, loops without a
// visible jump and joins its tiles without seams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "data_files.h"

namespace {

constexpr int TILE_SIZE = 64;
constexpr int MAP_COLUMNS = 10;
constexpr int MAP_ROWS = 40;
constexpr size_t MAP_BYTES = MAP_COLUMNS * MAP_ROWS;
// The game draws rows 1 to 39 and jumps from rows 1..8 back to rows 31..38.
constexpr int FIRST_DRAWN_ROW = 1;
constexpr int LOOP_FIRST_ROW = 1;
constexpr int LOOP_LAST_ROW = 8;
constexpr int LOOP_LENGTH = 30;
constexpr int MIN_HIGHEST_TILE = 9;
constexpr int MAX_HIGHEST_TILE = 19;
// How much sharper, in summed channel levels per pixel, the join of two tiles
// may be than the steps beside it: textures vary a little from line to line.
constexpr double SEAM_TOLERANCE = 10.0;
// A map whose loop has fewer different rows than this is a short stripe pattern.
constexpr int MIN_DISTINCT_ROWS = 10;

class LevelFilesTest : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        dir = SourcePath("data/levels/level" + std::to_string(GetParam()));
        map = ReadBytes(dir + "/map.map");
        std::ifstream description(dir + "/level.dsc");
        std::getline(description, firstLine);
    }

    int Highest() const { return std::atoi(firstLine.c_str()); }
    int TileAt(int row, int col) const { return map[static_cast<size_t>(row * MAP_COLUMNS + col)]; }
    std::string TilePath(int index) const { return dir + "/tile" + std::to_string(index) + ".bmp"; }

    // Loads tiles 0 to the highest; fails the test when one cannot be read.
    std::vector<Picture> LoadTiles() const {
        std::vector<Picture> tiles(static_cast<size_t>(Highest() + 1));
        for (int index = 0; index <= Highest(); ++index) {
            EXPECT_TRUE(LoadPicture(TilePath(index), tiles[static_cast<size_t>(index)]))
                << TilePath(index);
        }
        return tiles;
    }

    std::string dir;
    std::vector<uint8_t> map;
    std::string firstLine;
};

TEST_P(LevelFilesTest, DescriptionGivesTheHighestTileIndexAsAPlainNumber) {
    ASSERT_FALSE(firstLine.empty());
    EXPECT_TRUE(std::all_of(firstLine.begin(), firstLine.end(), ::isdigit)) << firstLine;
    EXPECT_GE(Highest(), MIN_HIGHEST_TILE);
    EXPECT_LE(Highest(), MAX_HIGHEST_TILE);
}

TEST_P(LevelFilesTest, EveryLoadedTileIsAnOpaque24BitSquareAndNoOtherFilesLie) {
    std::vector<Picture> tiles = LoadTiles();
    for (size_t index = 0; index < tiles.size(); ++index) {
        const Picture& tile = tiles[index];
        SCOPED_TRACE("tile " + std::to_string(index));
        EXPECT_EQ(tile.width, TILE_SIZE);
        EXPECT_EQ(tile.height, TILE_SIZE);
        EXPECT_EQ(tile.bitsPerPixel, 24);
        EXPECT_EQ(std::count(tile.pixels.begin(), tile.pixels.end(), KEY), 0)
            << "the screen is never cleared, so a transparent pixel shows the last frame";
    }
    std::set<std::string> expected{"map.map", "level.dsc"};
    for (int index = 0; index <= Highest(); ++index) {
        expected.insert("tile" + std::to_string(index) + ".bmp");
    }
    std::set<std::string> present;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        present.insert(entry.path().filename().string());
    }
    EXPECT_EQ(present, expected);
}

TEST_P(LevelFilesTest, MapHas400BytesThatAllNameLoadedTiles) {
    ASSERT_EQ(map.size(), MAP_BYTES);
    for (size_t i = 0; i < map.size(); ++i) {
        EXPECT_LE(map[i], Highest()) << "byte " << i;
    }
}

TEST_P(LevelFilesTest, RowsAfterTheJumpRepeatTheRowsBeforeItSoTheLoopIsInvisible) {
    ASSERT_EQ(map.size(), MAP_BYTES);
    for (int row = LOOP_FIRST_ROW; row <= LOOP_LAST_ROW; ++row) {
        for (int col = 0; col < MAP_COLUMNS; ++col) {
            EXPECT_EQ(TileAt(row, col), TileAt(row + LOOP_LENGTH, col))
                << "row " << row << " column " << col;
        }
    }
}

TEST_P(LevelFilesTest, MapShowsEveryTileAndVariesFromRowToRow) {
    ASSERT_EQ(map.size(), MAP_BYTES);
    std::set<int> shown;
    std::set<std::vector<uint8_t>> rows;
    for (int row = FIRST_DRAWN_ROW; row < MAP_ROWS; ++row) {
        auto start = map.begin() + row * MAP_COLUMNS;
        shown.insert(start, start + MAP_COLUMNS);
        if (row <= LOOP_LENGTH) {
            rows.insert(std::vector<uint8_t>(start, start + MAP_COLUMNS));
        }
    }
    for (int index = 0; index <= Highest(); ++index) {
        EXPECT_EQ(shown.count(index), 1u) << "tile " << index << " is never drawn";
    }
    EXPECT_GE(static_cast<int>(rows.size()), MIN_DISTINCT_ROWS);
}

// Summed channel difference between two pixels.
int Difference(Pixel a, Pixel b) {
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

// Mean difference between two lines of pixels, picked by index 0..63.
template <typename PickA, typename PickB>
double LineDifference(PickA a, PickB b) {
    int total = 0;
    for (int i = 0; i < TILE_SIZE; ++i) {
        total += Difference(a(i), b(i));
    }
    return static_cast<double>(total) / TILE_SIZE;
}

// Compares the step from the last column of one tile to the first of the next
// with the steps right beside it inside each tile. Returns how much sharper
// the join is; a seamless join is no sharper than its surroundings.
double JoinExcess(const Picture& left, const Picture& right) {
    constexpr int LAST = TILE_SIZE - 1;
    double join = LineDifference([&](int i) { return left.At(LAST, i); },
                                 [&](int i) { return right.At(0, i); });
    double beforeJoin = LineDifference([&](int i) { return left.At(LAST - 1, i); },
                                       [&](int i) { return left.At(LAST, i); });
    double afterJoin = LineDifference([&](int i) { return right.At(0, i); },
                                      [&](int i) { return right.At(1, i); });
    return join - std::max(beforeJoin, afterJoin);
}

// The same picture turned a quarter, so rows can be compared as columns.
Picture Transposed(const Picture& picture) {
    Picture turned = picture;
    std::swap(turned.width, turned.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            turned.pixels[static_cast<size_t>(x * turned.width + y)] = picture.At(x, y);
        }
    }
    return turned;
}

TEST_P(LevelFilesTest, NeighbouringTilesJoinWithoutSeams) {
    ASSERT_EQ(map.size(), MAP_BYTES);
    std::vector<Picture> tiles = LoadTiles();
    ASSERT_FALSE(HasFailure());
    std::vector<Picture> turned;
    for (const Picture& tile : tiles) {
        turned.push_back(Transposed(tile));
    }
    for (int row = FIRST_DRAWN_ROW; row < MAP_ROWS; ++row) {
        for (int col = 0; col < MAP_COLUMNS; ++col) {
            size_t here = static_cast<size_t>(TileAt(row, col));
            if (col + 1 < MAP_COLUMNS) {
                size_t right = static_cast<size_t>(TileAt(row, col + 1));
                EXPECT_LE(JoinExcess(tiles[here], tiles[right]), SEAM_TOLERANCE)
                    << "row " << row << ", columns " << col << " and " << col + 1;
            }
            if (row + 1 < MAP_ROWS) {
                size_t below = static_cast<size_t>(TileAt(row + 1, col));
                EXPECT_LE(JoinExcess(turned[here], turned[below]), SEAM_TOLERANCE)
                    << "rows " << row << " and " << row + 1 << ", column " << col;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ShippedLevels, LevelFilesTest, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Level" + std::to_string(info.param);
                         });

}  // namespace
