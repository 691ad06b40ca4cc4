// Level files and the scrolling tile background, read from level directories
// built in a scratch working directory.
#include "level/level.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "world_fixture.h"

constexpr int FIRST_ROW = 30;  // map row at the top of the window after a reset
constexpr int LOOP_FRAMES = 960;
constexpr int ALL_TILES = MAX_TILES;
constexpr int SAMPLE_X = 5;

using TileMap = std::vector<unsigned char>;

// A distinct colour per level and tile, never black nor the colour key.
constexpr Uint32 TileColour(int level, int t) {
    return Rgb(static_cast<Uint8>(20 + 10 * t), static_cast<Uint8>(80 * level), 100);
}

static SDL_Surface* TileSurface(int level, int t) {
    const Uint32 colour = TileColour(level, t);
    return MakeSurface(TILE_SIZE, TILE_SIZE, colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF);
}

static TileMap MapOf(unsigned char tile) {
    return TileMap(MAP_BYTES, tile);
}

static void SetRow(TileMap& map, int row, unsigned char tile) {
    std::fill_n(map.begin() + MAP_COLUMNS * row, MAP_COLUMNS, tile);
}

static void UseMap(const TileMap& map) {
    std::copy(map.begin(), map.end(), WorldState.levelMap);
}

// Releases every tile and empties the tile sprites, as at program start.
static void ForgetTiles() {
    for (int t = 0; t < MAX_TILES; t++) {
        Sprite& sprite = WorldState.tileSprites[t];
        if (sprite.frameCount > 0) {
            SDL_FreeSurface(sprite.frames[0]);
        }
        EmptySprite(sprite);
        WorldState.tileBitmaps[t] = nullptr;
    }
}

static void ExpectTilesLoaded(int count) {
    for (int t = 0; t < MAX_TILES; t++) {
        const bool loaded = t < count;
        EXPECT_EQ(WorldState.tileSprites[t].frameCount, loaded ? 1 : 0) << "tile " << t;
        EXPECT_EQ(WorldState.tileBitmaps[t] != nullptr, loaded) << "tile " << t;
    }
}

static void DrawFrames(int frames) {
    for (int i = 0; i < frames; i++) {
        DrawBackground(GameState.screen);
    }
}

// A world test running in a scratch directory where levels/level<n>/ are written.
class LevelTest : public WorldTest {
  protected:
    // Path of a file of levels/level<level>/, creating the directory.
    std::string LevelFile(int level, const std::string& name) const {
        const std::string dir = "levels/level" + std::to_string(level);
        std::filesystem::create_directories(dir);
        return dir + "/" + name;
    }

    void WriteBytes(int level, const std::string& name, const std::string& bytes) const {
        std::ofstream(LevelFile(level, name), std::ios::binary) << bytes;
    }

    void WriteMap(int level, const TileMap& map) const {
        WriteBytes(level, "map.map", std::string(map.begin(), map.end()));
    }

    void WriteDescription(int level, const std::string& text) const {
        WriteBytes(level, "level.dsc", text);
    }

    void WriteTiles(int level, int count) const {
        for (int t = 0; t < count; t++) {
            SDL_Surface* tile = TileSurface(level, t);
            SDL_SaveBMP(tile, LevelFile(level, "tile" + std::to_string(t) + ".bmp").c_str());
            SDL_FreeSurface(tile);
        }
    }

    // A complete level: tiles 0..highest, its description and a map.
    void WriteLevel(int level, int highest, const TileMap& map) const {
        WriteTiles(level, highest + 1);
        WriteDescription(level, std::to_string(highest) + "\n");
        WriteMap(level, map);
    }

    void TearDown() override { ForgetTiles(); }

    ScratchDir scratch;
    ScopedWorkingDir inScratch{scratch.path};
};

TEST_F(LevelTest, DescriptionLeadingNumberIsTheHighestTileLoaded) {
    const std::string hugeLine(100000, 'x');
    const std::string hugeNumber(100000, '9');
    const struct {
        std::string text;
        int tilesLoaded;
    } cases[] = {
        {"  7 word\n", 8},
        {"3\n", 4},
        {"0\n", 1},
        {"-1\n", 0},
        {"abc\n", 1},
        {"", 1},
        {"25\n", ALL_TILES},
        {"2147483647\n", ALL_TILES},
        {hugeNumber, ALL_TILES},
        {"7 " + hugeLine, 8},
    };
    // Files beyond the table exist, so only the clamp keeps them out of it.
    WriteTiles(1, ALL_TILES + 6);
    WriteMap(1, MapOf(0));

    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 16));
        ForgetTiles();
        WriteDescription(1, c.text);

        LoadLevel(1);

        ExpectTilesLoaded(c.tilesLoaded);
        // Nothing is written past the tile tables into the map behind them.
        EXPECT_EQ(std::count(WorldState.levelMap, WorldState.levelMap + MAP_BYTES, 0), MAP_BYTES);
    }
}

TEST_F(LevelTest, MissingDescriptionLoadsNoTilesAndKeepsTheOldOnes) {
    constexpr int tileCount = 3;
    WriteLevel(1, tileCount - 1, MapOf(0));
    LoadLevel(1);
    SDL_Surface* kept[tileCount];
    for (int t = 0; t < tileCount; t++) {
        kept[t] = WorldState.tileSprites[t].frames[0];
    }
    WriteTiles(2, tileCount);
    WriteMap(2, MapOf(1));

    LoadLevel(2);

    ExpectTilesLoaded(tileCount);
    for (int t = 0; t < tileCount; t++) {
        EXPECT_EQ(WorldState.tileSprites[t].frames[0], kept[t]) << "tile " << t;
    }
    EXPECT_EQ(WorldState.levelMap[0], 1);
}

TEST_F(LevelTest, MapUsesOnlyItsFirst400Bytes) {
    std::string bytes(MAP_BYTES + 100, '\0');
    for (size_t i = 0; i < bytes.size(); i++) {
        bytes[i] = static_cast<char>(i % 251);
    }
    WriteBytes(1, "map.map", bytes);
    WriteDescription(1, "-1\n");

    LoadLevel(1);

    EXPECT_EQ(std::string(WorldState.levelMap, WorldState.levelMap + MAP_BYTES),
              bytes.substr(0, MAP_BYTES));
}

TEST_F(LevelTest, ShortMapLeavesTileZeroInTheBytesItLacks) {
    constexpr int supplied = 100;
    UseMap(MapOf(9));
    WriteBytes(1, "map.map", std::string(supplied, '\1'));
    WriteDescription(1, "-1\n");

    LoadLevel(1);

    EXPECT_EQ(WorldState.levelMap[supplied - 1], 1);
    EXPECT_EQ(std::count(WorldState.levelMap + supplied, WorldState.levelMap + MAP_BYTES, 0),
              MAP_BYTES - supplied);
}

TEST_F(LevelTest, MissingMapKeepsThePreviousMap) {
    TileMap previous = MapOf(2);
    SetRow(previous, 7, 3);
    UseMap(previous);
    WriteDescription(1, "-1\n");

    LoadLevel(1);

    EXPECT_EQ(TileMap(WorldState.levelMap, WorldState.levelMap + MAP_BYTES), previous);
}

TEST_F(LevelTest, LoadResetsTheWorldAndRestartsScrollAndCaption) {
    WriteLevel(1, 0, MapOf(0));
    PutEnemy(3, ENEMY_STRAIGHT, 10, 10);
    WorldState.ship.lives = 7;
    GameState.score = 420;
    GameState.bossPhase = BOSS_DEFEATED;
    GameState.levelCountdown = -3;
    DrawFrames(40);

    LoadLevel(1);

    EXPECT_EQ(GameState.scrollOffset, 0);
    EXPECT_EQ(GameState.mapPosition, MAP_START_POSITION);
    EXPECT_EQ(GameState.levelCountdown, 100);
    EXPECT_EQ(GameState.bossPhase, BOSS_NONE);
    EXPECT_EQ(WorldState.enemies[3].active, SLOT_FREE);
    EXPECT_EQ(WorldState.ship.lives, SHIP_START_LIVES);
    EXPECT_EQ(GameState.score, 420);
}

TEST_F(LevelTest, ScrollMovesTwoPixelsAFrameAndLoopsEvery960Frames) {
    const struct {
        int frame;
        int scrollOffset;
        int mapPosition;
    } checkpoints[] = {
        {1, 2, 300}, {31, 62, 300}, {32, 0, 290}, {959, 62, 10}, {960, 0, 300}, {961, 2, 300},
    };
    int drawn = 0;
    for (const auto& c : checkpoints) {
        DrawFrames(c.frame - drawn);
        drawn = c.frame;
        EXPECT_EQ(GameState.scrollOffset, c.scrollOffset) << "frame " << c.frame;
        EXPECT_EQ(GameState.mapPosition, c.mapPosition) << "frame " << c.frame;
    }
}

TEST_F(LevelTest, FirstFrameDrawsMapRow30AtYMinus62AndRow31AtY2) {
    constexpr int tilesUsed = 5;
    for (int t = 0; t < tilesUsed; t++) {
        WorldState.tileSprites[t].AddFrame(TileSurface(1, t));
    }
    TileMap map = MapOf(0);
    SetRow(map, FIRST_ROW, 1);
    SetRow(map, FIRST_ROW + 1, 2);
    SetRow(map, FIRST_ROW + 2, 3);
    map[MAP_COLUMNS * (FIRST_ROW + 1) + MAP_COLUMNS - 1] = 4;
    UseMap(map);

    DrawBackground(screen);

    EXPECT_EQ(PixelAt(screen, SAMPLE_X, 0), TileColour(1, 1));
    EXPECT_EQ(PixelAt(screen, SAMPLE_X, 1), TileColour(1, 1));
    EXPECT_EQ(PixelAt(screen, SAMPLE_X, 2), TileColour(1, 2));
    EXPECT_EQ(PixelAt(screen, SAMPLE_X, 65), TileColour(1, 2));
    EXPECT_EQ(PixelAt(screen, SAMPLE_X, 66), TileColour(1, 3));
    EXPECT_EQ(PixelAt(screen, 9 * TILE_SIZE - 1, 2), TileColour(1, 2));
    EXPECT_EQ(PixelAt(screen, 9 * TILE_SIZE, 2), TileColour(1, 4));
}

TEST_F(LevelTest, MapRowZeroIsNeverDrawnAndRow39OnlyBelowTheScreen) {
    constexpr unsigned char rowZeroTile = 5;
    constexpr unsigned char lastRowTile = 6;
    constexpr int unplaced = -1000;
    TileMap map = MapOf(0);
    SetRow(map, 0, rowZeroTile);
    SetRow(map, MAP_ROWS - 1, lastRowTile);
    UseMap(map);
    Sprite& rowZero = WorldState.tileSprites[rowZeroTile];
    Sprite& lastRow = WorldState.tileSprites[lastRowTile];
    rowZero.y = unplaced;
    lastRow.y = SCREEN_HEIGHT;

    int lowestLastRowY = lastRow.y;
    for (int frame = 0; frame <= LOOP_FRAMES; frame++) {
        DrawBackground(screen);
        lowestLastRowY = std::min(lowestLastRowY, lastRow.y);
    }

    EXPECT_EQ(rowZero.y, unplaced);
    EXPECT_GE(lowestLastRowY, SCREEN_HEIGHT);
}

TEST_F(LevelTest, LaterLevelReplacesTilesUpToItsHighestAndReleasesTheOldOnes) {
    constexpr int tilesUsed = 4;
    TileMap map = MapOf(0);
    for (int column = 0; column < tilesUsed; column++) {
        map[MAP_COLUMNS * (FIRST_ROW + 1) + column] = static_cast<unsigned char>(column);
    }
    WriteLevel(1, tilesUsed - 1, map);
    WriteLevel(2, 1, map);
    LoadLevel(1);
    SDL_Surface* replaced[] = {WorldState.tileBitmaps[0], WorldState.tileBitmaps[1]};
    for (SDL_Surface* old : replaced) {
        ASSERT_NE(old, nullptr);
        old->refcount++;  // keep it alive to see whether the loader lets it go
    }

    LoadLevel(2);
    DrawBackground(screen);

    EXPECT_EQ(PixelAt(screen, SAMPLE_X, 2), TileColour(2, 0));
    EXPECT_EQ(PixelAt(screen, TILE_SIZE + SAMPLE_X, 2), TileColour(2, 1));
    EXPECT_EQ(PixelAt(screen, 2 * TILE_SIZE + SAMPLE_X, 2), TileColour(1, 2));
    EXPECT_EQ(PixelAt(screen, 3 * TILE_SIZE + SAMPLE_X, 2), TileColour(1, 3));
    for (int t = 0; t < 2; t++) {
        EXPECT_EQ(WorldState.tileSprites[t].frameCount, 1);
        EXPECT_EQ(WorldState.tileSprites[t].frames[0], WorldState.tileBitmaps[t]);
        EXPECT_EQ(replaced[t]->refcount, 1) << "tile " << t << " was not released";
        SDL_FreeSurface(replaced[t]);
    }
}

TEST_F(LevelTest, TileIndexBeyondTheTableOrWithoutAFrameDrawsNothing) {
    constexpr unsigned char frameless = 7;
    constexpr unsigned char beyondTable = 200;
    constexpr Uint8 grey = 9;
    constexpr int framesWatched = 40;
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, grey, grey, grey));
    TileMap map = MapOf(beyondTable);
    for (int row = 0; row < MAP_ROWS; row += 2) {
        SetRow(map, row, frameless);
    }
    UseMap(map);

    DrawFrames(framesWatched);

    for (int y = 0; y < SCREEN_HEIGHT; y += TILE_SIZE / 2) {
        for (int x = 0; x < SCREEN_WIDTH; x += TILE_SIZE / 2) {
            EXPECT_EQ(PixelAt(screen, x, y), Rgb(grey, grey, grey)) << x << "," << y;
        }
    }
}
