// Damaged, missing and unusual data files. None may crash, hang or read out of
// bounds: the sanitizers run these too.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "shell/assets.h"
#include "shell/data_file.h"
#include "shell/shell.h"
#include "world_fixture.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

static constexpr const char* PICTURE_FILES[BITMAP_COUNT] = {
    "pics/pantalla.bmp", "pics/explode1.bmp", "pics/explode2.bmp", "pics/explode3.bmp",
    "pics/explode4.bmp", "pics/explode5.bmp", "pics/explode6.bmp", "pics/explode7.bmp",
    "pics/dispene.bmp",  "pics/dispene2.bmp", "pics/minave.bmp",   "pics/nave.bmp",
    "pics/nave2.bmp",    "pics/gordo.bmp",    "pics/balas.bmp",    "pics/life.bmp"};
static constexpr const char* SHIP_PICTURE = "pics/minave.bmp";
static constexpr const char* EXPLOSION_SOUND = "sounds/explosion.wav";
static constexpr const char* MAP_FILE = "levels/level1/map.map";
static constexpr const char* DESCRIPTION_FILE = "levels/level1/level.dsc";
static constexpr const char* TILE_0 = "levels/level1/tile0.bmp";
static constexpr int PLAY_FRAMES = 120;       // enough to fire, spawn and scroll a few rows
static constexpr unsigned HANG_SECONDS = 60;  // a loader that blocks ends the program
static constexpr int BYTE_BITS = 8;
static constexpr int DWORD = 4;
static constexpr int RGB_DEPTH = 24;
static constexpr Uint32 BMP_HEADERS_SIZE = 54;
static constexpr Uint32 BMP_INFO_SIZE = 40;

static void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

static void PutLe(std::string& out, Uint32 value, int bytes) {
    for (int i = 0; i < bytes; i++) {
        out.push_back(static_cast<char>(value >> (BYTE_BITS * i)));
    }
}

// A picture header with the given fields, then some would-be pixels.
static std::string BmpWithHeader(Uint32 w, Uint32 h, Uint32 depth) {
    constexpr Uint32 PIXEL_BYTES = 1024;
    std::string bmp = "BM";
    for (Uint32 field : {BMP_HEADERS_SIZE + PIXEL_BYTES, 0u, BMP_HEADERS_SIZE, BMP_INFO_SIZE, w, h,
                         1u | depth << 16, 0u, PIXEL_BYTES, 0u, 0u, 0u, 0u}) {
        PutLe(bmp, field, DWORD);
    }
    return bmp + std::string(PIXEL_BYTES, 'Z');
}

// The ways a file can be damaged, then picture headers SDL 1.2 turns into surfaces
// the game cannot use: a depth above 255 whose low byte is a palette depth, a
// top-down height whose negation overflows (both found by fuzzing), a huge size.
enum : int { MISSING, EMPTY, TRUNCATED, FOREIGN, FIFO, DIRECTORY, FIRST_BAD_HEADER };
// clang-format off
static constexpr struct {
    const char* name;
    Sint32 w, h, depth;  // the fields of a bad header
} DAMAGES[] = {
    {"missing", 0, 0, 0},   {"empty", 0, 0, 0},     {"truncated", 0, 0, 0},
    {"foreign", 0, 0, 0},   {"FIFO", 0, 0, 0},      {"directory", 0, 0, 0},
    {"depth 2049", 21, 13, 2049},   {"depth 32776", 21, 13, 32776},
    {"height -2^31", 21, INT32_MIN, RGB_DEPTH},
    {"2^20 x 2^20", 1 << 20, 1 << 20, RGB_DEPTH}};
// clang-format on

static bool ReadsAsMissing(int damage) {
    return damage == MISSING || damage == FIFO || damage == DIRECTORY;
}

// The game's data copied into a scratch working directory for each test to damage.
class DataCopyTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        fs::copy(KORVANE_DATA_DIR, scratch.path, fs::copy_options::recursive);
    }
    void TearDown() override {
        alarm(0);
        FreeLoaded();
        SDL_GetKeyState(nullptr)[SDLK_LSHIFT] = 0;
    }

    // A path relative to the copy, the working directory. Truncation keeps the header.
    void Damage(const fs::path& path, int damage) {
        if (ReadsAsMissing(damage)) {
            fs::remove_all(path);
            if (damage == DIRECTORY) {
                fs::create_directory(path);
            } else if (damage == FIFO) {
                ASSERT_EQ(mkfifo(path.c_str(), S_IRUSR | S_IWUSR), 0);
            }
        } else if (damage == TRUNCATED) {
            fs::resize_file(path, fs::file_size(path) / 2);
        } else if (damage == EMPTY || damage == FOREIGN) {
            WriteFile(path, damage == EMPTY ? "" : "plain text, not the file it claims to be\n");
        } else {
            const auto& [name, w, h, depth] = DAMAGES[damage];
            WriteFile(path, BmpWithHeader(w, h, depth));
        }
    }

    void Restore(const std::string& relative) {
        fs::remove_all(relative);
        fs::copy(fs::path(KORVANE_DATA_DIR) / relative, relative, fs::copy_options::recursive);
    }

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

    // The start-up's loading: keeps what it printed, returns whether it may go on.
    bool StartUp() {
        alarm(HANG_SECONDS);  // for this case and what it goes on to play
        FreeLoaded();
        GameState.screen = screen;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const bool loaded = LoadResources() && LoadGraphics();
        warnings = testing::internal::GetCapturedStderr();
        printed = testing::internal::GetCapturedStdout();
        return loaded;
    }

    std::string printed, warnings;  // by StartUp, on standard output and error

  private:
    ScratchDir scratch;
    ScopedWorkingDir inScratch{scratch.path};
};

// Every picture with one file damage in turn, the font with each, and the ship
// with each bad header. A file that is not there gets SDL's own words for it.
TEST_F(DataCopyTest, DamagedStartUpFileStopsTheStartUpWithOneSpanishLineNamingIt) {
    std::vector<std::pair<const char*, int>> cases;  // a path and its damage
    for (int i = 0; i < BITMAP_COUNT; i++) {
        cases.emplace_back(PICTURE_FILES[i], i % FIRST_BAD_HEADER);
    }
    for (int damage = MISSING; damage < static_cast<int>(std::size(DAMAGES)); damage++) {
        cases.emplace_back(damage < FIRST_BAD_HEADER ? "ariblk.ttf" : SHIP_PICTURE, damage);
    }
    for (const auto& [path, damage] : cases) {
        SCOPED_TRACE(path + " "s + DAMAGES[damage].name);
        Damage(path, damage);

        EXPECT_FALSE(StartUp());

        const std::string prefix = "No se pudo cargar "s + path + ": ";
        EXPECT_EQ(printed.rfind(prefix, 0), 0u) << printed;
        EXPECT_GT(printed.size(), prefix.size() + 1) << "SDL's reason is missing";
        EXPECT_EQ(printed.find('\n'), printed.size() - 1) << "one line expected";
        if (ReadsAsMissing(damage)) {
            EXPECT_EQ(printed, prefix + "Couldn't open " + path + "\n");
        }
        Restore(path);
    }
}

// The undamaged pictures, in the order above, each become the frame of the
// sprite they are named for: the explosion's and the bullet's by their numbers.
TEST_F(DataCopyTest, EveryPictureBecomesTheFrameItIsNamedFor) {
    ASSERT_TRUE(StartUp()) << printed;
    const WorldRecord& w = WorldState;
    const std::pair<const Sprite&, int> frames[BITMAP_COUNT] = {
        {w.titleSprite, 0},     {w.explosionSprite, 0}, {w.explosionSprite, 1},
        {w.explosionSprite, 2}, {w.explosionSprite, 3}, {w.explosionSprite, 4},
        {w.explosionSprite, 5}, {w.explosionSprite, 6}, {w.bulletSprite, 0},
        {w.bulletSprite, 1},    {w.shipSprite, 0},      {w.enemySprite, 0},
        {w.enemy2Sprite, 0},    {w.bossSprite, 0},      {w.shotSprite, 0},
        {w.lifeSprite, 0}};
    for (int i = 0; i < BITMAP_COUNT; i++) {
        SCOPED_TRACE(PICTURE_FILES[i]);
        SDL_Surface* expected = nullptr;
        LoadBitmap(expected, PICTURE_FILES[i]);
        const SDL_Surface* frame = frames[i].first.frames[frames[i].second];
        ASSERT_TRUE(expected && frame);
        ASSERT_EQ(std::make_pair(frame->w, frame->h), std::make_pair(expected->w, expected->h));
        for (int y = 0; y < frame->h; y++) {
            const auto* row = static_cast<const Uint8*>(frame->pixels) + y * frame->pitch;
            const auto* want = static_cast<const Uint8*>(expected->pixels) + y * expected->pitch;
            ASSERT_TRUE(std::equal(row, row + frame->w * frame->format->BytesPerPixel, want))
                << "row " << y;
        }
        SDL_FreeSurface(expected);
    }
}

// Two of the fuzzer's seed pictures (the shipped art is 24-bit): each loads at
// its size with its pure red pixels transparent.
TEST_F(DataCopyTest, PictureOf8Or32BitsLoadsAtItsSizeWithPureRedTransparent) {
    const struct {
        const char* seed;
        int w, h, drawnX, drawnY;  // the size, and a pixel at an edge that is not pure red
        Uint32 drawn;
    } pictures[] = {{"pal8_17x4.bmp", 17, 4, 16, 3, Rgb(0x1E, 0x3C, 0xC8)},
                    {"rgb32_9x5.bmp", 9, 5, 8, 0, Rgb(0x14, 0xA0, 0x28)}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.seed);
        fs::copy_file(KORVANE_DATA_DIR "/../tests/fuzz/corpus/bitmap/"s + p.seed, SHIP_PICTURE,
                      fs::copy_options::overwrite_existing);
        ASSERT_TRUE(StartUp()) << printed;
        ClearScreen(screen);

        WorldState.shipSprite.Draw(screen);

        EXPECT_EQ(PixelAt(screen, 0, 0), BLACK) << "the pure red top-left corner";
        EXPECT_EQ(PixelAt(screen, p.drawnX, p.drawnY), p.drawn);
        EXPECT_EQ(PixelAt(screen, p.w, p.drawnY), BLACK) << "drawn wider than the picture";
        EXPECT_EQ(PixelAt(screen, p.drawnX, p.h), BLACK) << "drawn taller than the picture";
    }
}

// A tile loads like a picture, so one damage stands for all; what a damaged level
// file leaves in place is pinned by the level tests.
TEST_F(DataCopyTest, DamagedPlayFileIsLeftOutAndPlayGoesOn) {
    // clang-format off
    const struct {
        const char* path;
        int damage;
        std::vector<std::string> warnedAbout;
    } cases[] = {
        {"sounds", MISSING, {}}, {"sounds/zelmorta.mid", TRUNCATED, {}},
        {EXPLOSION_SOUND, EMPTY, {}}, {"sounds/disparo.wav", FOREIGN, {}},
        {"sounds/zelmorta.mid", FIFO, {}}, {EXPLOSION_SOUND, FIFO, {}},
        {TILE_0, FOREIGN, {TILE_0}}, {"levels/level1", MISSING, {MAP_FILE, DESCRIPTION_FILE}},
        {TILE_0, FIFO, {TILE_0}}, {MAP_FILE, FIFO, {MAP_FILE}},
        {DESCRIPTION_FILE, FIFO, {DESCRIPTION_FILE}},
        {DESCRIPTION_FILE, DIRECTORY, {DESCRIPTION_FILE}}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " "s + DAMAGES[c.damage].name);
        Damage(c.path, c.damage);

        ASSERT_TRUE(StartUp());
        EXPECT_EQ(printed + warnings, "");
        testing::internal::CaptureStderr();
        StartGame();
        warnings = testing::internal::GetCapturedStderr();

        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'),
                  static_cast<long>(c.warnedAbout.size()))
            << warnings;
        for (const std::string& path : c.warnedAbout) {
            EXPECT_NE(warnings.find(path), std::string::npos) << warnings;
        }
        SDL_GetKeyState(nullptr)[SDLK_LSHIFT] = 1;
        for (int i = 0; i < PLAY_FRAMES; i++) {
            PlayFrameSteps();
        }
        EXPECT_EQ(GameState.mode, MODE_PLAY);
        Restore(c.path);
    }
}

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
    EXPECT_STREQ(fgets(line, sizeof line, file), "7\n");
    fclose(file);
    alarm(0);
}

static constexpr int MIXER_RATE = 22050;
static constexpr int MONO = 1;
static constexpr int STEREO = 2;
static constexpr Uint32 SOUND_BYTES = 2048;
static constexpr Uint32 MAX_SOUND_BYTES = 1 << 20;

// A PCM WAV file of silence with the given header fields.
static std::string WavFile(Uint32 rate, int channels, int bits, Uint32 bytes) {
    constexpr int WORD = 2;
    constexpr Uint32 PCM = 1, FORMAT_SIZE = 16, RIFF_HEADERS = 36;
    const Uint32 frameBytes = channels * bits / BYTE_BITS;
    std::string wav = "RIFF";
    PutLe(wav, RIFF_HEADERS + bytes, DWORD);
    wav += "WAVEfmt ";
    for (const auto& [value, size] : {std::pair<Uint32, int>{FORMAT_SIZE, DWORD},
                                      {PCM, WORD},
                                      {channels, WORD},
                                      {rate, DWORD},
                                      {rate * frameBytes, DWORD},
                                      {frameBytes, WORD},
                                      {bits, WORD}}) {
        PutLe(wav, value, size);
    }
    wav += "data";
    PutLe(wav, bytes, DWORD);
    return wav + std::string(bytes, '\0');
}

// Another kind of sound the mixer reads: 64 frames of 16-bit mono silence in an
// AIFF file, its rate of 22050 Hz an 80-bit float.
static const std::string AIFF_SOUND =
    "FORM\0\0\0\xAE"
    "AIFFCOMM\0\0\0\x12\0\x01\0\0\0\x40\0\x10"
    "\x40\x0D\xAC\x44\0\0\0\0\0\0SSND\0\0\0\x88"s +
    std::string(136, '\0');

// Each edge of the rule, both sides, on the formats that ask the most of the
// converters: 8-bit stereo takes SDL 1.2 the most steps, and 8-bit mono at the
// lowest rate grows the most under the compatibility layer, so the largest
// sound taken is tried there. Then the headers that once crashed a converter.
// A refused sound is WARNED about unless SDL's own reader refuses it first:
// samples wider than 16 bits on both libraries, and on SDL2 rates of 0 or
// above 2^31 - 1 and no channels. Only WAV headers are checked, so another
// kind is refused without a word.
TEST_F(DataCopyTest, SoundLoadsOnlyWithOneOrTwoChannels4To192kHzAndAtMost1MiB) {
    enum Outcome { LOADS, SILENT, WARNED, REFUSED };
    // clang-format off
    const struct {
        Uint32 rate;
        int channels, bits;
        Outcome outcome;
        Uint32 bytes = SOUND_BYTES;
        bool aiff = false;
    } cases[] = {
        {MIXER_RATE, MONO, 16, LOADS},
        {MIXER_RATE, MONO, 16, SILENT, SOUND_BYTES, true},
        {4000, STEREO, 8, LOADS},                 {3999, STEREO, 8, WARNED},
        {192000, STEREO, 8, LOADS},               {192001, STEREO, 8, WARNED},
        {4000, MONO, 16, LOADS},                  {192001, MONO, 16, WARNED},
        {4000, MONO, 8, LOADS, MAX_SOUND_BYTES},  {4000, MONO, 8, WARNED, MAX_SOUND_BYTES + 1},
        {MIXER_RATE, STEREO, 16, LOADS},          {MIXER_RATE, 3, 16, WARNED},
        {MIXER_RATE, 0, 16, REFUSED},
        {MIXER_RATE, MONO, 24, REFUSED},          {MIXER_RATE, MONO, 32, REFUSED},
        {0, MONO, 16, REFUSED},                   {40, MONO, 16, WARNED},
        {2000000000, MONO, 16, WARNED},           {3000000000u, MONO, 16, REFUSED}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE((c.aiff ? "AIFF, " : "") + std::to_string(c.rate) + " Hz, " +
                     std::to_string(c.channels) + " x " + std::to_string(c.bits) + ", " +
                     std::to_string(c.bytes) + " bytes");
        WriteFile(EXPLOSION_SOUND,
                  c.aiff ? AIFF_SOUND : WavFile(c.rate, c.channels, c.bits, c.bytes));

        ASSERT_TRUE(StartUp());

        EXPECT_EQ(printed, "");
        EXPECT_EQ(GameState.explosionSound != nullptr, c.outcome == LOADS);
        const long lines = std::count(warnings.begin(), warnings.end(), '\n');
        if (c.outcome == WARNED || lines > 0) {
            EXPECT_EQ(lines, 1) << warnings;
            EXPECT_EQ(warnings.rfind(EXPLOSION_SOUND, 0), 0u) << warnings;
        }
        EXPECT_TRUE(c.outcome >= WARNED || warnings.empty()) << warnings;
    }
}
