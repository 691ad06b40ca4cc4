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
#include "shell/assets.h"
#include "shell/data_file.h"
#include "shell/shell.h"
#include "shell/sound_check.h"
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

// An uncompressed bottom-up BMP with one plane and a full palette for its depth.
static std::string BmpFile(Sint32 w, Sint32 h, int depth, const std::string& palette,
                           const std::string& pixels) {
    const Uint32 offset = BMP_HEADERS_SIZE + palette.size();
    std::string bmp = "BM";
    for (Uint32 field :
         {offset + static_cast<Uint32>(pixels.size()), 0u, offset, BMP_INFO_SIZE,
          static_cast<Uint32>(w), static_cast<Uint32>(h), 1u | static_cast<Uint32>(depth) << 16, 0u,
          static_cast<Uint32>(pixels.size()), 0u, 0u, 0u, 0u}) {
        PutLe(bmp, field, DWORD);
    }
    return bmp + palette + pixels;
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
            PutLe(row, depth == PALETTE_DEPTH ? !red : red ? PURE_RED : BODY, depth / BYTE_BITS);
        }
        row.resize((row.size() + DWORD - 1) / DWORD * DWORD, '\0');
        pixels += row;
    }
    return BmpFile(PICTURE_W, PICTURE_H, depth, palette, pixels);
}

// The ways a file can be damaged: the four file damages, a FIFO or a directory
// in its place (both read as a missing file), then picture headers that SDL 1.2
// turns into surfaces the game cannot use, the first two found by fuzzing: a
// 16-bit depth field above 255 whose low byte is a palette depth (the surface
// cannot be converted), a height of -2^31 (negating it for a top-down picture
// overflows), and a size too large to exist.
enum : int { MISSING, EMPTY, TRUNCATED, FOREIGN, FIFO, DIRECTORY, FIRST_BAD_HEADER };
// clang-format off
static constexpr struct {
    const char* name;
    Sint32 w, h, depth;  // the fields of a bad header
} DAMAGES[] = {
    {"missing", 0, 0, 0},   {"empty", 0, 0, 0},     {"truncated", 0, 0, 0},
    {"foreign", 0, 0, 0},   {"FIFO", 0, 0, 0},      {"directory", 0, 0, 0},
    {"depth 2049", PICTURE_W, PICTURE_H, 2049},     {"depth 32776", PICTURE_W, PICTURE_H, 32776},
    {"height -2^31", PICTURE_W, INT32_MIN, RGB_DEPTH},
    {"2^20 x 2^20", 1 << 20, 1 << 20, RGB_DEPTH}};
// clang-format on
static constexpr int DAMAGE_COUNT = static_cast<int>(std::size(DAMAGES));

static bool ReadsAsMissing(int damage) {
    return damage == MISSING || damage == FIFO || damage == DIRECTORY;
}

// The game's data copied into a scratch working directory, so that each test
// damages its own copy. Whatever the loaders leave behind is freed afterwards.
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

    fs::path Data(const std::string& relative) const { return scratch.path / relative; }

    // Damages a file of the copy: truncation keeps the header and cuts the body
    // in half; a foreign file is plain text; a bad header is followed by a
    // little of what could be pixels.
    void Damage(const std::string& relative, int damage) {
        const fs::path path = Data(relative);
        const auto& header = DAMAGES[damage];
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
            WriteFile(path, BmpFile(header.w, header.h, header.depth, "", std::string(1024, 'Z')));
        }
    }

    // Puts a file or folder of the copy back as shipped.
    void Restore(const std::string& relative) {
        fs::remove_all(Data(relative));
        fs::copy(fs::path(KORVANE_DATA_DIR) / relative, Data(relative),
                 fs::copy_options::recursive);
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

    // Starts a game as the title screen does and plays frames with fire held.
    void PlayWithFireHeld() {
        testing::internal::CaptureStderr();
        StartGame();
        testing::internal::GetCapturedStderr();
        SDL_GetKeyState(nullptr)[SDLK_LSHIFT] = 1;
        for (int i = 0; i < PLAY_FRAMES; i++) {
            PlayFrameSteps();
        }
        EXPECT_EQ(GameState.mode, MODE_PLAY);
    }

    std::string printed;   // by StartUp, on standard output
    std::string warnings;  // by StartUp, on standard error

  private:
    ScratchDir scratch;
    ScopedWorkingDir inScratch{scratch.path};
};

// Every picture with one of the file damages in turn, the font with each, and
// the ship's picture with each bad header: one line naming the file and SDL's
// reason, and for a file that is not there SDL's own words for a missing file.
TEST_F(DataCopyTest, DamagedStartUpFileStopsTheStartUpWithOneSpanishLineNamingIt) {
    struct Case {
        const char* path;
        int damage;
    };
    std::vector<Case> cases;
    for (int i = 0; i < BITMAP_COUNT; i++) {
        cases.push_back({PICTURE_FILES[i], i % FIRST_BAD_HEADER});
    }
    for (int damage = MISSING; damage < DAMAGE_COUNT; damage++) {
        cases.push_back({damage < FIRST_BAD_HEADER ? "ariblk.ttf" : SHIP_PICTURE, damage});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " "s + DAMAGES[c.damage].name);
        Damage(c.path, c.damage);

        EXPECT_FALSE(StartUp());

        const std::string prefix = "No se pudo cargar "s + c.path + ": ";
        EXPECT_EQ(printed.rfind(prefix, 0), 0u) << printed;
        EXPECT_GT(printed.size(), prefix.size() + 1) << "SDL's reason is missing";
        EXPECT_EQ(printed.find('\n'), printed.size() - 1) << "one line expected";
        if (ReadsAsMissing(c.damage)) {
            EXPECT_EQ(printed, prefix + "Couldn't open " + c.path + "\n");
        }
        Restore(c.path);
    }
}

// 24 bits, the depth of the shipped art, is pinned by the sprite tests; SDL
// expands 1 and 4 bits to 8.
TEST_F(DataCopyTest, PictureOf8Or32BitsLoadsAtItsSizeWithPureRedTransparent) {
    for (const int depth : {PALETTE_DEPTH, RGBX_DEPTH}) {
        SCOPED_TRACE(depth);
        WriteFile(Data(SHIP_PICTURE), TestPictureBmp(depth));
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
}

// Sounds, music and level files: start-up stays silent, loading level 1
// warns once about each file named, and a game starts, fires and plays on.
// Each damage once for the audio (the missing folder takes both sounds and
// the music); a tile is loaded like a picture, which every damage was tried on
// above. What a damaged level file leaves in place is pinned by the level tests.
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
        LoadLevel(FIRST_LEVEL);
        warnings = testing::internal::GetCapturedStderr();

        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'),
                  static_cast<long>(c.warnedAbout.size()))
            << warnings;
        for (const std::string& path : c.warnedAbout) {
            EXPECT_NE(warnings.find(path), std::string::npos) << warnings;
        }
        PlayWithFireHeld();
        Restore(c.path);
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
static constexpr size_t SOUND_BYTES = 2048;

// A PCM WAV file of silence with the given header fields.
static std::string WavFile(Uint32 rate, int channels, int bits) {
    constexpr int WORD = 2;
    constexpr int PCM = 1;
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

// The edges of the safe range into the mono mixer, for the three chain lengths
// a WAV can need, and the extreme headers that crashed the converter. On the
// compatibility layer the mixer is stereo, and a stereo sound there takes the
// path a mono one takes into a mono mixer, and the other way round. A sound
// refused is silent, and WARNED about unless SDL's own WAV reader already
// turns it down (SDL2's reader refuses a rate of 0 or above 2^31 - 1 and no
// channels; SDL 1.2's does not). CLASSIC: loads on SDL 1.2, while SDL2's
// converter, under the compatibility layer, refuses such high rates by itself,
// silently.
TEST_F(DataCopyTest, SoundHeaderLoadsOnlyWhatTheMixerCanConvert) {
    enum Outcome { LOADS, CLASSIC, WARNED, REFUSED };
    // clang-format off
    const struct {
        Uint32 rate;
        int channels, bits;
        Outcome outcome;
    } cases[] = {
        {MIXER_RATE, MONO, 16, LOADS},
        {44, MONO, 16, LOADS},            {43, MONO, 16, WARNED},
        {11289599, MONO, 16, CLASSIC},    {11289600, MONO, 16, WARNED},
        {87, MONO, 8, LOADS},             {86, MONO, 8, WARNED},
        {5644799, MONO, 8, CLASSIC},      {5644800, MONO, 8, WARNED},
        {87, STEREO, 16, LOADS},          {86, STEREO, 16, WARNED},
        {173, STEREO, 8, LOADS},          {172, STEREO, 8, WARNED},
        {0, MONO, 16, REFUSED},           {40, MONO, 16, WARNED},
        {50000000, MONO, 16, WARNED},     {2000000000, MONO, 16, WARNED},
        {3000000000u, MONO, 16, REFUSED}, {MIXER_RATE, 0, 16, REFUSED}};
    // clang-format on
    const bool classic = !IsCompatLayer(*SDL_Linked_Version());
    const bool stereoMixer = MixerChannels(*SDL_Linked_Version()) == STEREO;
    for (const auto& c : cases) {
        const int channels =
            stereoMixer && c.channels != 0 ? MONO + STEREO - c.channels : c.channels;
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(channels) + " x " +
                     std::to_string(c.bits));
        WriteFile(Data(EXPLOSION_SOUND), WavFile(c.rate, channels, c.bits));

        ASSERT_TRUE(StartUp());

        EXPECT_EQ(printed, "");
        EXPECT_EQ(GameState.explosionSound != nullptr,
                  c.outcome == LOADS || (c.outcome == CLASSIC && classic));
        const long lines = std::count(warnings.begin(), warnings.end(), '\n');
        if (c.outcome == WARNED || lines > 0) {
            EXPECT_EQ(lines, 1) << warnings;
            EXPECT_EQ(warnings.rfind(EXPLOSION_SOUND, 0), 0u) << warnings;
        }
        EXPECT_TRUE(c.outcome >= WARNED || warnings.empty()) << warnings;
    }
}

// The mixer reads other kinds of sound too, with headers of their own (an AIFF
// file at 20 Hz overruns the converter as a WAV file would); only WAV headers
// are checked, so only WAV files are taken. Here 64 frames of 16-bit mono
// silence, the rate an 80-bit float.
TEST_F(DataCopyTest, OnlyWavSoundsAreTaken) {
    for (const std::string& rate : {"\x40\x03\xA0\0\0\0\0\0\0\0"s,       // 20 Hz
                                    "\x40\x0D\xAC\x44\0\0\0\0\0\0"s}) {  // 22050 Hz
        WriteFile(Data(EXPLOSION_SOUND),
                  "FORM\0\0\0\xAE"
                  "AIFFCOMM\0\0\0\x12\0\x01\0\0\0\x40\0\x10"s +
                      rate + "SSND\0\0\0\x88"s + std::string(136, '\0'));
        ASSERT_TRUE(StartUp());
        EXPECT_EQ(GameState.explosionSound, nullptr);
        EXPECT_EQ(printed + warnings, "");
    }
}

// The same rule for either mixer the game may open (one or two channels), and
// the converted size, which SDL computes in an int.
TEST(SoundCheckTest, FollowsTheConverterForAMonoOrStereoMixer) {
    constexpr Uint16 FLOAT_SAMPLES = 0x8120;
    // clang-format off
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
        // Three channels have no rate converter, but need none at a rate in the
        // mixer's hundred of Hz: SDL compares rates in whole hundreds.
        {{AUDIO_S16LSB, 3, 22000}, SOUND_BYTES, MONO, true},
        {{AUDIO_S16LSB, 3, 22099}, SOUND_BYTES, MONO, true},
        {{AUDIO_S16LSB, 3, 22100}, SOUND_BYTES, MONO, false},
        {{FLOAT_SAMPLES, MONO, MIXER_RATE}, SOUND_BYTES, MONO, false},
        {{AUDIO_S16LSB, MONO, MIXER_RATE}, INT_MAX / 2, MONO, true},
        {{AUDIO_S16LSB, MONO, MIXER_RATE}, INT_MAX / 2 + 1, MONO, false},
        {{AUDIO_S16LSB, MONO, MIXER_RATE}, INT_MAX / 4, STEREO, true},  // doubled to stereo
        {{AUDIO_S16LSB, MONO, MIXER_RATE}, INT_MAX / 4 + 1, STEREO, false},
        {{AUDIO_S16LSB, MONO, 44}, INT_MAX / 1004, MONO, true},
        {{AUDIO_S16LSB, MONO, 44}, INT_MAX / 1004 + 1, MONO, false}};
    // clang-format on
    for (const auto& c : cases) {
        const SoundFormat mixer = {AUDIO_S16MSB, c.mixerChannels, MIXER_RATE};
        EXPECT_EQ(IsConvertibleSound(c.sound, c.bytes, mixer), c.convertible)
            << c.sound.rate << " Hz, " << c.sound.channels << " channel(s) of format "
            << c.sound.format << ", " << c.bytes << " bytes, into " << c.mixerChannels;
    }
}
