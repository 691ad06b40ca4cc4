// Level files, written in a scratch directory, and the scrolling tile background.
#include "level/level.h"

#include <algorithm>
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
constexpr int SHORT_MAP_BYTES = 100;

using TileMap = std::vector<unsigned char>;

// A distinct colour per level and tile, never black nor the colour key.
constexpr Uint32 TileColour(int level, int t) {
    return Rgb(static_cast<Uint8>(20 + 10 * t), static_cast<Uint8>(80 * level), 100);
}

static TileMap CurrentMap() {
    return TileMap(WorldState.levelMap, WorldState.levelMap + MAP_BYTES);
}

// A world test in a scratch directory where levels/level<n>/ are written.
// The tiles a test loads are released after it.
class LevelTest : public WorldTest {
  protected:
    void TearDown() override { ForgetTiles(); }

    static void ForgetTiles() {
        for (int t = 0; t < MAX_TILES; t++) {
            if (WorldState.tileSprites[t].frameCount > 0) {
                SDL_FreeSurface(WorldState.tileSprites[t].frames[0]);
            }
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

TEST_F(LevelTest, DescriptionLeadingNumberIsTheHighestTileLoaded) {
    const std::string hugeLine = "7 " + std::string(HUGE_TEXT, 'x');
    const struct {
        std::string text;
        int tilesLoaded;
    } cases[] = {{"  7 word\n", 8},   {"3\n", 4},    {"0\n", 1},
                 {"-1\n", 0},         {"abc\n", 1},  {"", 1},
                 {"25\n", MAX_TILES}, {hugeLine, 8}, {std::string(HUGE_TEXT, '9'), MAX_TILES}};
    // Files beyond the table exist, so only the clamp keeps them out of it.
    WriteLevel(1, MAX_TILES + 5, TileMap(MAP_BYTES, 0));

    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 16));
        ForgetTiles();
        WriteFile(1, "level.dsc", c.text);

        LoadLevel(1);

        for (int t = 0; t < MAX_TILES; t++) {
            const bool loaded = t < c.tilesLoaded;
            EXPECT_EQ(WorldState.tileSprites[t].frameCount, loaded ? 1 : 0) << t;
            EXPECT_EQ(WorldState.tileBitmaps[t] != nullptr, loaded) << t;
        }
        EXPECT_EQ(CurrentMap(), TileMap(MAP_BYTES, 0));
    }
}

// Every byte is a tile: a 13, 10 pair stays two tiles and 26 ends nothing.
TEST_F(LevelTest, MapTakesItsFirst400BytesZeroFillsAShortOneAndAMissingOneKeepsTheOld) {
    std::string longMap(MAP_BYTES + SHORT_MAP_BYTES, '\0');
    std::iota(longMap.begin(), longMap.end(), '\0');
    longMap.replace(1, 3, "\r\n\x1a");
    WriteFile(1, "map.map", longMap);
    WriteFile(2, "map.map", std::string(SHORT_MAP_BYTES, '\1'));
    TileMap shortMap(MAP_BYTES, 0);
    std::fill_n(shortMap.begin(), SHORT_MAP_BYTES, 1);

    LoadLevel(1);
    EXPECT_EQ(CurrentMap(), TileMap(longMap.begin(), longMap.begin() + MAP_BYTES));
    std::fill_n(WorldState.levelMap, MAP_BYTES, 9);
    LoadLevel(2);
    EXPECT_EQ(CurrentMap(), shortMap);
    LoadLevel(3);
    EXPECT_EQ(CurrentMap(), shortMap);
}

// Tables freed, the ship at its start with three lives; score and level kept.
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
    for (int frame = 0; frame < 40; frame++) {
        DrawBackground(screen);
    }

    LoadLevel(1);

    EXPECT_EQ(std::tie(GameState.score, GameState.level, GameState.levelCountdown,
                       GameState.bossPhase, GameState.frameCounter),
              std::make_tuple(420, 2, 100, BOSS_NONE, 0));
    EXPECT_EQ(std::tie(WorldState.enemies[3].active, WorldState.enemyBullets[5].active,
                       WorldState.explosions[MAX_EXPLOSIONS].active, WorldState.ShotX[2],
                       WorldState.ShotY[2]),
              std::make_tuple(SLOT_FREE, SLOT_FREE, SLOT_FREE, 0, 0));
    const PlayerShip& ship = WorldState.ship;
    EXPECT_EQ(std::tie(ship.status, ship.x, ship.y, ship.lives),
              std::make_tuple(SHIP_ACTIVE, SHIP_START_X, SHIP_START_Y, SHIP_START_LIVES));
    const struct {
        int frame;
        int scrollOffset;
        int mapPosition;
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

TEST_F(LevelTest, FirstFrameDrawsMapRow30AtYMinus62AndRow31AtY2) {
    TileMap map(MAP_BYTES, 0);
    for (int row = FIRST_ROW; row <= FIRST_ROW + 2; row++) {
        std::fill_n(map.begin() + MAP_COLUMNS * row, MAP_COLUMNS, row - FIRST_ROW + 1);
    }
    map[MAP_COLUMNS * (FIRST_ROW + 2) - 1] = 4;  // the last column of row 31
    WriteLevel(1, 4, map);
    LoadLevel(1);

    DrawBackground(screen);

    EXPECT_EQ(PixelAt(screen, SAMPLE_X, 1), TileColour(1, 1));
    EXPECT_EQ(PixelAt(screen, SAMPLE_X, 2), TileColour(1, 2));
    EXPECT_EQ(PixelAt(screen, SAMPLE_X, 65), TileColour(1, 2));
    EXPECT_EQ(PixelAt(screen, SAMPLE_X, 66), TileColour(1, 3));
    EXPECT_EQ(PixelAt(screen, 9 * TILE_SIZE - 1, 2), TileColour(1, 2));
    EXPECT_EQ(PixelAt(screen, 9 * TILE_SIZE, 2), TileColour(1, 4));
}

TEST_F(LevelTest, LaterLevelReplacesTilesUpToItsHighestAndReleasesTheOldOnes) {
    TileMap map(MAP_BYTES, 0);
    const auto visibleRow = map.begin() + MAP_COLUMNS * (FIRST_ROW + 1);
    std::iota(visibleRow, visibleRow + 4, 0);
    WriteLevel(1, 3, map);
    WriteLevel(2, 1, map);
    LoadLevel(1);
    SDL_Surface* replaced[] = {WorldState.tileBitmaps[0], WorldState.tileBitmaps[1]};
    for (SDL_Surface* old : replaced) {
        old->refcount++;  // keep it alive to see whether the loader lets it go
    }

    LoadLevel(2);
    DrawBackground(screen);

    for (int t = 0; t < 4; t++) {
        EXPECT_EQ(PixelAt(screen, t * TILE_SIZE + SAMPLE_X, 2), TileColour(t < 2 ? 2 : 1, t));
    }
    for (int t = 0; t < 2; t++) {
        EXPECT_EQ(WorldState.tileSprites[t].frames[0], WorldState.tileBitmaps[t]);
        EXPECT_EQ(replaced[t]->refcount, 1) << "tile " << t << " was not released";
        SDL_FreeSurface(replaced[t]);
    }
}
