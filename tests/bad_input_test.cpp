// Damaged, missing and unusual data files. Each has one outcome: start-up data
// stops the game with the one-line Spanish message and status 1; sounds, music
// and level data only leave something out, with play going on. None may crash,
// hang or read out of bounds (the sanitizer build runs these too).
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "level/level.h"
#include "shell/assets.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "test_support.h"
#include "world/world.h"
#include "world_fixture.h"

namespace fs = std::filesystem;

static constexpr const char* FONT_FILE = "ariblk.ttf";
static constexpr const char* MUSIC_FILE = "sounds/zelmorta.mid";
static constexpr const char* SOUND_FILES[] = {"sounds/explosion.wav", "sounds/disparo.wav"};
static constexpr const char* PICTURE_FILES[BITMAP_COUNT] = {
    "pics/pantalla.bmp", "pics/explode1.bmp", "pics/explode2.bmp", "pics/explode3.bmp",
    "pics/explode4.bmp", "pics/explode5.bmp", "pics/explode6.bmp", "pics/explode7.bmp",
    "pics/dispene.bmp",  "pics/dispene2.bmp", "pics/minave.bmp",   "pics/nave.bmp",
    "pics/nave2.bmp",    "pics/gordo.bmp",    "pics/balas.bmp",    "pics/life.bmp",
};
static constexpr int SHIP_PICTURE = 10;  // minave.bmp, the ship's only frame
static constexpr int LEVEL = 1;
static constexpr int ABSENT_LEVEL = 7;
static constexpr int LAST_TILE = MAX_TILES - 1;
static constexpr int ALL_CHANNELS = -1;  // for Mix_HaltChannel
static constexpr int PLAY_FRAMES = 120;  // enough to fire, spawn and scroll a few rows
static constexpr int HUGE_LINE_BYTES = 100 * 1024;
static constexpr const char* NOT_A_FILE_OF_ITS_KIND = "plain text, not the file it claims to be\n";

// The ways a file can be damaged.
enum Damage { DAMAGE_MISSING, DAMAGE_EMPTY, DAMAGE_TRUNCATED, DAMAGE_FOREIGN };
static constexpr Damage ALL_DAMAGES[] = {DAMAGE_MISSING, DAMAGE_EMPTY, DAMAGE_TRUNCATED,
                                         DAMAGE_FOREIGN};

static const char* DamageName(Damage damage) {
    switch (damage) {
        case DAMAGE_MISSING:
            return "Missing";
        case DAMAGE_EMPTY:
            return "Empty";
        case DAMAGE_TRUNCATED:
            return "Truncated";
        case DAMAGE_FOREIGN:
            return "Foreign";
    }
    return "Unknown";
}

static void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Truncation keeps the header and cuts the body in half.
static void DamageFile(const fs::path& path, Damage damage) {
    switch (damage) {
        case DAMAGE_MISSING:
            fs::remove(path);
            break;
        case DAMAGE_EMPTY:
            WriteFile(path, "");
            break;
        case DAMAGE_TRUNCATED:
            fs::resize_file(path, fs::file_size(path) / 2);
            break;
        case DAMAGE_FOREIGN:
            WriteFile(path, NOT_A_FILE_OF_ITS_KIND);
            break;
    }
}

static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// The start-up message for a file that could not be loaded, up to SDL's reason.
static std::string StartupMessagePrefix(const char* path) {
    return std::string("No se pudo cargar ") + path + ": ";
}

// True when every pixel on a grid of TILE_SIZE / 4 across the screen has the colour.
static bool ScreenIsAll(SDL_Surface* screen, Uint32 colour) {
    static constexpr int GRID = TILE_SIZE / 4;
    for (int y = 0; y < SCREEN_HEIGHT; y += GRID) {
        for (int x = 0; x < SCREEN_WIDTH; x += GRID) {
            if (PixelAt(screen, x, y) != colour) {
                return false;
            }
        }
    }
    return true;
}

// ---- A small BMP writer, for pictures of every depth the format allows ----

static constexpr int BMP_FILE_HEADER = 14;
static constexpr int BMP_INFO_HEADER = 40;
static constexpr int BMP_ROW_ALIGN = 4;
static constexpr int BITS_PER_BYTE = 8;
static constexpr int TEST_PICTURE_W = 21;  // odd, so that rows need padding
static constexpr int TEST_PICTURE_H = 13;
static constexpr int RED_CORNER = 4;  // the top-left RED_CORNER square is pure red
static constexpr Uint8 BODY_R = 0;
static constexpr Uint8 BODY_G = 200;
static constexpr Uint8 BODY_B = 255;
static constexpr Uint32 PICTURE_BODY = Rgb(BODY_R, BODY_G, BODY_B);
static constexpr Uint32 PURE_RED = Rgb(COLOUR_KEY_R, COLOUR_KEY_G, COLOUR_KEY_B);
static constexpr Uint32 FIVE_BIT_MASK = 0xF8F8F8;  // what survives 5 bits a channel
static constexpr Uint8 BACKDROP_LEVEL = 40;
static constexpr Uint32 BACKDROP = Rgb(BACKDROP_LEVEL, BACKDROP_LEVEL, BACKDROP_LEVEL);

// Paints the whole screen in BACKDROP, so that what is drawn later shows.
static void PaintBackdrop(SDL_Surface* screen) {
    SDL_FillRect(screen, nullptr,
                 SDL_MapRGB(screen->format, BACKDROP_LEVEL, BACKDROP_LEVEL, BACKDROP_LEVEL));
}

// Little-endian fields of a BMP header.
static constexpr int WORD = 2;
static constexpr int DWORD = 4;
static constexpr Uint32 BYTE_MASK = 0xFF;
static constexpr int BYTE_VALUES = 256;
static constexpr int PLANES = 1;
static constexpr Uint32 UNCOMPRESSED = 0;
static constexpr int RGB_DEPTH = 24;
// A 5-5-5 pixel keeps the top five bits of each channel, red highest.
static constexpr int CHANNEL_LOSS = 3;
static constexpr int RED_SHIFT_555 = 10;
static constexpr int GREEN_SHIFT_555 = 5;
static constexpr int RED_SHIFT = 16;
static constexpr int GREEN_SHIFT = 8;

static void PutLe(std::string& out, Uint32 value, int bytes) {
    for (int i = 0; i < bytes; i++) {
        out.push_back(static_cast<char>((value >> (BITS_PER_BYTE * i)) & BYTE_MASK));
    }
}

static bool IsRedCorner(int x, int y) {
    return x < RED_CORNER && y < RED_CORNER;
}

// Index 0 of the palette is pure red, index 1 the body colour.
static Uint32 PaletteIndexAt(int x, int y) {
    return IsRedCorner(x, y) ? 0 : 1;
}

static Uint32 ColourAt(int x, int y) {
    return IsRedCorner(x, y) ? PURE_RED : PICTURE_BODY;
}

static Uint32 Pixel555(Uint32 colour) {
    const Uint32 r = colour >> RED_SHIFT;
    const Uint32 g = (colour >> GREEN_SHIFT) & BYTE_MASK;
    const Uint32 b = colour & BYTE_MASK;
    return ((r >> CHANNEL_LOSS) << RED_SHIFT_555) | ((g >> CHANNEL_LOSS) << GREEN_SHIFT_555) |
           (b >> CHANNEL_LOSS);
}

// Packs one row of pixels at the given depth: 1, 4 and 8 bits index the palette,
// 16 is 5-5-5, 24 and 32 are blue, green, red (and a spare byte).
static std::string PackRow(int y, int depth) {
    std::string row;
    Uint32 bits = 0;
    int pending = 0;
    for (int x = 0; x < TEST_PICTURE_W; x++) {
        if (depth > BITS_PER_BYTE) {
            const Uint32 colour = ColourAt(x, y);
            PutLe(row, depth == WORD * BITS_PER_BYTE ? Pixel555(colour) : colour,
                  depth / BITS_PER_BYTE);
            continue;
        }
        bits = (bits << depth) | PaletteIndexAt(x, y);
        pending += depth;
        if (pending == BITS_PER_BYTE) {
            row.push_back(static_cast<char>(bits));
            bits = 0;
            pending = 0;
        }
    }
    if (pending > 0) {
        row.push_back(static_cast<char>(bits << (BITS_PER_BYTE - pending)));
    }
    while (row.size() % BMP_ROW_ALIGN != 0) {
        row.push_back('\0');
    }
    return row;
}

// The file header and BITMAPINFOHEADER of an uncompressed picture whose
// palette and pixels follow them.
static std::string BmpHeaders(Sint32 w, Sint32 h, int depth, size_t paletteBytes,
                              size_t pixelBytes) {
    const Uint32 offset = BMP_FILE_HEADER + BMP_INFO_HEADER + paletteBytes;
    std::string bmp = "BM";
    PutLe(bmp, offset + pixelBytes, DWORD);
    PutLe(bmp, 0, DWORD);  // reserved
    PutLe(bmp, offset, DWORD);
    PutLe(bmp, BMP_INFO_HEADER, DWORD);
    PutLe(bmp, static_cast<Uint32>(w), DWORD);
    PutLe(bmp, static_cast<Uint32>(h), DWORD);  // positive: bottom row first
    PutLe(bmp, PLANES, WORD);
    PutLe(bmp, depth, WORD);
    PutLe(bmp, UNCOMPRESSED, DWORD);
    PutLe(bmp, pixelBytes, DWORD);
    PutLe(bmp, 0, DWORD);  // no resolution
    PutLe(bmp, 0, DWORD);
    PutLe(bmp, 0, DWORD);  // a full palette for the depth
    PutLe(bmp, 0, DWORD);
    return bmp;
}

// A complete uncompressed BMP of the test picture.
static std::string TestPictureBmp(int depth) {
    std::string palette;
    if (depth <= BITS_PER_BYTE) {
        PutLe(palette, PURE_RED, DWORD);
        PutLe(palette, PICTURE_BODY, DWORD);
        palette.resize(DWORD << depth, '\0');
    }
    std::string pixels;
    for (int y = TEST_PICTURE_H - 1; y >= 0; y--) {
        pixels += PackRow(y, depth);
    }
    return BmpHeaders(TEST_PICTURE_W, TEST_PICTURE_H, depth, palette.size(), pixels.size()) +
           palette + pixels;
}

// A BMP header that claims a picture of the given size, with no pixels behind it.
static std::string HeaderOnlyBmp(Sint32 w, Sint32 h) {
    return BmpHeaders(w, h, RGB_DEPTH, 0, 0);
}

// ---- Fixtures ----

// The game's data copied into a scratch directory that is the working
// directory for the test, so each test can damage its own copy.
class DataCopyTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        fs::copy(KORVANE_DATA_DIR, scratch.path, fs::copy_options::recursive);
        previousDir = fs::current_path();
        fs::current_path(scratch.path);
    }

    void TearDown() override {
        ReleaseEverythingLoaded();
        fs::current_path(previousDir);
    }

    // Loads the pictures into empty sprites, as at start-up; returns what
    // LoadGraphics returned and keeps what it printed. Clears the records
    // first, so it comes before any other loading.
    bool LoadPictures() {
        ClearGlobalRecords();
        GameState.screen = screen;
        testing::internal::CaptureStdout();
        const bool loaded = LoadGraphics();
        printed = testing::internal::GetCapturedStdout();
        return loaded;
    }

    bool LoadSoundsAndFont() {
        testing::internal::CaptureStdout();
        const bool loaded = LoadResources();
        printed = testing::internal::GetCapturedStdout();
        return loaded;
    }

    // Loads a level and keeps its warnings.
    void LoadLevelQuietly(int n) {
        testing::internal::CaptureStderr();
        LoadLevel(n);
        warnings = Lines(testing::internal::GetCapturedStderr());
    }

    // Starts a game the way the title screen does and plays frames with the
    // fire key held; returns the frames played.
    int PlayWithFireHeld() {
        testing::internal::CaptureStderr();
        StartGame();
        testing::internal::GetCapturedStderr();
        Uint8* keys = SDL_GetKeyState(nullptr);
        keys[SDLK_LSHIFT] = 1;
        for (int i = 0; i < PLAY_FRAMES; i++) {
            PlayFrameSteps();
        }
        keys[SDLK_LSHIFT] = 0;
        return GameState.frameCounter;
    }

    fs::path Data(const char* relative) const { return scratch.path / relative; }

    fs::path LevelFile(int n, const std::string& name) const {
        return scratch.path / "levels" / ("level" + std::to_string(n)) / name;
    }

    fs::path TileFile(int n, int t) const {
        return LevelFile(n, "tile" + std::to_string(t) + ".bmp");
    }

    // The highest tile index the shipped level names.
    int ShippedHighestTile(int n) const { return std::stoi(ReadFile(LevelFile(n, "level.dsc"))); }

    std::string printed;
    std::vector<std::string> warnings;

  private:
    // Frees what the loaders gave the records, so nothing is left unreachable.
    static void ReleaseEverythingLoaded() {
        Mix_HaltMusic();
        Mix_HaltChannel(ALL_CHANNELS);
        for (SDL_Surface*& bitmap : GameState.bitmaps) {
            SDL_FreeSurface(bitmap);
            bitmap = nullptr;
        }
        for (SDL_Surface*& tile : WorldState.tileBitmaps) {
            SDL_FreeSurface(tile);
            tile = nullptr;
        }
        ReleaseResources();
        Mix_FreeChunk(GameState.shotSound);
        Mix_FreeChunk(GameState.explosionSound);
        ClearGlobalRecords();
    }

    ScratchDir scratch;
    fs::path previousDir;
};

// ---- Pictures ----

struct PictureCase {
    int picture;
    Damage damage;
};

static std::vector<PictureCase> AllPictureCases() {
    std::vector<PictureCase> cases;
    for (int picture = 0; picture < BITMAP_COUNT; picture++) {
        for (Damage damage : ALL_DAMAGES) {
            cases.push_back({picture, damage});
        }
    }
    return cases;
}

static void PrintTo(const PictureCase& picture, std::ostream* out) {
    *out << PICTURE_FILES[picture.picture] << " " << DamageName(picture.damage);
}

class DamagedPictureTest : public DataCopyTest, public testing::WithParamInterface<PictureCase> {};

TEST_P(DamagedPictureTest, StopsStartupWithOneSpanishLineNamingThePicture) {
    const char* path = PICTURE_FILES[GetParam().picture];
    DamageFile(Data(path), GetParam().damage);

    EXPECT_FALSE(LoadPictures());

    const std::vector<std::string> lines = Lines(printed);
    ASSERT_EQ(lines.size(), 1u) << printed;
    EXPECT_EQ(lines[0].rfind(StartupMessagePrefix(path), 0), 0u) << lines[0];
    EXPECT_GT(lines[0].size(), StartupMessagePrefix(path).size()) << "SDL's reason is missing";
    EXPECT_EQ(printed.back(), '\n');
}

INSTANTIATE_TEST_SUITE_P(EveryPictureEveryDamage, DamagedPictureTest,
                         testing::ValuesIn(AllPictureCases()),
                         [](const testing::TestParamInfo<PictureCase>& info) {
                             std::string name = fs::path(PICTURE_FILES[info.param.picture]).stem();
                             return name + DamageName(info.param.damage);
                         });

class PictureDepthTest : public DataCopyTest, public testing::WithParamInterface<int> {
  protected:
    // Replaces the ship's picture with the test picture at the depth and loads everything.
    void LoadShipAtDepth() {
        WriteFile(Data(PICTURE_FILES[SHIP_PICTURE]), TestPictureBmp(GetParam()));
        ASSERT_TRUE(LoadPictures()) << printed;
        EXPECT_EQ(printed, "");
        ASSERT_EQ(WorldState.shipSprite.frameCount, 1);
        EXPECT_EQ(WorldState.shipSprite.frames[0]->w, TEST_PICTURE_W);
        EXPECT_EQ(WorldState.shipSprite.frames[0]->h, TEST_PICTURE_H);
    }

    // Draws the ship at the top-left corner of a BACKDROP screen.
    void DrawShipOnBackdrop() {
        PaintBackdrop(screen);
        Sprite& ship = WorldState.shipSprite;
        ship.x = 0;
        ship.y = 0;
        ship.Draw(screen);
    }
};

// Every uncompressed depth but 16 loads, keeps its size and keeps pure red transparent.
TEST_P(PictureDepthTest, LoadsWithItsSizeAndRedKeyedOut) {
    LoadShipAtDepth();
    DrawShipOnBackdrop();

    EXPECT_EQ(PixelAt(screen, 0, 0), BACKDROP);
    EXPECT_EQ(PixelAt(screen, RED_CORNER - 1, RED_CORNER - 1), BACKDROP);
    EXPECT_EQ(PixelAt(screen, TEST_PICTURE_W - 1, TEST_PICTURE_H - 1), PICTURE_BODY);
    EXPECT_EQ(PixelAt(screen, TEST_PICTURE_W, 0), BACKDROP) << "drawn wider than the picture";
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, PictureDepthTest, testing::Values(1, 4, 8, 24, 32),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "Bit";
                         });

// A 16-bit (5-5-5) picture loads at its size. SDL 1.2 expands its red to
// (248, 0, 0) when converting pixels but to (255, 0, 0) when converting the
// colour key, so its red is drawn (see docs/reliability.md); only its body is pinned.
class SixteenBitPictureTest : public PictureDepthTest {};

TEST_P(SixteenBitPictureTest, LoadsWithItsSize) {
    LoadShipAtDepth();
    DrawShipOnBackdrop();

    EXPECT_EQ(PixelAt(screen, TEST_PICTURE_W - 1, TEST_PICTURE_H - 1) & FIVE_BIT_MASK,
              PICTURE_BODY & FIVE_BIT_MASK);
    EXPECT_EQ(PixelAt(screen, TEST_PICTURE_W, 0), BACKDROP) << "drawn wider than the picture";
}

INSTANTIATE_TEST_SUITE_P(FiveFiveFive, SixteenBitPictureTest, testing::Values(16));

// A 54-byte file that claims a picture too large to exist must be refused,
// not allocated and read.
TEST_F(DataCopyTest, PictureHeaderClaimingAHugeSizeIsRefused) {
    static constexpr Sint32 HUGE_SIDE = 1 << 20;
    const char* path = PICTURE_FILES[SHIP_PICTURE];
    WriteFile(Data(path), HeaderOnlyBmp(HUGE_SIDE, HUGE_SIDE));

    EXPECT_FALSE(LoadPictures());
    EXPECT_EQ(printed.rfind(StartupMessagePrefix(path), 0), 0u) << printed;
}

// Damaged headers that SDL 1.2 once loaded into surfaces the game could not
// use: a 16-bit depth field above 255 whose low byte is a palette depth (SDL
// could not convert the surface, and the game crashed), and a height of -2^31
// (a top-down picture whose negated height overflows, leaving a negative
// height that overflows every overlap test). They are refused like damaged pictures.
struct UnusableHeader {
    const char* name;
    Sint32 height;
    int depth;
};

// Names the case in test output instead of dumping its bytes.
static void PrintTo(const UnusableHeader& header, std::ostream* out) {
    *out << header.name;
}

class UnusableHeaderTest : public DataCopyTest,
                           public testing::WithParamInterface<UnusableHeader> {};

TEST_P(UnusableHeaderTest, PictureIsRefusedWithTheStartupMessage) {
    static constexpr size_t ENOUGH_PIXEL_BYTES = 1024;
    const char* path = PICTURE_FILES[SHIP_PICTURE];
    WriteFile(Data(path), BmpHeaders(TEST_PICTURE_W, GetParam().height, GetParam().depth, 0,
                                     ENOUGH_PIXEL_BYTES) +
                              std::string(ENOUGH_PIXEL_BYTES, '\x5a'));

    EXPECT_FALSE(LoadPictures());
    EXPECT_EQ(printed.rfind(StartupMessagePrefix(path), 0), 0u) << printed;
}

INSTANTIATE_TEST_SUITE_P(
    SeenByTheFuzzer, UnusableHeaderTest,
    testing::Values(UnusableHeader{"DepthReadAsOneBit", TEST_PICTURE_H, 2049},
                    UnusableHeader{"DepthReadAsEightBits", TEST_PICTURE_H, 32776},
                    UnusableHeader{"HeightOfMinusTwoToThe31", INT32_MIN, RGB_DEPTH}),
    [](const testing::TestParamInfo<UnusableHeader>& info) {
        return std::string(info.param.name);
    });

// ---- Font, sounds and music ----

class DamagedFontTest : public DataCopyTest, public testing::WithParamInterface<Damage> {};

TEST_P(DamagedFontTest, StopsStartupWithOneSpanishLineNamingTheFont) {
    DamageFile(Data(FONT_FILE), GetParam());

    EXPECT_FALSE(LoadSoundsAndFont());

    const std::vector<std::string> lines = Lines(printed);
    ASSERT_EQ(lines.size(), 1u) << printed;
    EXPECT_EQ(lines[0].rfind(StartupMessagePrefix(FONT_FILE), 0), 0u) << lines[0];
}

INSTANTIATE_TEST_SUITE_P(EveryDamage, DamagedFontTest, testing::ValuesIn(ALL_DAMAGES),
                         [](const testing::TestParamInfo<Damage>& info) {
                             return std::string(DamageName(info.param));
                         });

class DamagedAudioTest : public DataCopyTest, public testing::WithParamInterface<Damage> {};

// Sounds and music only fall silent: start-up goes on quietly and play runs,
// firing and exploding, with the music started.
TEST_P(DamagedAudioTest, GameStartsAndPlaysWithoutThem) {
    DamageFile(Data(MUSIC_FILE), GetParam());
    for (const char* sound : SOUND_FILES) {
        DamageFile(Data(sound), GetParam());
    }

    ASSERT_TRUE(LoadPictures());
    ASSERT_TRUE(LoadSoundsAndFont());
    EXPECT_EQ(printed, "");

    EXPECT_EQ(PlayWithFireHeld(), PLAY_FRAMES);
    EXPECT_EQ(GameState.mode, MODE_PLAY);
}

INSTANTIATE_TEST_SUITE_P(EveryDamage, DamagedAudioTest, testing::ValuesIn(ALL_DAMAGES),
                         [](const testing::TestParamInfo<Damage>& info) {
                             return std::string(DamageName(info.param));
                         });

// ---- Level files ----

// Play after a damaged level goes on with whatever is loaded.
class DamagedLevelTest : public DataCopyTest {
  protected:
    void SetUp() override {
        DataCopyTest::SetUp();
        shippedHighest = ShippedHighestTile(LEVEL);
    }

    // Runs frames of the background on a screen painted with BACKDROP first.
    void ScrollFrames(int frames) {
        PaintBackdrop(screen);
        for (int i = 0; i < frames; i++) {
            DrawBackground(screen);
        }
    }

    bool WarnedAbout(const fs::path& path) const {
        const std::string relative = fs::relative(path, fs::current_path()).string();
        for (const std::string& line : warnings) {
            if (line.find(relative) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    int shippedHighest = 0;
};

TEST_F(DamagedLevelTest, ShippedLevelsLoadWithoutWarnings) {
    for (int n = 1; n <= LEVEL_COUNT; n++) {
        LoadLevelQuietly(n);
        EXPECT_TRUE(warnings.empty()) << "level " << n << ": " << warnings[0];
    }
}

TEST_F(DamagedLevelTest, MissingLevelDirectoryKeepsMapAndTilesAndWarnsPerFile) {
    LoadLevelQuietly(LEVEL);
    std::vector<unsigned char> map(WorldState.levelMap, WorldState.levelMap + MAP_BYTES);
    SDL_Surface* tile0 = WorldState.tileSprites[0].frames[0];

    LoadLevelQuietly(ABSENT_LEVEL);

    EXPECT_EQ(std::vector<unsigned char>(WorldState.levelMap, WorldState.levelMap + MAP_BYTES),
              map);
    EXPECT_EQ(WorldState.tileSprites[0].frames[0], tile0);
    EXPECT_EQ(warnings.size(), 2u);
    EXPECT_TRUE(WarnedAbout(LevelFile(ABSENT_LEVEL, "map.map")));
    EXPECT_TRUE(WarnedAbout(LevelFile(ABSENT_LEVEL, "level.dsc")));
    EXPECT_EQ(PlayWithFireHeld(), PLAY_FRAMES);
}

TEST_F(DamagedLevelTest, FirstGameWithoutLevelDirectoryDrawsNothingAndPlays) {
    fs::remove_all(LevelFile(LEVEL, ""));

    EXPECT_EQ(PlayWithFireHeld(), PLAY_FRAMES);
    for (const Sprite& tile : WorldState.tileSprites) {
        EXPECT_EQ(tile.frameCount, 0);
    }
}

// The largest number the description can hold is clamped to the last slot; the
// tiles the level does not have are reported one line each and left empty.
TEST_F(DamagedLevelTest, HugeHighestTileIsClampedToTheTable) {
    WriteFile(LevelFile(LEVEL, "level.dsc"), "2147483647\n");

    LoadLevelQuietly(LEVEL);

    EXPECT_EQ(static_cast<int>(warnings.size()), 1 + LAST_TILE - shippedHighest);
    for (int t = 0; t <= shippedHighest; t++) {
        EXPECT_EQ(WorldState.tileSprites[t].frameCount, 1) << t;
    }
    for (int t = shippedHighest + 1; t <= LAST_TILE; t++) {
        EXPECT_TRUE(WarnedAbout(TileFile(LEVEL, t))) << t;
        EXPECT_EQ(WorldState.tileSprites[t].frameCount, 0) << t;
    }
}

TEST_F(DamagedLevelTest, HundredKilobyteFirstLineReadsOnlyItsLeadingNumber) {
    const std::string number = std::to_string(shippedHighest);
    WriteFile(LevelFile(LEVEL, "level.dsc"),
              number + std::string(HUGE_LINE_BYTES, 'x') + "\n" + std::to_string(LAST_TILE));

    LoadLevelQuietly(LEVEL);

    EXPECT_TRUE(warnings.empty()) << warnings[0];
    EXPECT_EQ(WorldState.tileSprites[shippedHighest].frameCount, 1);
    EXPECT_EQ(WorldState.tileSprites[shippedHighest + 1].frameCount, 0);
}

TEST_F(DamagedLevelTest, HundredKilobyteNumberIsClampedToTheTable) {
    WriteFile(LevelFile(LEVEL, "level.dsc"), std::string(HUGE_LINE_BYTES, '9'));

    LoadLevelQuietly(LEVEL);

    EXPECT_EQ(static_cast<int>(warnings.size()), 1 + LAST_TILE - shippedHighest);
    EXPECT_EQ(WorldState.tileSprites[shippedHighest].frameCount, 1);
}

TEST_F(DamagedLevelTest, MapBytesNamingNoTileDrawNothing) {
    LoadLevelQuietly(LEVEL);
    std::string map;
    for (int i = 0; i < MAP_BYTES; i++) {
        map.push_back(static_cast<char>(MAX_TILES + i % (BYTE_VALUES - MAX_TILES)));
    }
    WriteFile(LevelFile(LEVEL, "map.map"), map);

    LoadLevelQuietly(LEVEL);
    ScrollFrames(TILE_SIZE);

    EXPECT_TRUE(warnings.empty()) << warnings[0];
    EXPECT_TRUE(ScreenIsAll(screen, BACKDROP));
}

TEST_F(DamagedLevelTest, MapBytesAboveTheHighestTileDrawNothing) {
    WriteFile(LevelFile(LEVEL, "map.map"), std::string(MAP_BYTES, static_cast<char>(LAST_TILE)));
    WriteFile(LevelFile(LEVEL, "level.dsc"), "0\n");

    LoadLevelQuietly(LEVEL);
    ScrollFrames(TILE_SIZE);

    EXPECT_TRUE(warnings.empty()) << warnings[0];
    EXPECT_EQ(WorldState.tileSprites[LAST_TILE].frameCount, 0);
    EXPECT_TRUE(ScreenIsAll(screen, BACKDROP));
}

class DamagedTileTest : public DamagedLevelTest, public testing::WithParamInterface<Damage> {};

// A tile that cannot be loaded keeps the previous level's tile in its place.
TEST_P(DamagedTileTest, KeepsThePreviousTileAndWarnsOnce) {
    LoadLevelQuietly(LEVEL);
    SDL_Surface* previous = WorldState.tileSprites[0].frames[0];
    DamageFile(TileFile(LEVEL, 0), GetParam());

    LoadLevelQuietly(LEVEL);

    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(WarnedAbout(TileFile(LEVEL, 0))) << warnings[0];
    EXPECT_EQ(WorldState.tileSprites[0].frames[0], previous);
    EXPECT_EQ(PlayWithFireHeld(), PLAY_FRAMES);
}

INSTANTIATE_TEST_SUITE_P(EveryDamage, DamagedTileTest, testing::ValuesIn(ALL_DAMAGES),
                         [](const testing::TestParamInfo<Damage>& info) {
                             return std::string(DamageName(info.param));
                         });

// Tiles of the wrong size are drawn as they are, clipped to the screen.
TEST_F(DamagedLevelTest, TilesOfAnySizeAreDrawnClipped) {
    static constexpr int BIG_TILE = 3 * TILE_SIZE;
    SDL_Surface* big = MakeSurface(BIG_TILE, BIG_TILE, BODY_R, BODY_G, BODY_B);
    SDL_SaveBMP(big, TileFile(LEVEL, 0).c_str());
    SDL_FreeSurface(big);
    WriteFile(TileFile(LEVEL, 1), TestPictureBmp(BITS_PER_BYTE));
    WriteFile(LevelFile(LEVEL, "map.map"), std::string(MAP_BYTES, '\0'));

    LoadLevelQuietly(LEVEL);
    ScrollFrames(2 * TILE_SIZE);

    EXPECT_TRUE(warnings.empty()) << warnings[0];
    EXPECT_EQ(WorldState.tileSprites[0].frames[0]->w, BIG_TILE);
    EXPECT_EQ(WorldState.tileSprites[1].frames[0]->w, TEST_PICTURE_W);
    EXPECT_EQ(PixelAt(screen, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1), PICTURE_BODY);
}

// ---- The real program ----

// Runs the game in the data copy with the dummy drivers; start-up failures end
// it before the title screen, so it never waits for input. Returns the exit
// status, or -1 if it did not exit normally.
static int RunBinary(std::string& output) {
    FILE* pipe = popen(KORVANE_BINARY " 2>/dev/null", "r");
    if (!pipe) {
        return -1;
    }
    char buffer[BUFSIZ];
    for (size_t n = fread(buffer, 1, sizeof buffer, pipe); n > 0;
         n = fread(buffer, 1, sizeof buffer, pipe)) {
        output.append(buffer, n);
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(DataCopyTest, ProgramWithACorruptPictureSaysSoAndExitsWithStatus1) {
    const char* path = PICTURE_FILES[SHIP_PICTURE];
    DamageFile(Data(path), DAMAGE_FOREIGN);

    std::string output;
    EXPECT_EQ(RunBinary(output), 1);
    EXPECT_EQ(Lines(output).size(), 1u) << output;
    EXPECT_EQ(output.rfind(StartupMessagePrefix(path), 0), 0u) << output;
}

TEST_F(DataCopyTest, ProgramWithACorruptFontSaysSoAndExitsWithStatus1) {
    DamageFile(Data(FONT_FILE), DAMAGE_TRUNCATED);

    std::string output;
    EXPECT_EQ(RunBinary(output), 1);
    EXPECT_EQ(Lines(output).size(), 1u) << output;
    EXPECT_EQ(output.rfind(StartupMessagePrefix(FONT_FILE), 0), 0u) << output;
}
