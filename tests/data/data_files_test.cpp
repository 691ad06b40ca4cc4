// The shipped data: exactly what the generator makes, pictures in the sizes the
// game's geometry is built on with pure red as the only transparency, level maps
// that name only loaded tiles and loop without a jump, sounds that neither click
// nor clip, and a tune that every sound set plays.
#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
using Rgb = uint32_t;          // 0xRRGGBB
constexpr Rgb KEY = 0xFF0000;  // the game's only transparent colour

Bytes ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

std::string SourcePath(const std::string& relative) {
    return std::string(KORVANE_SOURCE_DIR) + "/" + relative;
}

Rgb PixelAt(const SDL_Surface* surface, int x, int y) {
    const int bytes = surface->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * bytes;
    Uint32 value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= Uint32(p[i]) << (SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * i : 8 * (bytes - 1 - i));
    }
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(value, surface->format, &r, &g, &b);
    return Rgb(r) << 16 | g << 8 | b;
}

struct Picture {
    int width = 0, height = 0, bitsPerPixel = 0;
    std::vector<Rgb> pixels;  // row by row
    Rgb At(int x, int y) const { return pixels[size_t(y * width + x)]; }
    long Count(Rgb colour) const { return std::count(pixels.begin(), pixels.end(), colour); }
};

// A BMP file as SDL reads it; no pixels when SDL cannot read it.
Picture LoadPicture(const std::string& path) {
    Picture picture;
    if (SDL_Surface* s = SDL_LoadBMP(path.c_str())) {
        picture = {s->w, s->h, s->format->BitsPerPixel, {}};
        for (int i = 0; i < s->w * s->h; ++i) {
            picture.pixels.push_back(PixelAt(s, i % s->w, i / s->w));
        }
        SDL_FreeSurface(s);
    }
    return picture;
}

std::set<std::string> FilesUnder(const fs::path& root) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files.insert(fs::relative(entry.path(), root).string());
        }
    }
    return files;
}

TEST(GeneratorTest, MakesEveryCommittedDataFileAndIconByteForByte) {
    std::string scratch = (fs::temp_directory_path() / "korvane-gen-XXXXXX").string();
    ASSERT_NE(mkdtemp(scratch.data()), nullptr);
    const std::string command =
        std::string(KORVANE_GEN) + " " + scratch + "/data " + scratch + "/packaging/icons";
    EXPECT_EQ(std::system(command.c_str()), 0);
    for (const char* folder : {"data/pics", "data/sounds", "data/levels", "packaging/icons"}) {
        const std::set<std::string> files = FilesUnder(SourcePath(folder));
        EXPECT_EQ(FilesUnder(fs::path(scratch) / folder), files) << folder;
        for (const std::string& file : files) {
            const std::string path = std::string(folder) + "/" + file;
            EXPECT_TRUE(ReadBytes(scratch + "/" + path) == ReadBytes(SourcePath(path)))
                << "regenerate " << path;
        }
    }
    EXPECT_TRUE(ReadBytes(scratch + "/data/ariblk.ttf") == ReadBytes(SourcePath("data/ariblk.ttf")))
        << "regenerate the font";
    fs::remove_all(scratch);
}

// The HUD's text is rendered on pure red, which is then keyed out: a pixel
// between the two colours would stay on screen as a reddish fringe. Sizes that
// are multiples of 10 points (the title's too) land the letters on whole pixels.
TEST(FontFile, RendersEveryPixelInTheTextOrTheBackgroundColour) {
    ASSERT_EQ(TTF_Init(), 0);
    constexpr Rgb TEXT = 0xC8C80A;
    for (int points : {20, 30, 100}) {
        SCOPED_TRACE(points);
        TTF_Font* font = TTF_OpenFont(SourcePath("data/ariblk.ttf").c_str(), points);
        ASSERT_NE(font, nullptr) << TTF_GetError();
        SDL_Surface* surface =
            TTF_RenderText_Shaded(font, "0123456789 Level", {0xC8, 0xC8, 0x0A, 0}, {0xFF, 0, 0, 0});
        ASSERT_NE(surface, nullptr) << TTF_GetError();
        std::map<Rgb, int> colours;
        for (int i = 0; i < surface->w * surface->h; ++i) {
            colours[PixelAt(surface, i % surface->w, i / surface->w)]++;
        }
        EXPECT_GT(colours[TEXT], 0);
        EXPECT_EQ(colours[TEXT] + colours[KEY], surface->w * surface->h) << "partial pixels";
        SDL_FreeSurface(surface);
        TTF_CloseFont(font);
    }
    TTF_Quit();
}

// The map is 10 tiles of 64 pixels across and 40 rows; row 0 is never drawn,
// and at the wrap the window jumps from rows 1..8 to rows 31..38.
constexpr int TILE_SIZE = 64;
constexpr int MAP_COLUMNS = 10;
constexpr int MAP_ROWS = 40;
constexpr int FIRST_DRAWN_ROW = 1;
constexpr int LOOP_LAST_ROW = 8;
constexpr int LOOP_LENGTH = 30;

// A shipped level: its map and the highest tile its description names.
struct Level {
    explicit Level(int number) : dir(SourcePath("data/levels/level" + std::to_string(number))) {
        map = ReadBytes(dir + "/map.map");
        std::ifstream(dir + "/level.dsc") >> firstWord;
        highest = std::atoi(firstWord.c_str());
    }
    Picture Tile(int t) const { return LoadPicture(dir + "/tile" + std::to_string(t) + ".bmp"); }
    Bytes::const_iterator Row(int row) const { return map.begin() + row * MAP_COLUMNS; }

    std::string dir;
    Bytes map;
    std::string firstWord;
    int highest = 0;
};
const int LEVELS[] = {1, 2};

TEST(LevelFiles, MapsNameOnlyLoadedOpaqueTilesShowEachAndLoopWithoutAJump) {
    for (int number : LEVELS) {
        SCOPED_TRACE(number);
        const Level level(number);
        EXPECT_EQ(std::to_string(level.highest), level.firstWord);
        EXPECT_GE(level.highest, 9);
        EXPECT_LE(level.highest, 19);
        for (int t = 0; t <= level.highest; ++t) {
            const Picture tile = level.Tile(t);
            EXPECT_EQ(tile.width, TILE_SIZE) << t;
            EXPECT_EQ(tile.height, TILE_SIZE) << t;
            EXPECT_EQ(tile.bitsPerPixel, 24) << t;
            // The screen is never cleared: a transparent pixel would show the last frame.
            EXPECT_EQ(tile.Count(KEY), 0) << t;
        }
        ASSERT_EQ(level.map.size(), size_t(MAP_COLUMNS * MAP_ROWS));
        EXPECT_LE(*std::max_element(level.map.begin(), level.map.end()), level.highest);
        const std::set<uint8_t> shown(level.Row(FIRST_DRAWN_ROW), level.map.end());
        EXPECT_EQ(shown.size(), size_t(level.highest + 1)) << "a tile is never drawn";
        for (int row = FIRST_DRAWN_ROW; row <= LOOP_LAST_ROW; ++row) {
            EXPECT_TRUE(
                std::equal(level.Row(row), level.Row(row + 1), level.Row(row + LOOP_LENGTH)))
                << "row " << row + LOOP_LENGTH << " differs from row " << row;
        }
    }
}

// Collisions use each picture's whole box, so the enemies must fill most of
// it and the shots must not read as thin lines; the ship, its shots and the
// enemy bullets must stand out against every dominant colour of both levels.
constexpr double ENEMY = 0.6;
constexpr double SHOT = 0.4;
constexpr struct {
    const char* name;
    int width, height;
    double minFill;
    bool standsOut;
} PICTURES[] = {
    {"pantalla", 640, 480, 1.0, false},  // the title: the only picture with no transparency
    {"minave", 20, 20, 0, true},        {"life", 16, 16, 0, false},
    {"balas", 20, 12, SHOT, true},      {"nave", 60, 40, ENEMY, false},
    {"nave2", 60, 40, ENEMY, false},    {"gordo", 120, 80, ENEMY, false},
    {"dispene", 8, 8, 0, true},         {"dispene2", 8, 8, 0, true},
    {"explode1", 60, 60, 0, false},     {"explode2", 60, 60, 0, false},
    {"explode3", 60, 60, 0, false},     {"explode4", 60, 60, 0, false},
    {"explode5", 60, 60, 0, false},     {"explode6", 60, 60, 0, false},
    {"explode7", 60, 60, 0, false},
};
// A colour this close to pure red would be a key pixel blended into the art,
// or art that reads as almost transparent.
constexpr Rgb NEAR_KEY = 64;
constexpr double MIN_CONTRAST = 3.0;
// A colour covering at least this share of a level's looping part is dominant.
constexpr double DOMINANT_SHARE = 0.05;

// Relative luminance of an sRGB colour, from 0 (black) to 1 (white).
double Luminance(Rgb p) {
    auto linear = [](Rgb c) {
        const double v = (c & 0xFF) / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(p >> 16) + 0.7152 * linear(p >> 8) + 0.0722 * linear(p);
}

// The dominant colours of the looping part of both maps, each tile counted as
// often as the map shows it.
std::vector<double> BackdropLuminances() {
    std::vector<double> backdrop;
    for (int number : LEVELS) {
        const Level level(number);
        std::map<Rgb, double> share;
        for (auto cell = level.Row(FIRST_DRAWN_ROW); cell != level.Row(LOOP_LENGTH + 1); ++cell) {
            for (Rgb p : level.Tile(*cell).pixels) {
                share[p] += 1.0 / (LOOP_LENGTH * MAP_COLUMNS * TILE_SIZE * TILE_SIZE);
            }
        }
        for (const auto& [colour, part] : share) {
            if (part >= DOMINANT_SHARE) {
                backdrop.push_back(Luminance(colour));
            }
        }
    }
    return backdrop;
}

bool NearKey(Rgb p) {
    return p != KEY && p >> 16 >= 0xFF - NEAR_KEY && (p >> 8 & 0xFF) <= NEAR_KEY &&
           (p & 0xFF) <= NEAR_KEY;
}

TEST(PictureFiles, HaveTheirSizeAndFillAreCutOutByPureRedAndTheShipAndShotsStandOut) {
    const std::vector<double> backdrop = BackdropLuminances();
    ASSERT_FALSE(backdrop.empty());
    for (const auto& shipped : PICTURES) {
        SCOPED_TRACE(shipped.name);
        const Picture picture = LoadPicture(SourcePath("data/pics/") + shipped.name + ".bmp");
        ASSERT_EQ(picture.width, shipped.width);
        ASSERT_EQ(picture.height, shipped.height);
        EXPECT_EQ(picture.bitsPerPixel, 24);
        EXPECT_EQ(std::count_if(picture.pixels.begin(), picture.pixels.end(), NearKey), 0);
        const long opaque = long(picture.pixels.size()) - picture.Count(KEY);
        EXPECT_GT(opaque, 0);
        EXPECT_GE(double(opaque) / picture.pixels.size(), shipped.minFill);
        const int right = shipped.width - 1;
        const int bottom = shipped.height - 1;
        for (Rgb corner : {picture.At(0, 0), picture.At(right, 0), picture.At(0, bottom),
                           picture.At(right, bottom)}) {
            EXPECT_TRUE(shipped.minFill == 1.0 || corner == KEY);
        }
        double luminance = 0.0;
        for (Rgb p : picture.pixels) {
            luminance += p == KEY ? 0.0 : Luminance(p) / opaque;
        }
        for (double colour : backdrop) {
            const double contrast =
                (std::max(luminance, colour) + 0.05) / (std::min(luminance, colour) + 0.05);
            EXPECT_TRUE(!shipped.standsOut || contrast >= MIN_CONTRAST) << contrast;
        }
    }
}

// The shot starts on every frame while fire is held, and the mixer starts all
// the sounds queued between two of its passes together, so shots stack in
// phase: the shot is short, so that stacks never overlap, and quiet.
constexpr int SAMPLE_RATE = 22050;
constexpr int EDGE_TOLERANCE = 32;  // a sound that starts or stops away from zero clicks
constexpr struct {
    const char* file;
    double minSeconds, maxSeconds, minPeakDbfs, maxPeakDbfs;
} SOUNDS[] = {{"disparo.wav", 0.03, 0.08, -30.0, -22.0}, {"explosion.wav", 0.5, 1.0, -8.0, -3.0}};
constexpr int SHOTS_IN_A_PASS = 7;        // a 4096-sample pass spans up to seven 30 ms frames
constexpr double STACK_PEAK_DBFS = -1.0;  // what the music is left
constexpr int STACK_WINDOW = SAMPLE_RATE / 10;
constexpr double MIN_EXPLOSION_RISE_DB = 10.0;

std::string SoundPath(const char* name) {
    return SourcePath(std::string("data/sounds/") + name);
}

// The samples of a WAV file, which must be 22,050 Hz mono 16-bit PCM.
std::vector<int> ReadWav(const char* name) {
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(SoundPath(name).c_str(), &spec, &buffer, &length) == nullptr) {
        ADD_FAILURE() << name << ": " << SDL_GetError();
        return {};
    }
    EXPECT_EQ(spec.freq, SAMPLE_RATE);
    EXPECT_EQ(spec.channels, 1);
    EXPECT_EQ(spec.format, AUDIO_S16LSB);
    const Sint16* pcm = reinterpret_cast<const Sint16*>(buffer);
    const std::vector<int> samples(pcm, pcm + length / sizeof(Sint16));
    SDL_FreeWAV(buffer);
    return samples;
}

double PeakDbfs(const std::vector<int>& samples) {
    int peak = 0;
    for (int sample : samples) {
        peak = std::max(peak, std::abs(sample));
    }
    return 20.0 * std::log10(peak / 32768.0);
}

// Stacked shots with an explosion starting on the same sample, as the mixer
// plays them, leave the music headroom, and the explosion stands well above
// the shots over its first 100 ms.
TEST(SoundFiles, HaveTheirLengthAndPeakQuietEndsAndAnExplosionRisesAboveStackedShots) {
    std::vector<int> samples[std::size(SOUNDS)];
    for (size_t s = 0; s < std::size(SOUNDS); ++s) {
        SCOPED_TRACE(SOUNDS[s].file);
        samples[s] = ReadWav(SOUNDS[s].file);
        ASSERT_FALSE(samples[s].empty());
        EXPECT_GE(samples[s].size(), SOUNDS[s].minSeconds * SAMPLE_RATE);
        EXPECT_LE(samples[s].size(), SOUNDS[s].maxSeconds * SAMPLE_RATE);
        EXPECT_GE(PeakDbfs(samples[s]), SOUNDS[s].minPeakDbfs);
        EXPECT_LE(PeakDbfs(samples[s]), SOUNDS[s].maxPeakDbfs);
        EXPECT_LE(std::abs(samples[s].front()), EDGE_TOLERANCE);
        EXPECT_LE(std::abs(samples[s].back()), EDGE_TOLERANCE);
    }
    const std::vector<int>& shot = samples[0];
    std::vector<int>& mixed = samples[1];
    ASSERT_LT(shot.size(), size_t(STACK_WINDOW));
    ASSERT_GE(mixed.size(), size_t(STACK_WINDOW));
    double shots = 0.0;
    double both = 0.0;
    for (size_t i = 0; i < size_t(STACK_WINDOW); ++i) {
        const int stacked = i < shot.size() ? SHOTS_IN_A_PASS * shot[i] : 0;
        mixed[i] += stacked;
        shots += std::pow(stacked, 2);
        both += std::pow(mixed[i], 2);
    }
    EXPECT_LE(PeakDbfs(mixed), STACK_PEAK_DBFS);
    EXPECT_GE(10.0 * std::log10(both / shots), MIN_EXPLOSION_RISE_DB);
}

// Outside Linux the tune is played with the free GUS patch set, which lacks many
// General MIDI programs and drum keys; the Linux sound font has them all.
const std::set<int> FREE_PATCH_PROGRAMS = {
    0,  1,  2,  4,  5,  6,  7,  8,  9,  13, 14,  15,  16,  19,  21,  23,  24,  25,
    26, 27, 28, 29, 30, 32, 33, 34, 35, 36, 37,  38,  40,  42,  44,  45,  46,  47,
    48, 53, 56, 57, 58, 59, 60, 61, 64, 65, 66,  67,  68,  69,  70,  71,  72,  73,
    74, 75, 76, 79, 80, 84, 88, 94, 95, 98, 101, 102, 104, 114, 115, 120, 122, 125};
bool FreePatchDrum(int key) {
    return (key >= 25 && key <= 27) || (key >= 31 && key <= 82) || key == 84;
}
constexpr double MIN_TUNE_SECONDS = 60.0;
constexpr int DRUM_CHANNEL = 9;  // the tenth, counting from 1
enum : uint8_t { END_OF_TRACK = 0x2F, TEMPO = 0x51, TIME_SIGNATURE = 0x58, META = 0xFF };
enum : int { NOTE_OFF = 0x80, NOTE_ON = 0x90, PROGRAM_CHANGE = 0xC0, CHANNEL_PRESSURE = 0xD0 };

std::string Tag(const Bytes& b, size_t at) {
    return std::string(b.begin() + at, b.begin() + at + 4);
}

// The size-byte big-endian number at b[at].
uint32_t Number(const Bytes& b, size_t at, int size) {
    uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | b.at(at + size_t(i));
    }
    return value;
}

uint32_t VariableLength(const Bytes& b, size_t& at) {
    uint32_t value = 0;
    do {
        value = (value << 7) | (b.at(at) & 0x7F);
    } while (b.at(at++) & 0x80);
    return value;
}

// A file in ticks per quarter, each track closed by End of Track on a bar line
// so that the player's loop keeps time, and no note left on to hang across it.
TEST(TuneFile, IsAMinuteLongLoopWithDrumsOnChannelTenAndOtherPartsBothSoundSetsPlay) {
    const Bytes b = ReadBytes(SoundPath("zelmorta.mid"));
    ASSERT_GT(b.size(), 14u);
    ASSERT_EQ(Tag(b, 0), "MThd");
    const uint32_t division = Number(b, 12, 2);
    ASSERT_TRUE(division > 0 && division < 0x8000) << "ticks per quarter, not SMPTE";
    uint32_t bar = division * 4;
    uint32_t microsPerQuarter = 0;
    uint32_t lastTick = 0;
    std::set<int> channels;
    std::map<std::pair<int, int>, int> sounding;  // notes on, by channel and key
    size_t at = 8 + Number(b, 4, 4);
    for (uint32_t tracksLeft = Number(b, 10, 2); tracksLeft > 0; --tracksLeft) {
        ASSERT_EQ(Tag(b, at), "MTrk");
        const size_t end = at + 8 + Number(b, at + 4, 4);
        uint32_t tick = 0;
        uint8_t status = 0;
        uint8_t metaType = 0;
        for (at += 8; at < end;) {
            tick += VariableLength(b, at);
            status = (b.at(at) & 0x80) ? b.at(at++) : status;
            const uint8_t data1 = b.at(at++);
            metaType = status == META ? data1 : 0;
            if (status == META) {
                const size_t length = VariableLength(b, at);
                if (metaType == TEMPO) {
                    microsPerQuarter = Number(b, at, 3);
                } else if (metaType == TIME_SIGNATURE) {
                    bar = division * 4 * b.at(at) >> b.at(at + 1);
                }
                at += length;
                continue;
            }
            const int kind = status & 0xF0;
            const uint8_t velocity =
                kind == PROGRAM_CHANGE || kind == CHANNEL_PRESSURE ? 0 : b.at(at++);
            const std::pair<int, int> note(status & 0x0F, data1);
            EXPECT_TRUE(kind != PROGRAM_CHANGE || FREE_PATCH_PROGRAMS.count(data1)) << int(data1);
            if (kind == NOTE_ON && velocity > 0) {
                EXPECT_TRUE(note.first != DRUM_CHANNEL || FreePatchDrum(data1)) << int(data1);
                channels.insert(note.first);
                sounding[note]++;
            } else if (kind == NOTE_OFF || kind == NOTE_ON) {
                EXPECT_GT(sounding[note]--, 0) << "release without a note at tick " << tick;
            }
        }
        ASSERT_EQ(at, end) << "a track overruns its chunk";
        EXPECT_EQ(metaType, END_OF_TRACK);
        EXPECT_EQ(tick % bar, 0u) << "a track ends off a bar line";
        lastTick = std::max(lastTick, tick);
    }
    EXPECT_GE(double(lastTick) * microsPerQuarter / 1e6 / division, MIN_TUNE_SECONDS);
    EXPECT_EQ(channels.count(DRUM_CHANNEL), 1u);
    EXPECT_GE(channels.size(), 3u);
    for (const auto& [note, count] : sounding) {
        EXPECT_EQ(count, 0) << "channel " << note.first << " key " << note.second << " left on";
    }
}

}  // namespace
