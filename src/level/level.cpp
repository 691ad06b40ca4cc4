#include "level/level.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/data_file.h"
#include "shell/game_state.h"
#include "world/world.h"

static constexpr int PATH_SIZE = 64;
static constexpr int LINE_SIZE = 128;  // only the first line's leading number matters
static constexpr int MAX_TILE_INDEX = MAX_TILES - 1;
static constexpr int NO_TILES = -1;

// Opens levels/level<n>/<name> into levelFile, leaving its path in path.
// Reports a file that cannot be opened, with what happens instead. Binary, so
// that no platform folds a map's 13, 10 pair into one byte or stops at byte 26.
static bool OpenLevelFile(char (&path)[PATH_SIZE], int n, const char* name, const char* instead) {
    snprintf(path, sizeof path, "levels/level%d/%s", n, name);
    GameState.levelFile = OpenRegularFile(path, [](const char* file) { return fopen(file, "rb"); });
    if (!GameState.levelFile) {
        fprintf(stderr, "Cannot open %s; %s\n", path, instead);
        return false;
    }
    return true;
}

static void CloseLevelFile() {
    fclose(GameState.levelFile);
    GameState.levelFile = nullptr;
}

// Reads the map into levelMap. An unreadable map keeps the previous one; a short
// one leaves tile 0 in the bytes it does not supply.
static void ReadMap(int n) {
    char path[PATH_SIZE];
    if (!OpenLevelFile(path, n, "map.map", "keeping the previous map")) {
        return;
    }
    const size_t got = fread(WorldState.levelMap, 1, MAP_BYTES, GameState.levelFile);
    CloseLevelFile();
    if (got < MAP_BYTES) {
        memset(WorldState.levelMap + got, 0, MAP_BYTES - got);
        fprintf(stderr, "%s holds %zu of %d bytes; the rest is tile 0\n", path, got, MAP_BYTES);
    }
}

// Parses a leading decimal integer the way atoi does, but saturating instead of
// overflowing: leading blanks and a sign allowed, no digits gives 0. Returns
// whether the line holds a whole number there: digits that end at a blank or
// at the end of the line (so not "", "x7" or "0x13").
static bool LeadingNumber(const char* text, int& number) {
    char* end = nullptr;
    const long value = strtol(text, &end, 10);
    number = static_cast<int>(value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : value);
    return end != text && (*end == '\0' || isspace(static_cast<unsigned char>(*end)));
}

// Returns the highest tile index named by level.dsc, clamped to the tile table,
// or NO_TILES when the file cannot be opened.
static int ReadHighestTile(int n) {
    char path[PATH_SIZE];
    if (!OpenLevelFile(path, n, "level.dsc", "no tiles loaded")) {
        return NO_TILES;
    }
    char line[LINE_SIZE] = "";
    if (!fgets(line, sizeof line, GameState.levelFile)) {
        line[0] = '\0';
    }
    CloseLevelFile();
    int highest = 0;
    if (!LeadingNumber(line, highest)) {
        fprintf(stderr, "%s does not begin with a whole number; read as %d\n", path, highest);
    }
    if (highest > MAX_TILE_INDEX) {
        fprintf(stderr, "%s names tile %d; only tiles 0 to %d are loaded\n", path, highest,
                MAX_TILE_INDEX);
        return MAX_TILE_INDEX;
    }
    return highest;
}

// Loads tile t of level n into its bitmap slot and makes it the frame of tile
// sprite t, releasing the bitmap of the level it replaces. A tile that cannot
// be loaded keeps what it held.
static void LoadTile(int n, int t) {
    char path[PATH_SIZE];
    snprintf(path, sizeof path, "levels/level%d/tile%d.bmp", n, t);
    SDL_Surface* loaded = nullptr;
    LoadBitmap(loaded, path);
    if (!loaded) {
        fprintf(stderr, "Cannot load %s: %s\n", path, SDL_GetError());
        return;
    }
    Sprite& sprite = WorldState.tileSprites[t];
    if (sprite.frameCount == 0) {
        sprite.AddFrame(loaded);
    } else {
        SDL_FreeSurface(sprite.ReplaceFrame(0, loaded));
    }
    WorldState.tileBitmaps[t] = loaded;
}

void LoadLevel(int n) {
    ResetWorld();
    GameState.levelCountdown = LEVEL_COUNTDOWN_FRAMES;
    ReadMap(n);
    const int highest = ReadHighestTile(n);
    for (int t = 0; t <= highest; t++) {
        LoadTile(n, t);
    }
}

void DrawBackground(SDL_Surface* screen) {
    // Move down one step; each full tile row moves the window one map row toward the start.
    const int offset = GameState.scrollOffset + SCROLL_STEP;
    if (offset > TILE_SIZE - 1) {
        GameState.scrollOffset = 0;
        GameState.mapPosition -= MAP_COLUMNS;
    } else {
        GameState.scrollOffset = offset;
    }
    // Past map row 1 the window jumps back to its starting row.
    if (GameState.mapPosition <= 0) {
        GameState.scrollOffset = 0;
        GameState.mapPosition = MAP_START_POSITION;
    }

    for (int row = 0; row < WINDOW_ROWS; row++) {
        for (int column = 0; column < MAP_COLUMNS; column++) {
            const int tile =
                WorldState.levelMap[GameState.mapPosition + MAP_COLUMNS * row + column];
            // A tile index beyond the table is left undrawn; an unloaded tile draws nothing.
            if (tile >= MAX_TILES) {
                continue;
            }
            Sprite& sprite = WorldState.tileSprites[tile];
            sprite.x = TILE_SIZE * column;
            sprite.y = TILE_SIZE * row + GameState.scrollOffset - TILE_SIZE;
            sprite.Draw(screen);
        }
    }
}
