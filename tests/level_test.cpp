// Level files, written in a scratch directory, and the scrolling tile background.
#include "level/level.h"

#include <fstream>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "world/explosions.h"
#include "world_fixture.h"

constexpr int FIRST_ROW = 30;  // map row at the top of the window after a reset
constexpr int SAMPLE_X = 5;
constexpr size_t HUGE_TEXT = 100000;  // bytes, far beyond any line buffer

using TileMap = std::vector<unsigned char>;

// A distinct colour per level and tile, never black nor the colour key.
constexpr Uint32 TileColour(int level, int t) {
    return Rgb(static_cast<Uint8>(20 + 10 * t), static_cast<Uint8>(80 * level), 100);
}

static TileMap CurrentMap() {
    return TileMap(WorldState.levelMap, WorldState.levelMap + MAP_BYTES);
}

// A world test in a scratch directory where levels/level<n>/ are written.
class LevelTest : public WorldTest {
  protected:
    void TearDown() override { ForgetTiles(); }

    static void ForgetTiles() {
        for (int t = 0; t < MAX_TILES; t++) {
            SDL_FreeSurface(WorldState.tileBitmaps[t]);
            EmptySprite(WorldState.tileSprites[t]);
            WorldState.tileBitmaps[t] = nullptr;
        }
    }

    // Path of a file of levels/level<level>/, creating the directory.
    static std::string LevelFile(int level, const std::string& name) {
        const std::string dir = "levels/level" + std::to_string(level);
        std::filesystem::create_directories(dir);
        return dir + "/" + name;
    }

    static void WriteFile(int level, const std::string& name, const std::string& bytes) {
        std::ofstream(LevelFile(level, name), std::ios::binary) << bytes;
    }

    // Tiles 0..highest of a level in their TileColour, its description and its map.
    static void WriteLevel(int level, int highest, const TileMap& map) {
        for (int t = 0; t <= highest; t++) {
            const Uint32 c = TileColour(level, t);
            SDL_Surface* tile =
                MakeSurface(TILE_SIZE, TILE_SIZE, c >> 16, (c >> 8) & 0xFF, c & 0xFF);
            SDL_SaveBMP(tile, LevelFile(level, "tile" + std::to_string(t) + ".bmp").c_str());
            SDL_FreeSurface(tile);
        }
        WriteFile(level, "level.dsc", std::to_string(highest) + "\n");
        WriteFile(level, "map.map", std::string(map.begin(), map.end()));
    }

    ScratchDir scratch;
    ScopedWorkingDir inScratch{scratch.path};
};

// The leading number of the first line is the highest tile loaded, clamped to
// tile 19. A line that is not a whole number (digits up to a blank or the end)
// still counts as its leading number, 0 when it has none, and is reported.
TEST_F(LevelTest, DescriptionLeadingNumberIsTheHighestTileLoaded) {
    const std::string notWhole = "levels/level1/level.dsc does not begin with a whole number; ";
    const std::string clamped = "levels/level1/level.dsc names tile ";
    const std::string onlyTo19 = "; only tiles 0 to 19 are loaded\n";
    const std::string readAs0 = notWhole + "read as 0\n";
    // clang-format off
    const struct {
        std::string text;
        int tilesLoaded;
        std::string warning;
    } cases[] = {
        {"  7 word\n", 8, ""}, {"3\n", 4, ""}, {"0\n", 1, ""}, {"-1\n", 0, ""}, {"19\n", 20, ""},
        {"20\n", 20, clamped + "20" + onlyTo19},
        {"2147483647\n", 20, clamped + "2147483647" + onlyTo19},
        {std::string(HUGE_TEXT, '9'), 20, clamped + "2147483647" + onlyTo19},
        {"7" + std::string(HUGE_TEXT, 'x') + "\n99\n", 8, notWhole + "read as 7\n"},
        {"7 " + std::string(HUGE_TEXT, 'x'), 8, ""},
        {"abc\n", 1, readAs0}, {"0x13\n", 1, readAs0}, {"tiles: 7\n", 1, readAs0},
        {"-\n", 1, readAs0}, {"\n", 1, readAs0}, {"", 1, readAs0}};
    // clang-format on
    // Files beyond the table exist, so only the clamp keeps them out of it.
    WriteLevel(1, MAX_TILES + 5, TileMap(MAP_BYTES, 0));

    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 16));
        ForgetTiles();
        WriteFile(1, "level.dsc", c.text);

        testing::internal::CaptureStderr();
        LoadLevel(1);

        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warning);
        for (int t = 0; t < MAX_TILES; t++) {
            EXPECT_EQ(WorldState.tileSprites[t].frameCount, t < c.tilesLoaded ? 1 : 0) << t;
        }
    }
}

// Every byte is a tile: a 13, 10 pair stays two tiles and 26 ends nothing.
TEST_F(LevelTest, MapTakesItsFirst400BytesZeroFillsAShortOneAndAMissingOneKeepsTheOld) {
    constexpr int SHORT_MAP_BYTES = 100;
    std::string longMap(MAP_BYTES + SHORT_MAP_BYTES, '\0');
    std::iota(longMap.begin(), longMap.end(), '\0');
    longMap.replace(1, 3, "\r\n\x1a");
    WriteFile(1, "map.map", longMap);
    WriteFile(2, "map.map", std::string(SHORT_MAP_BYTES, '\1'));
    TileMap shortMap(MAP_BYTES, 0);
    std::fill_n(shortMap.begin(), SHORT_MAP_BYTES, 1);

    LoadLevel(1);
    EXPECT_EQ(CurrentMap(), TileMap(longMap.begin(), longMap.begin() + 400));
    std::fill_n(WorldState.levelMap, MAP_BYTES, 9);
    LoadLevel(2);
    EXPECT_EQ(CurrentMap(), shortMap);
    LoadLevel(3);
    EXPECT_EQ(CurrentMap(), shortMap);
}

// Tables freed, the ship at its start with three lives, a 100-frame level
// countdown; score and level kept. The window then moves down two pixels a
// frame, a map row every 32 frames, and jumps back to row 30 every 960.
TEST_F(LevelTest, LoadRestartsTheLevelAndScrollMovesTwoPixelsAFrameLoopingEvery960) {
    PutEnemy(3, ENEMY_STRAIGHT, 10, 10);
    PutBullet(5, 10, 10);
    StartExplosion(EXPLODE_PLAYER);
    WorldState.ShotX[2] = WorldState.ShotY[2] = 10;
    WorldState.ship = {SHIP_DESTROYED, 5, 6, 7, 17};
    GameState.score = 420;
    GameState.level = 2;
    GameState.bossPhase = BOSS_DEFEATED;
    GameState.frameCounter = 4999;
    GameState.scrollOffset = GameState.mapPosition = 10;

    LoadLevel(1);

    EXPECT_EQ(std::tie(GameState.score, GameState.level, GameState.levelCountdown,
                       GameState.bossPhase, GameState.frameCounter),
              std::make_tuple(420, 2, 100, BOSS_NONE, 0));
    EXPECT_EQ(std::tie(WorldState.enemies[3].active, WorldState.enemyBullets[5].active,
                       WorldState.explosions[MAX_EXPLOSIONS].active, WorldState.ShotX[2],
                       WorldState.ShotY[2]),
              std::make_tuple(SLOT_FREE, SLOT_FREE, SLOT_FREE, 0, 0));
    const PlayerShip& s = WorldState.ship;
    EXPECT_EQ(std::tie(s.status, s.x, s.y, s.lives), std::make_tuple(SHIP_ACTIVE, 320, 400, 3));
    WorldState.ship.lives = 1;  // fewer lives than a level gives, as well as more
    LoadLevel(1);
    EXPECT_EQ(s.lives, SHIP_START_LIVES);
    const struct {
        int frame, scrollOffset, mapPosition;
    } checkpoints[] = {{0, 0, 300},   {1, 2, 300},   {31, 62, 300}, {32, 0, 290},
                       {959, 62, 10}, {960, 0, 300}, {961, 2, 300}};
    int drawn = 0;
    for (const auto& c : checkpoints) {
        for (; drawn < c.frame; drawn++) {
            DrawBackground(screen);
        }
        EXPECT_EQ(std::tie(GameState.scrollOffset, GameState.mapPosition),
                  std::make_tuple(c.scrollOffset, c.mapPosition))
            << "frame " << c.frame;
    }
}

// Map row 30 shows at y -62 and row 31 at y 2; cells naming tile 20 or more are
// left undrawn. A later level replaces the tiles up to its highest and releases
// the old ones; a tile it names but cannot load keeps what it held, with a warning.
TEST_F(LevelTest, FirstFrameShowsRow30AndALaterLevelReplacesOnlyTheTilesItLoads) {
    TileMap map(MAP_BYTES, 0);
    for (int row = FIRST_ROW; row <= FIRST_ROW + 2; row++) {
        std::fill_n(map.begin() + MAP_COLUMNS * row, MAP_COLUMNS, row - FIRST_ROW + 1);
    }
    const int row32 = MAP_COLUMNS * (FIRST_ROW + 2);
    map[row32 - 1] = 4;  // the last column of row 31
    const unsigned char row32Start[] = {0, 19, 20, 255};
    std::copy(std::begin(row32Start), std::end(row32Start), map.begin() + row32);
    WriteLevel(1, 19, map);
    WriteLevel(2, 1, map);
    WriteFile(2, "level.dsc", "2\n");
    // clang-format off
    const struct {
        int x, y;
        Uint32 level1, level2;  // the colour after loading each
    } pixels[] = {
        {SAMPLE_X, 1, TileColour(1, 1), TileColour(2, 1)},
        {SAMPLE_X, 2, TileColour(1, 2), TileColour(1, 2)},
        {SAMPLE_X, 65, TileColour(1, 2), TileColour(1, 2)},
        {SAMPLE_X, 66, TileColour(1, 0), TileColour(2, 0)},
        {9 * 64 - 1, 2, TileColour(1, 2), TileColour(1, 2)},
        {9 * 64, 2, TileColour(1, 4), TileColour(1, 4)},
        {64 + SAMPLE_X, 66, TileColour(1, 19), TileColour(1, 19)},
        {2 * 64 + SAMPLE_X, 66, BLACK, BLACK},
        {3 * 64 + SAMPLE_X, 66, BLACK, BLACK},
        {4 * 64 + SAMPLE_X, 66, TileColour(1, 3), TileColour(1, 3)}};
    // clang-format on
    LoadLevel(1);
    DrawBackground(screen);
    for (const auto& p : pixels) {
        EXPECT_EQ(PixelAt(screen, p.x, p.y), p.level1) << p.x << ", " << p.y;
    }
    SDL_Surface* replaced[] = {WorldState.tileBitmaps[0], WorldState.tileBitmaps[1]};
    for (SDL_Surface* old : replaced) {
        old->refcount++;  // keep it alive to see whether the loader lets it go
    }

    testing::internal::CaptureStderr();
    LoadLevel(2);
    const std::string warnings = testing::internal::GetCapturedStderr();
    DrawBackground(screen);

    EXPECT_EQ(warnings.rfind("Cannot load levels/level2/tile2.bmp: ", 0), 0u) << warnings;
    EXPECT_EQ(warnings.find('\n'), warnings.size() - 1) << warnings;
    for (const auto& p : pixels) {
        EXPECT_EQ(PixelAt(screen, p.x, p.y), p.level2) << p.x << ", " << p.y;
    }
    for (int t = 0; t < 2; t++) {
        EXPECT_EQ(WorldState.tileSprites[t].frames[0], WorldState.tileBitmaps[t]);
        EXPECT_EQ(replaced[t]->refcount, 1) << "tile " << t << " was not released";
        SDL_FreeSurface(replaced[t]);
    }
}
