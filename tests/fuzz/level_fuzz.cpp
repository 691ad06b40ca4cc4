// Fuzzes the level loader. The input is split into the files of level 1:
//   [u16 length][level.dsc][u16 length][map.map][u16 length][tile0.bmp][tile1.bmp: the rest]
// Lengths are little-endian and cut to what is left; NO_FILE, or an input
// that ends first, leaves the file out. The level is loaded from scratch, the
// background drawn at its start and across its wrap, then the level is loaded
// again over itself, as when a game restarts.
#include <SDL.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fuzz_support.h"
#include "level/level.h"
#include "shell/game_state.h"
#include "world/world.h"

static constexpr int LEVEL = 1;
static constexpr const char* LEVEL_DIR = "levels/level1";
static constexpr const char* DESCRIPTION_PATH = "levels/level1/level.dsc";
static constexpr const char* MAP_PATH = "levels/level1/map.map";
static constexpr const char* TILE_PATHS[] = {"levels/level1/tile0.bmp", "levels/level1/tile1.bmp"};
static constexpr size_t NO_FILE = 0xFFFF;
static constexpr int BITS_PER_BYTE = 8;
static constexpr int FRAMES_PER_SPOT = 2;
// mapPosition and scrollOffset one frame before the window wraps to the start.
static constexpr int LAST_ROW_POSITION = MAP_COLUMNS;
static constexpr int LAST_SCROLL_OFFSET = TILE_SIZE - SCROLL_STEP;

struct Input {
    const uint8_t* data;
    size_t left;
};

static void Take(Input& in, size_t count) {
    in.data += count;
    in.left -= count;
}

// Reads a length prefix; NO_FILE when the input has run out.
static size_t TakeLength(Input& in) {
    if (in.left < 2) {
        Take(in, in.left);
        return NO_FILE;
    }
    const size_t length = in.data[0] | (static_cast<size_t>(in.data[1]) << BITS_PER_BYTE);
    Take(in, 2);
    return length;
}

// Writes the next section to path, or removes the file when the section says none.
static void TakeFile(Input& in, const char* path, size_t length) {
    if (length == NO_FILE) {
        remove(path);
        return;
    }
    const size_t size = length < in.left ? length : in.left;
    WriteBytes(path, in.data, size);
    Take(in, size);
}

// Frees every tile and forgets the map, so each input starts as the first game does.
static void ForgetLevel() {
    for (int t = 0; t < MAX_TILES; t++) {
        SDL_FreeSurface(WorldState.tileBitmaps[t]);
        WorldState.tileBitmaps[t] = nullptr;
        Sprite& tile = WorldState.tileSprites[t];
        tile.frames[0] = nullptr;
        tile.frameCount = 0;
        tile.currentFrame = 0;
    }
    memset(WorldState.levelMap, 0, sizeof WorldState.levelMap);
}

static void DrawFrames(SDL_Surface* screen, int frames) {
    for (int i = 0; i < frames; i++) {
        DrawBackground(screen);
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzStartUp();
    if (mkdir("levels", 0700) != 0 || mkdir(LEVEL_DIR, 0700) != 0) {
        perror("fuzz: mkdir");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SDL_Surface* screen = FuzzStartUp();
    ForgetLevel();
    Input in = {data, size};
    TakeFile(in, DESCRIPTION_PATH, TakeLength(in));
    TakeFile(in, MAP_PATH, TakeLength(in));
    TakeFile(in, TILE_PATHS[0], TakeLength(in));
    TakeFile(in, TILE_PATHS[1], in.left > 0 ? in.left : NO_FILE);

    LoadLevel(LEVEL);
    DrawFrames(screen, FRAMES_PER_SPOT);
    GameState.mapPosition = LAST_ROW_POSITION;
    GameState.scrollOffset = LAST_SCROLL_OFFSET;
    DrawFrames(screen, FRAMES_PER_SPOT);
    LoadLevel(LEVEL);
    DrawFrames(screen, FRAMES_PER_SPOT);
    return 0;
}
