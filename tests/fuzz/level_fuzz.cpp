// Fuzzes the level loader. The input is split into the files of level 1:
//   [u16 length][level.dsc][u16 length][map.map][u16 length][tile0.bmp][tile1.bmp: the rest]
// Lengths are little-endian and cut to what is left; NO_FILE, or an input that
// ends first, leaves the file out. The level is loaded from scratch, drawn at
// its start and across its wrap, then loaded over itself as when a game restarts.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "fuzz_support.h"
#include "level/level.h"
#include "world/world.h"

static constexpr int LEVEL = 1;
static constexpr const char* FILES[] = {"levels/level1/level.dsc", "levels/level1/map.map",
                                        "levels/level1/tile0.bmp", "levels/level1/tile1.bmp"};
static constexpr size_t LAST_FILE = std::size(FILES) - 1;
static constexpr size_t NO_FILE = 0xFFFF;
static constexpr int FRAMES_PER_SPOT = 2;
// mapPosition and scrollOffset one frame before the window wraps to the start.
static constexpr int LAST_ROW_POSITION = MAP_COLUMNS;
static constexpr int LAST_SCROLL_OFFSET = TILE_SIZE - SCROLL_STEP;

// Cuts file number f off the front of the input and writes it, or removes the
// file when the input says none.
static void TakeFile(const uint8_t*& data, size_t& left, size_t f) {
    size_t length = left > 0 ? left : NO_FILE;
    if (f < LAST_FILE) {
        length = left < 2 ? NO_FILE : data[0] | size_t(data[1]) << 8;
        const size_t prefix = std::min<size_t>(left, 2);
        data += prefix;
        left -= prefix;
    }
    if (length == NO_FILE) {
        remove(FILES[f]);
        return;
    }
    const size_t size = std::min(length, left);
    WriteBytes(FILES[f], data, size);
    data += size;
    left -= size;
}

// Frees every tile and forgets the map, so each input starts as the first game does.
static void ForgetLevel() {
    for (int t = 0; t < MAX_TILES; t++) {
        SDL_FreeSurface(WorldState.tileBitmaps[t]);
        WorldState.tileBitmaps[t] = nullptr;
        Sprite& tile = WorldState.tileSprites[t];
        tile.frames[0] = nullptr;
        tile.frameCount = 0;
    }
    memset(WorldState.levelMap, 0, sizeof WorldState.levelMap);
}

static void DrawFrames(SDL_Surface* screen) {
    for (int i = 0; i < FRAMES_PER_SPOT; i++) {
        DrawBackground(screen);
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzStartUp();
    if (mkdir("levels", 0700) != 0 || mkdir("levels/level1", 0700) != 0) {
        perror("fuzz: mkdir");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SDL_Surface* screen = FuzzStartUp();
    ForgetLevel();
    for (size_t f = 0; f <= LAST_FILE; f++) {
        TakeFile(data, size, f);
    }
    LoadLevel(LEVEL);
    DrawFrames(screen);
    GameState.mapPosition = LAST_ROW_POSITION;
    GameState.scrollOffset = LAST_SCROLL_OFFSET;
    DrawFrames(screen);
    LoadLevel(LEVEL);
    DrawFrames(screen);
    return 0;
}
