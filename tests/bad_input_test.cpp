// Damaged, missing and unusual data files. Start-up data stops the game with its
// one Spanish line; sounds, music and level files only leave something out and
// play goes on. None may crash, hang or read out of bounds (the sanitizers run
// these).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "level/level.h"
#include "shell/data_file.h"
#include "shell/assets.h"
#include "shell/shell.h"
#include "shell/sound_check.h"
#include "world_fixture.h"

namespace fs = std::filesystem;

static constexpr const char* FONT_FILE = "ariblk.ttf";
static constexpr const char* SHIP_PICTURE = "pics/minave.bmp";
static constexpr const char* PICTURE_FILES[BITMAP_COUNT] = {
    "pics/pantalla.bmp", "pics/explode1.bmp", "pics/explode2.bmp", "pics/explode3.bmp",
    "pics/explode4.bmp", "pics/explode5.bmp", "pics/explode6.bmp", "pics/explode7.bmp",
    "pics/dispene.bmp",  "pics/dispene2.bmp", "pics/minave.bmp",   "pics/nave.bmp",
    "pics/nave2.bmp",    "pics/gordo.bmp",    "pics/balas.bmp",    "pics/life.bmp",
};
static constexpr const char* LEVEL_DIR = "levels/level1";
static constexpr int PLAY_FRAMES = 120;  // enough to fire, spawn and scroll a few rows

static void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

static constexpr int PICTURE_W = 21;  // odd, so that rows need padding
static constexpr int PICTURE_H = 13;
static constexpr int RED_CORNER = 4;  // the top-left RED_CORNER square is pure red
static constexpr Uint32 PURE_RED = Rgb(COLOUR_KEY_R, COLOUR_KEY_G, COLOUR_KEY_B);
static constexpr Uint32 BODY = Rgb(0, 200, 255);
static constexpr Uint8 BACKDROP_LEVEL = 40;
static constexpr Uint32 BACKDROP = Rgb(BACKDROP_LEVEL, BACKDROP_LEVEL, BACKDROP_LEVEL);
static constexpr int BYTE_BITS = 8;
static constexpr int DWORD = 4;
static constexpr int RGB_DEPTH = 24;
static constexpr int PALETTE_DEPTH = 8;
static constexpr int RGBX_DEPTH = 32;
static constexpr Uint32 BMP_HEADERS_SIZE = 54;
static constexpr Uint32 BMP_INFO_SIZE = 40;

static void PutLe(std::string& out, Uint32 value, int bytes) {
    for (int i = 0; i < bytes; i++) {
        out.push_back(static_cast<char>(value >> (BYTE_BITS * i)));
    }
}

// The headers of an uncompressed bottom-up BMP with one plane and a full
// palette for its depth; the palette and the pixels follow them.
static std::string BmpHeaders(Sint32 w, Sint32 h, int depth, size_t paletteBytes,
                              size_t pixelBytes) {
    const Uint32 offset = BMP_HEADERS_SIZE + static_cast<Uint32>(paletteBytes);
    std::string bmp = "BM";
    for (Uint32 field : {offset + static_cast<Uint32>(pixelBytes), 0u, offset, BMP_INFO_SIZE,
                         static_cast<Uint32>(w), static_cast<Uint32>(h)}) {
        PutLe(bmp, field, DWORD);
    }
    PutLe(bmp, 1, DWORD / 2);
    PutLe(bmp, depth, DWORD / 2);
    for (Uint32 field : {0u, static_cast<Uint32>(pixelBytes), 0u, 0u, 0u, 0u}) {
        PutLe(bmp, field, DWORD);
    }
    return bmp;
}

// The test picture, a pure red corner on the body colour. At 8 bits a pixel is
// a palette index (0 red, 1 body); at 32 bits it is blue, green, red and a spare byte.
static std::string TestPictureBmp(int depth) {
    std::string palette;
    if (depth == PALETTE_DEPTH) {
        PutLe(palette, PURE_RED, DWORD);
        PutLe(palette, BODY, DWORD);
        palette.resize(DWORD << depth, '\0');
    }
    std::string pixels;
    for (int y = PICTURE_H - 1; y >= 0; y--) {
        std::string row;
        for (int x = 0; x < PICTURE_W; x++) {
            const bool red = x < RED_CORNER && y < RED_CORNER;
            const Uint32 colour = red ? PURE_RED : BODY;
            PutLe(row, depth == PALETTE_DEPTH ? (red ? 0 : 1) : colour, depth / BYTE_BITS);
        }
        row.resize((row.size() + DWORD - 1) / DWORD * DWORD, '\0');
        pixels += row;
    }
    return BmpHeaders(PICTURE_W, PICTURE_H, depth, palette.size(), pixels.size()) + palette +
           pixels;
}

// The ways a file can be damaged, by index into DAMAGES: the four file damages,
// a FIFO or a directory in its place (both read as a missing file), then
// picture headers that SDL 1.2 turns into surfaces the game cannot use,
// the first two found by fuzzing: a 16-bit depth field above 255 whose low
// byte is a palette depth (the surface cannot be converted), a height of -2^31
// (negating it for a top-down picture overflows), and a size too large to exist.
enum : int {
    DAMAGE_MISSING,
    DAMAGE_EMPTY,
    DAMAGE_TRUNCATED,
    DAMAGE_FOREIGN,
    DAMAGE_FIFO,
    DAMAGE_DIRECTORY,
    FIRST_BAD_HEADER
};
struct DamageKind {
    const char* name;
    Sint32 w, h, depth;  // the fields of a bad header
};
static constexpr DamageKind DAMAGES[] = {
    {"Missing", 0, 0, 0},
    {"Empty", 0, 0, 0},
    {"Truncated", 0, 0, 0},
    {"Foreign", 0, 0, 0},
    {"Fifo", 0, 0, 0},
    {"Directory", 0, 0, 0},
    {"DepthReadAsOneBit", PICTURE_W, PICTURE_H, 2049},
    {"DepthReadAsEightBits", PICTURE_W, PICTURE_H, 32776},
    {"HeightOfMinusTwoToThe31", PICTURE_W, INT32_MIN, RGB_DEPTH},
    {"TwoToThe20Square", 1 << 20, 1 << 20, RGB_DEPTH}};
static constexpr int FILE_DAMAGES[] = {DAMAGE_MISSING, DAMAGE_EMPTY, DAMAGE_TRUNCATED,
                                       DAMAGE_FOREIGN, DAMAGE_FIFO,  DAMAGE_DIRECTORY};

static bool ReadsAsMissing(int damage) {
    return damage == DAMAGE_MISSING || damage == DAMAGE_FIFO || damage == DAMAGE_DIRECTORY;
}

// Truncation keeps a file's header and cuts its body in half; a foreign file
// is plain text; a bad header is followed by a little of what could be pixels.
static void DamageFile(const fs::path& path, int damage) {
    constexpr size_t FILLER_BYTES = 1024;
    const DamageKind& header = DAMAGES[damage];
    if (ReadsAsMissing(damage)) {
        fs::remove_all(path);
        if (damage == DAMAGE_DIRECTORY) {
            fs::create_directory(path);
        } else if (damage == DAMAGE_FIFO) {
            ASSERT_EQ(mkfifo(path.c_str(), S_IRUSR | S_IWUSR), 0);
        }
    } else if (damage == DAMAGE_TRUNCATED) {
        fs::resize_file(path, fs::file_size(path) / 2);
    } else if (damage == DAMAGE_EMPTY || damage == DAMAGE_FOREIGN) {
        WriteFile(path, damage == DAMAGE_EMPTY ? "" : "plain text, not the file it claims to be\n");
    } else {
        WriteFile(path, BmpHeaders(header.w, header.h, header.depth, 0, FILLER_BYTES) +
                            std::string(FILLER_BYTES, 'Z'));
    }
}

// A loader that blocks (on a FIFO, say) ends the test program after this long.
static constexpr unsigned HANG_SECONDS = 60;

// The game's data copied into a scratch working directory, so that each test
// damages its own copy. Whatever the loaders leave behind is freed afterwards.
class DataCopyTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        fs::copy(KORVANE_DATA_DIR, scratch.path, fs::copy_options::recursive);
        alarm(HANG_SECONDS);
    }
    void TearDown() override {
        alarm(0);
        FreeLoaded();
        SDL_GetKeyState(nullptr)[SDLK_LSHIFT] = 0;
    }

    // Frees whatever the loaders left and clears the records.
    void FreeLoaded() {
        for (SDL_Surface* bitmap : GameState.bitmaps) {
            SDL_FreeSurface(bitmap);
        }
        for (SDL_Surface* tile : WorldState.tileBitmaps) {
            SDL_FreeSurface(tile);
        }
        ReleaseResources();
        Mix_FreeChunk(GameState.shotSound);
        Mix_FreeChunk(GameState.explosionSound);
        ClearGlobalRecords();
    }

    // Loads the font, sounds, music and pictures into empty sprites as the
    // start-up does, keeping what it printed on each stream; returns whether
    // the start-up may go on.
    bool StartUp() {
        ClearGlobalRecords();
        GameState.screen = screen;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const bool loaded = LoadResources() && LoadGraphics();
        warnings = testing::internal::GetCapturedStderr();
        printed = testing::internal::GetCapturedStdout();
        return loaded;
    }

    // Loads level 1, keeping its warnings.
    void LoadFirstLevel() {
        testing::internal::CaptureStderr();
        LoadLevel(FIRST_LEVEL);
        warnings = testing::internal::GetCapturedStderr();
    }

    // Starts a game as the title screen does and plays frames with fire held.
    void PlayWithFireHeld() {
        testing::internal::CaptureStderr();
        StartGame();
        testing::internal::GetCapturedStderr();
        SDL_GetKeyState(nullptr)[SDLK_LSHIFT] = 1;
        for (int i = 0; i < PLAY_FRAMES; i++) {
            PlayFrameSteps();
        }
    }

    fs::path Data(const std::string& relative) const { return scratch.path / relative; }

    std::string printed;   // by StartUp, on standard output
    std::string warnings;  // by StartUp or LoadFirstLevel, on standard error

  private:
    ScratchDir scratch;
    ScopedWorkingDir inScratch{scratch.path};
};

// A file of the data damaged, and for a level file the files that warnings name.
struct FileCase {
    const char* path;
    int damage;
    std::vector<std::string> warnedAbout = {};
};

static void PrintTo(const FileCase& file, std::ostream* out) {
    *out << file.path << " " << DAMAGES[file.damage].name;
}

static std::string FileCaseName(const testing::TestParamInfo<FileCase>& info) {
    return fs::path(info.param.path).stem().string() + DAMAGES[info.param.damage].name;
}

// Every picture with one of the file damages in turn, the font with each, and
// the ship's picture with each bad header.
static std::vector<FileCase> StartupFileCases() {
    std::vector<FileCase> cases;
    for (int i = 0; i < BITMAP_COUNT; i++) {
        cases.push_back({PICTURE_FILES[i], FILE_DAMAGES[i % FIRST_BAD_HEADER]});
    }
    for (const int damage : FILE_DAMAGES) {
        cases.push_back({FONT_FILE, damage});
    }
    for (int damage = FIRST_BAD_HEADER; damage < static_cast<int>(std::size(DAMAGES)); damage++) {
        cases.push_back({SHIP_PICTURE, damage});
    }
    return cases;
}

class DamagedStartupFileTest : public DataCopyTest, public testing::WithParamInterface<FileCase> {};

TEST_P(DamagedStartupFileTest, StopsTheStartUpWithOneSpanishLineNamingIt) {
    DamageFile(Data(GetParam().path), GetParam().damage);

    EXPECT_FALSE(StartUp());
    const std::string prefix = "No se pudo cargar " + std::string(GetParam().path) + ": ";
    EXPECT_EQ(printed.rfind(prefix, 0), 0u) << printed;
    EXPECT_GT(printed.size(), prefix.size() + 1) << "SDL's reason is missing";
    EXPECT_EQ(printed.find('\n'), printed.size() - 1) << "one line expected";
    if (ReadsAsMissing(GetParam().damage)) {
        EXPECT_EQ(printed, prefix + "Couldn't open " + GetParam().path + "\n");
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFile, DamagedStartupFileTest, testing::ValuesIn(StartupFileCases()),
                         FileCaseName);

class PictureDepthTest : public DataCopyTest, public testing::WithParamInterface<int> {};

// 24 bits, the depth of the shipped art, is pinned by the sprite tests; SDL
// expands 1 and 4 bits to 8.
TEST_P(PictureDepthTest, LoadsAtItsSizeWithPureRedTransparent) {
    WriteFile(Data(SHIP_PICTURE), TestPictureBmp(GetParam()));
    ASSERT_TRUE(StartUp()) << printed;
    SDL_FillRect(screen, nullptr,
                 SDL_MapRGB(screen->format, BACKDROP_LEVEL, BACKDROP_LEVEL, BACKDROP_LEVEL));

    WorldState.shipSprite.Draw(screen);

    EXPECT_EQ(PixelAt(screen, 0, 0), BACKDROP);
    EXPECT_EQ(PixelAt(screen, RED_CORNER - 1, RED_CORNER - 1), BACKDROP);
    EXPECT_EQ(PixelAt(screen, PICTURE_W - 1, PICTURE_H - 1), BODY);
    EXPECT_EQ(PixelAt(screen, PICTURE_W, 0), BACKDROP) << "drawn wider than the picture";
    EXPECT_EQ(PixelAt(screen, 0, PICTURE_H), BACKDROP) << "drawn taller than the picture";
}

INSTANTIATE_TEST_SUITE_P(Depths, PictureDepthTest, testing::Values(PALETTE_DEPTH, RGBX_DEPTH),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "Bit";
                         });

class DamagedAudioTest : public DataCopyTest, public testing::WithParamInterface<FileCase> {};

TEST_P(DamagedAudioTest, LeavesTheGameSilentButStartingAndPlaying) {
    DamageFile(Data(GetParam().path), GetParam().damage);

    ASSERT_TRUE(StartUp());
    EXPECT_EQ(printed, "");
    EXPECT_EQ(warnings, "");
    PlayWithFireHeld();
    EXPECT_EQ(GameState.mode, MODE_PLAY);
}

// Each damage once, the missing one taking both sounds and the music.
INSTANTIATE_TEST_SUITE_P(Files, DamagedAudioTest,
                         testing::Values(FileCase{"sounds", DAMAGE_MISSING},
                                         FileCase{"sounds/zelmorta.mid", DAMAGE_TRUNCATED},
                                         FileCase{"sounds/explosion.wav", DAMAGE_EMPTY},
                                         FileCase{"sounds/disparo.wav", DAMAGE_FOREIGN},
                                         FileCase{"sounds/zelmorta.mid", DAMAGE_FIFO},
                                         FileCase{"sounds/explosion.wav", DAMAGE_FIFO}),
                         FileCaseName);

// Level files far from what the game writes: a highest tile of 2147483647, or
// of 100 kB of digits, is clamped to the last slot of the table; of a 100 kB
// first line only the leading number counts, with a warning that it is not a
// whole number; map cells naming tile 20 or more are left undrawn. Nothing is
// read or written out of bounds.
TEST_F(DataCopyTest, OutlandishLevelFilesStayWithinTheTileTable) {
    constexpr size_t HUGE_BYTES = 100 * 1024;
    int shipped = 0;
    std::ifstream(Data(LEVEL_DIR) / "level.dsc") >> shipped;
    // One warning for the clamp, and one for each tile file the level lacks.
    const long clampWarnings = MAX_TILES - shipped;
    const struct {
        std::string description;
        long warnings;
    } cases[] = {{"2147483647\n", clampWarnings},
                 {std::string(HUGE_BYTES, '9'), clampWarnings},
                 {std::to_string(shipped) + std::string(HUGE_BYTES, 'x') + "\n99\n", 1}};
    std::string map;
    for (int i = 0; i < MAP_BYTES; i++) {
        map.push_back(static_cast<char>(MAX_TILES + i % (UCHAR_MAX + 1 - MAX_TILES)));
    }
    WriteFile(Data(LEVEL_DIR) / "map.map", map);

    for (const auto& c : cases) {
        WriteFile(Data(LEVEL_DIR) / "level.dsc", c.description);
        LoadFirstLevel();
        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), c.warnings)
            << c.description.substr(0, 20) << ": " << warnings;
    }
    ClearScreen(screen);
    for (int i = 0; i < TILE_SIZE; i++) {
        DrawBackground(screen);
    }

    EXPECT_EQ(WorldState.tileSprites[shipped].frameCount, 1);
    EXPECT_EQ(LitPixels(screen, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT), 0);
}

// A level file that cannot be read, after a good load of the level. The level
// rules themselves are pinned by the level tests.
static constexpr const char* MAP_FILE = "levels/level1/map.map";
class DamagedLevelFileTest : public DataCopyTest, public testing::WithParamInterface<FileCase> {};

TEST_P(DamagedLevelFileTest, IsReportedAndWhatWasLoadedStaysInPlay) {
    ASSERT_TRUE(StartUp());
    LoadFirstLevel();
    const std::string map(WorldState.levelMap, WorldState.levelMap + MAP_BYTES);
    SDL_Surface* tile0 = WorldState.tileSprites[0].frames[0];
    DamageFile(Data(GetParam().path), GetParam().damage);

    LoadFirstLevel();

    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'),
              static_cast<long>(GetParam().warnedAbout.size()))
        << warnings;
    for (const std::string& path : GetParam().warnedAbout) {
        EXPECT_NE(warnings.find(path), std::string::npos) << warnings;
    }
    EXPECT_EQ(std::string(WorldState.levelMap, WorldState.levelMap + MAP_BYTES), map);
    // Past a damaged map, the tiles are loaded afresh.
    if (fs::path(GetParam().path) != MAP_FILE) {
        EXPECT_EQ(WorldState.tileSprites[0].frames[0], tile0);
    }
    PlayWithFireHeld();
    EXPECT_EQ(GameState.mode, MODE_PLAY);
}

// A tile is loaded like a picture, which every damage was tried on above.
static constexpr const char* TILE_0 = "levels/level1/tile0.bmp";
static constexpr const char* DESCRIPTION_FILE = "levels/level1/level.dsc";

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedLevelFileTest,
    testing::Values(FileCase{TILE_0, DAMAGE_FOREIGN, {TILE_0}},
                    FileCase{LEVEL_DIR, DAMAGE_MISSING, {MAP_FILE, DESCRIPTION_FILE}},
                    FileCase{TILE_0, DAMAGE_FIFO, {TILE_0}},
                    FileCase{MAP_FILE, DAMAGE_FIFO, {MAP_FILE}},
                    FileCase{DESCRIPTION_FILE, DAMAGE_FIFO, {DESCRIPTION_FILE}},
                    FileCase{DESCRIPTION_FILE, DAMAGE_DIRECTORY, {DESCRIPTION_FILE}}),
    FileCaseName);

// A first line that does not begin with a whole number still counts as its
// leading number (0 when there is none): tile 0 is loaded afresh, with one
// warning naming the file.
TEST_F(DataCopyTest, DescriptionWithoutAWholeNumberLoadsTileZeroAndSaysSo) {
    ASSERT_TRUE(StartUp());
    for (const char* description : {"0x13\n", "", "\n", "tiles: 7\n", "-\n"}) {
        LoadFirstLevel();
        SDL_Surface* before = WorldState.tileSprites[0].frames[0];
        const int tilesBefore = WorldState.tileSprites[1].frameCount;
        WriteFile(Data(DESCRIPTION_FILE), description);

        LoadFirstLevel();

        EXPECT_EQ(warnings, std::string(DESCRIPTION_FILE) +
                                " does not begin with a whole number; read as 0\n")
            << '"' << description << '"';
        EXPECT_NE(WorldState.tileSprites[0].frames[0], before) << "tile 0 not reloaded";
        EXPECT_EQ(WorldState.tileSprites[1].frameCount, tilesBefore);
        fs::copy_file(fs::path(KORVANE_DATA_DIR) / DESCRIPTION_FILE, Data(DESCRIPTION_FILE),
                      fs::copy_options::overwrite_existing);
    }
}

// Once checked, a data file is read from the file that was checked, even if
// its path is swapped for a FIFO before the library opens it.
TEST(PinnedFileTest, OpensTheCheckedFileAfterItsPathBecomesAFifo) {
    const ScratchDir scratch;
    const fs::path path = scratch.path / "level.dsc";
    WriteFile(path, "7\n");
    alarm(HANG_SECONDS);

    PinnedFile pinned;
    ASSERT_TRUE(PinRegularFile(path.c_str(), pinned));
    fs::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), S_IRUSR | S_IWUSR), 0);
    FILE* file = fopen(pinned.name, "r");
    UnpinFile(pinned);

    ASSERT_NE(file, nullptr);
    char line[8] = "";
    EXPECT_NE(fgets(line, sizeof line, file), nullptr);
    EXPECT_STREQ(line, "7\n");
    fclose(file);
    EXPECT_FALSE(PinRegularFile(path.c_str(), pinned)) << "a FIFO passed for a regular file";
    alarm(0);
}

static constexpr int MIXER_RATE = 22050;
static constexpr int MONO = 1;
static constexpr int STEREO = 2;
static constexpr int PCM = 1;
static constexpr size_t SOUND_BYTES = 2048;
static constexpr const char* EXPLOSION_SOUND = "sounds/explosion.wav";

// A PCM WAV file of silence with the given header fields.
static std::string WavFile(Uint32 rate, int channels, int bits) {
    constexpr int WORD = 2;
    const Uint32 frameBytes = channels * bits / BYTE_BITS;
    std::string format;
    PutLe(format, PCM, WORD);
    PutLe(format, channels, WORD);
    PutLe(format, rate, DWORD);
    PutLe(format, rate * frameBytes, DWORD);
    PutLe(format, frameBytes, WORD);
    PutLe(format, bits, WORD);
    std::string wav = "RIFF";
    PutLe(wav, DWORD + 2 * DWORD + format.size() + 2 * DWORD + SOUND_BYTES, DWORD);
    wav += "WAVEfmt ";
    PutLe(wav, format.size(), DWORD);
    wav += format + "data";
    PutLe(wav, SOUND_BYTES, DWORD);
    return wav + std::string(SOUND_BYTES, '\0');
}

// How a sound header fares. REFUSED: silent, and warned about unless SDL's
// own WAV reader already turns it down (SDL2's reader refuses a rate of 0 or
// above 2^31 - 1 and no channels; SDL 1.2's does not). LOADS_ON_CLASSIC: loads
// on SDL 1.2, while SDL2's converter, under the compatibility layer, refuses
// such high rates by itself, silently.
enum SoundOutcome { LOADS, LOADS_ON_CLASSIC, REFUSED_WITH_WARNING, REFUSED };
struct SoundHeader {
    Uint32 rate;
    int channels;
    int bits;
    SoundOutcome outcome;
};

static void PrintTo(const SoundHeader& header, std::ostream* out) {
    *out << header.rate << " Hz " << header.channels << "x" << header.bits;
}

class SoundHeaderTest : public DataCopyTest, public testing::WithParamInterface<SoundHeader> {};

TEST_P(SoundHeaderTest, LoadsOnlyWhatTheMixerCanConvert) {
    const SoundHeader& header = GetParam();
    WriteFile(Data(EXPLOSION_SOUND), WavFile(header.rate, header.channels, header.bits));

    ASSERT_TRUE(StartUp());

    // The compatibility layer calls itself 1.2.50 or later.
    constexpr Uint8 FIRST_COMPATIBILITY_PATCH = 50;
    const bool classic = SDL_Linked_Version()->patch < FIRST_COMPATIBILITY_PATCH;
    const bool passesTheCheck = header.outcome == LOADS || header.outcome == LOADS_ON_CLASSIC;
    EXPECT_EQ(printed, "");
    EXPECT_EQ(GameState.explosionSound != nullptr,
              header.outcome == LOADS || (header.outcome == LOADS_ON_CLASSIC && classic));
    const long lines = std::count(warnings.begin(), warnings.end(), '\n');
    if (header.outcome == REFUSED_WITH_WARNING || lines > 0) {
        EXPECT_EQ(lines, 1) << warnings;
        EXPECT_EQ(warnings.rfind(EXPLOSION_SOUND, 0), 0u) << warnings;
    }
    EXPECT_TRUE(!passesTheCheck || warnings.empty()) << warnings;
}

// The edges of the safe range into the mono mixer, for the three chain lengths
// a WAV can need, and the extreme headers that crashed the converter.
INSTANTIATE_TEST_SUITE_P(
    Rates, SoundHeaderTest,
    testing::Values(
        SoundHeader{MIXER_RATE, MONO, 16, LOADS}, SoundHeader{44, MONO, 16, LOADS},
        SoundHeader{43, MONO, 16, REFUSED_WITH_WARNING},
        SoundHeader{11289599, MONO, 16, LOADS_ON_CLASSIC},
        SoundHeader{11289600, MONO, 16, REFUSED_WITH_WARNING}, SoundHeader{87, MONO, 8, LOADS},
        SoundHeader{86, MONO, 8, REFUSED_WITH_WARNING},
        SoundHeader{5644799, MONO, 8, LOADS_ON_CLASSIC},
        SoundHeader{5644800, MONO, 8, REFUSED_WITH_WARNING}, SoundHeader{87, STEREO, 16, LOADS},
        SoundHeader{86, STEREO, 16, REFUSED_WITH_WARNING}, SoundHeader{173, STEREO, 8, LOADS},
        SoundHeader{172, STEREO, 8, REFUSED_WITH_WARNING}, SoundHeader{0, MONO, 16, REFUSED},
        SoundHeader{40, MONO, 16, REFUSED_WITH_WARNING},
        SoundHeader{50000000, MONO, 16, REFUSED_WITH_WARNING},
        SoundHeader{2000000000, MONO, 16, REFUSED_WITH_WARNING},
        SoundHeader{3000000000u, MONO, 16, REFUSED}, SoundHeader{MIXER_RATE, 0, 16, REFUSED}),
    [](const testing::TestParamInfo<SoundHeader>& info) {
        return std::to_string(info.param.rate) + "Hz" + std::to_string(info.param.channels) + "x" +
               std::to_string(info.param.bits);
    });

// An AIFF file of silence at the given rate, 16-bit mono. Its rate is an
// 80-bit float: a sign and 15-bit exponent, then a 64-bit mantissa.
static std::string AiffFile(Uint32 rate) {
    constexpr int EXPONENT_BIAS = 16383;
    constexpr int MANTISSA_BITS = 63;
    constexpr int FRAMES = 64;
    std::string rateField(10, '\0');
    if (rate > 0) {
        int top = 31;
        while (!(rate >> top)) {
            top--;
        }
        const Uint64 mantissa = static_cast<Uint64>(rate) << (MANTISSA_BITS - top);
        const int exponent = EXPONENT_BIAS + top;
        rateField[0] = static_cast<char>(exponent >> BYTE_BITS);
        rateField[1] = static_cast<char>(exponent);
        for (int i = 0; i < BYTE_BITS; i++) {
            rateField[2 + i] = static_cast<char>(mantissa >> (BYTE_BITS * (7 - i)));
        }
    }
    auto be = [](Uint32 value, int bytes) {
        std::string out;
        for (int i = bytes - 1; i >= 0; i--) {
            out.push_back(static_cast<char>(value >> (BYTE_BITS * i)));
        }
        return out;
    };
    const std::string common = be(MONO, 2) + be(FRAMES, DWORD) + be(16, 2) + rateField;
    const std::string sound = be(0, DWORD) + be(0, DWORD) + std::string(2 * FRAMES, '\0');
    const std::string body =
        "AIFFCOMM" + be(common.size(), DWORD) + common + "SSND" + be(sound.size(), DWORD) + sound;
    return "FORM" + be(body.size(), DWORD) + body;
}

// The mixer reads other kinds of sound too, with headers of their own (an AIFF
// file at 20 Hz overruns the converter as a WAV file would); only WAV headers
// are checked, so only WAV files are taken.
TEST_F(DataCopyTest, OnlyWavSoundsAreTaken) {
    constexpr Uint32 TOO_LOW_RATE = 20;
    for (Uint32 rate : {TOO_LOW_RATE, static_cast<Uint32>(MIXER_RATE)}) {
        WriteFile(Data(EXPLOSION_SOUND), AiffFile(rate));
        ASSERT_TRUE(StartUp());
        EXPECT_EQ(GameState.explosionSound, nullptr) << rate << " Hz";
        EXPECT_EQ(printed + warnings, "");
        FreeLoaded();
    }
}

// The same rule for either mixer the game may open (one or two channels), and
// the converted size, which SDL computes in an int.
TEST(SoundCheckTest, FollowsTheConverterForAMonoOrStereoMixer) {
    constexpr Uint16 FLOAT_SAMPLES = 0x8120;
    const struct {
        SoundFormat sound;
        Uint32 bytes;
        int mixerChannels;
        bool convertible;
    } cases[] = {
        {{AUDIO_S16LSB, MONO, 87}, SOUND_BYTES, STEREO, true},
        {{AUDIO_S16LSB, MONO, 86}, SOUND_BYTES, STEREO, false},
        {{AUDIO_S16LSB, MONO, 5644799}, SOUND_BYTES, STEREO, true},
        {{AUDIO_S16LSB, MONO, 5644800}, SOUND_BYTES, STEREO, false},
        {{AUDIO_S16LSB, STEREO, 44}, SOUND_BYTES, STEREO, true},
        {{AUDIO_S16LSB, STEREO, 43}, SOUND_BYTES, STEREO, false},
        {{AUDIO_U8, STEREO, 2822399}, SOUND_BYTES, MONO, true},
        {{AUDIO_U8, STEREO, 2822400}, SOUND_BYTES, MONO, false},
        // Three channels have no rate converter, but need none at the mixer's rate.
        {{AUDIO_S16LSB, 3, MIXER_RATE}, SOUND_BYTES, MONO, true},
        {{AUDIO_S16LSB, 3, 44100}, SOUND_BYTES, MONO, false},
        {{FLOAT_SAMPLES, MONO, MIXER_RATE}, SOUND_BYTES, MONO, false},
        {{AUDIO_S16LSB, MONO, MIXER_RATE}, INT_MAX / 2, MONO, true},
        {{AUDIO_S16LSB, MONO, MIXER_RATE}, INT_MAX / 2 + 1, MONO, false},
        {{AUDIO_S16LSB, MONO, 44}, INT_MAX / 1004, MONO, true},
        {{AUDIO_S16LSB, MONO, 44}, INT_MAX / 1004 + 1, MONO, false},
    };
    for (const auto& c : cases) {
        const SoundFormat mixer = {AUDIO_S16MSB, c.mixerChannels, MIXER_RATE};
        EXPECT_EQ(IsConvertibleSound(c.sound, c.bytes, mixer), c.convertible)
            << c.sound.rate << " Hz, " << c.sound.channels << " channel(s) of format "
            << c.sound.format << ", " << c.bytes << " bytes, into " << c.mixerChannels;
    }
}
