// The shipped data: exactly what the generator makes, pictures in the sizes the
// game's geometry is built on with pure red as the only transparency, level maps
// that name only loaded tiles and loop without a jump, and well-formed sounds.
#include <SDL.h>
#include <SDL_mixer.h>
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
#include <string_view>
#include <utility>
#include <vector>

#include "shell/shell.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

struct Pixel {
    uint8_t r;
    uint8_t g;
    uint8_t b;
    bool operator==(Pixel o) const { return r == o.r && g == o.g && b == o.b; }
};

// The game's only transparent colour.
constexpr Pixel KEY{255, 0, 0};

// A BMP file as SDL reads it: its size, its depth and its pixels, row by row.
struct Picture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<Pixel> pixels;

    Pixel At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

// Loads a BMP with SDL. Returns false when SDL cannot read it.
bool LoadPicture(const std::string& path, Picture& picture) {
    SDL_Surface* surface = SDL_LoadBMP(path.c_str());
    if (surface == nullptr) {
        return false;
    }
    const int bytes = surface->format->BytesPerPixel;
    picture = Picture{surface->w, surface->h, surface->format->BitsPerPixel, {}};
    for (int y = 0; y < surface->h; ++y) {
        const Uint8* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
        for (int x = 0; x < surface->w; ++x) {
            Uint32 value = 0;
            for (int i = 0; i < bytes; ++i) {
                const int shift = SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * i : 8 * (bytes - 1 - i);
                value |= static_cast<Uint32>(row[x * bytes + i]) << shift;
            }
            Pixel pixel{};
            SDL_GetRGB(value, surface->format, &pixel.r, &pixel.g, &pixel.b);
            picture.pixels.push_back(pixel);
        }
    }
    SDL_FreeSurface(surface);
    return true;
}

// The whole content of a file; empty when it cannot be read.
Bytes ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

// A path inside the source tree.
std::string SourcePath(const std::string& relative) {
    return std::string(KORVANE_SOURCE_DIR) + "/" + relative;
}

// Paths of every file under root, relative to root.
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
    std::string scratchName = (fs::temp_directory_path() / "korvane-gen-XXXXXX").string();
    ASSERT_NE(mkdtemp(scratchName.data()), nullptr);
    const fs::path scratch = scratchName;
    const std::string command = std::string(KORVANE_GEN) + " " + (scratch / "data").string() + " " +
                                (scratch / "packaging/icons").string();
    EXPECT_EQ(std::system(command.c_str()), 0);
    for (const char* folder : {"data/pics", "data/sounds", "data/levels", "packaging/icons"}) {
        const fs::path made = scratch / folder;
        const fs::path committed = SourcePath(folder);
        const std::set<std::string> files = FilesUnder(committed);
        EXPECT_EQ(FilesUnder(made), files) << made;
        for (const std::string& file : files) {
            EXPECT_TRUE(ReadBytes(made / file) == ReadBytes(committed / file))
                << "regenerate " << (committed / file);
        }
    }
    EXPECT_TRUE(ReadBytes(scratch / "data/ariblk.ttf") == ReadBytes(SourcePath("data/ariblk.ttf")))
        << "regenerate the font";
    fs::remove_all(scratch);
}

// The HUD's text is rendered on pure red, which is then keyed out: a pixel
// between the two colours would stay on screen as a reddish fringe. Sizes that
// are multiples of 10 points (the title's too) land the letters on whole pixels.
TEST(FontFile, RendersEveryPixelInTheTextOrTheBackgroundColour) {
    ASSERT_EQ(TTF_Init(), 0);
    const SDL_Color text{200, 200, 10, 0};
    const SDL_Color key{KEY.r, KEY.g, KEY.b, 0};
    for (int points : {20, 30, 100}) {
        SCOPED_TRACE(points);
        TTF_Font* font = TTF_OpenFont(SourcePath("data/ariblk.ttf").c_str(), points);
        ASSERT_NE(font, nullptr) << TTF_GetError();
        SDL_Surface* surface = TTF_RenderText_Shaded(font, "0123456789 Level", text, key);
        ASSERT_NE(surface, nullptr) << TTF_GetError();
        ASSERT_EQ(surface->format->BitsPerPixel, 8);
        int textPixels = 0;
        int keyPixels = 0;
        for (int y = 0; y < surface->h; ++y) {
            const Uint8* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
            for (int x = 0; x < surface->w; ++x) {
                const SDL_Color c = surface->format->palette->colors[row[x]];
                const Pixel p{c.r, c.g, c.b};
                textPixels += p == Pixel{text.r, text.g, text.b};
                keyPixels += p == KEY;
            }
        }
        EXPECT_GT(textPixels, 0);
        EXPECT_EQ(textPixels + keyPixels, surface->w * surface->h) << "partial pixels";
        SDL_FreeSurface(surface);
        TTF_CloseFont(font);
    }
    TTF_Quit();
}

struct ShippedPicture {
    const char* name;
    int width;
    int height;
};

constexpr ShippedPicture PICTURES[] = {
    {"pantalla", 640, 480}, {"minave", 20, 20},   {"life", 16, 16},     {"balas", 20, 12},
    {"nave", 60, 40},       {"nave2", 60, 40},    {"gordo", 120, 80},   {"dispene", 8, 8},
    {"dispene2", 8, 8},     {"explode1", 60, 60}, {"explode2", 60, 60}, {"explode3", 60, 60},
    {"explode4", 60, 60},   {"explode5", 60, 60}, {"explode6", 60, 60}, {"explode7", 60, 60},
};
// A colour this close to pure red would be a key pixel blended into the art,
// or art that reads as almost transparent.
constexpr int NEAR_KEY = 64;
// The only picture with no transparency.
constexpr std::string_view TITLE = "pantalla";

bool NearKey(Pixel p) {
    return !(p == KEY) && p.r >= KEY.r - NEAR_KEY && p.g <= NEAR_KEY && p.b <= NEAR_KEY;
}

TEST(PictureFilesTest, EachHasItsSizeIn24BitsAndOnlySpritesAreCutOutByPureRed) {
    for (const ShippedPicture& shipped : PICTURES) {
        SCOPED_TRACE(shipped.name);
        Picture picture;
        ASSERT_TRUE(LoadPicture(SourcePath("data/pics/") + shipped.name + ".bmp", picture));
        ASSERT_EQ(picture.width, shipped.width);
        ASSERT_EQ(picture.height, shipped.height);
        EXPECT_EQ(picture.bitsPerPixel, 24);
        EXPECT_EQ(std::count_if(picture.pixels.begin(), picture.pixels.end(), NearKey), 0);
        const auto keyed = std::count(picture.pixels.begin(), picture.pixels.end(), KEY);
        if (shipped.name == TITLE) {
            EXPECT_EQ(keyed, 0);
            continue;
        }
        EXPECT_LT(keyed, shipped.width * shipped.height);
        const int right = shipped.width - 1;
        const int bottom = shipped.height - 1;
        for (Pixel corner : {picture.At(0, 0), picture.At(right, 0), picture.At(0, bottom),
                             picture.At(right, bottom)}) {
            EXPECT_TRUE(corner == KEY);
        }
    }
}

constexpr int TILE_SIZE = 64;
constexpr int MAP_COLUMNS = 10;
constexpr int MAP_ROWS = 40;
constexpr size_t MAP_BYTES = MAP_COLUMNS * MAP_ROWS;
// Row 0 is never drawn; at the wrap the window jumps from rows 1..8 to rows 31..38.
constexpr int FIRST_DRAWN_ROW = 1;
constexpr int LOOP_LAST_ROW = 8;
constexpr int LOOP_LENGTH = 30;
constexpr int MIN_HIGHEST_TILE = 9;
constexpr int MAX_HIGHEST_TILE = 19;
constexpr size_t MIN_DISTINCT_ROWS = 10;  // fewer is a short stripe pattern

class LevelFilesTest : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        dir = SourcePath("data/levels/level" + std::to_string(GetParam()));
        map = ReadBytes(dir + "/map.map");
        std::ifstream description(dir + "/level.dsc");
        std::getline(description, firstLine);
        highest = std::atoi(firstLine.c_str());
    }

    std::string dir;
    Bytes map;
    std::string firstLine;
    int highest = 0;
};

TEST_P(LevelFilesTest, DescriptionNamesItsTilesWhichAreOpaque24BitSquares) {
    ASSERT_FALSE(firstLine.empty());
    EXPECT_TRUE(std::all_of(firstLine.begin(), firstLine.end(), ::isdigit)) << firstLine;
    EXPECT_GE(highest, MIN_HIGHEST_TILE);
    EXPECT_LE(highest, MAX_HIGHEST_TILE);
    for (int t = 0; t <= highest; ++t) {
        const std::string name = "tile" + std::to_string(t) + ".bmp";
        Picture tile;
        ASSERT_TRUE(LoadPicture(dir + "/" + name, tile)) << name;
        EXPECT_EQ(tile.width, TILE_SIZE) << name;
        EXPECT_EQ(tile.height, TILE_SIZE) << name;
        EXPECT_EQ(tile.bitsPerPixel, 24) << name;
        // The screen is never cleared, so a transparent pixel would show the last frame.
        EXPECT_EQ(std::count(tile.pixels.begin(), tile.pixels.end(), KEY), 0) << name;
    }
}

TEST_P(LevelFilesTest, MapNamesLoadedTilesShowsEachOfThemAndLoopsWithoutAJump) {
    ASSERT_EQ(map.size(), MAP_BYTES);
    EXPECT_LE(*std::max_element(map.begin(), map.end()), highest);
    std::set<uint8_t> shown;
    std::set<Bytes> rows;
    for (int row = FIRST_DRAWN_ROW; row < MAP_ROWS; ++row) {
        const auto start = map.begin() + row * MAP_COLUMNS;
        shown.insert(start, start + MAP_COLUMNS);
        if (row <= LOOP_LENGTH) {
            rows.emplace(start, start + MAP_COLUMNS);
        }
        if (row <= LOOP_LAST_ROW) {
            EXPECT_TRUE(std::equal(start, start + MAP_COLUMNS, start + LOOP_LENGTH * MAP_COLUMNS))
                << "row " << row + LOOP_LENGTH << " differs from row " << row;
        }
    }
    EXPECT_EQ(shown.size(), static_cast<size_t>(highest + 1)) << "a tile is never drawn";
    EXPECT_GE(rows.size(), MIN_DISTINCT_ROWS);
}

INSTANTIATE_TEST_SUITE_P(ShippedLevels, LevelFilesTest, ::testing::Values(1, 2));

// Relative luminance of an sRGB colour, from 0 (black) to 1 (white).
double Luminance(Pixel p) {
    auto linear = [](uint8_t c) {
        const double v = c / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(p.r) + 0.7152 * linear(p.g) + 0.0722 * linear(p.b);
}

double Contrast(double a, double b) {
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// A colour that covers at least this share of a level's background is one of
// its dominant colours.
constexpr double DOMINANT_SHARE = 0.05;

// The dominant colours of the part of a level's map that keeps repeating,
// each tile counted as often as the map shows it.
std::vector<Pixel> DominantColours(int level) {
    const std::string dir = SourcePath("data/levels/level" + std::to_string(level));
    const Bytes map = ReadBytes(dir + "/map.map");
    std::map<uint32_t, double> share;
    const double cellShare = 1.0 / (LOOP_LENGTH * MAP_COLUMNS * TILE_SIZE * TILE_SIZE);
    for (int cell = FIRST_DRAWN_ROW * MAP_COLUMNS;
         cell < (FIRST_DRAWN_ROW + LOOP_LENGTH) * MAP_COLUMNS; ++cell) {
        Picture tile;
        EXPECT_TRUE(LoadPicture(dir + "/tile" + std::to_string(map.at(cell)) + ".bmp", tile));
        for (Pixel p : tile.pixels) {
            share[uint32_t(p.r) << 16 | p.g << 8 | p.b] += cellShare;
        }
    }
    std::vector<Pixel> dominant;
    for (const auto& [rgb, part] : share) {
        if (part >= DOMINANT_SHARE) {
            dominant.push_back(Pixel{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)});
        }
    }
    return dominant;
}

// Collisions use each picture's whole box, so the enemies must fill most of it
// and the shots must not read as thin lines; the ship, its shots and the enemy
// bullets must read against every dominant colour of both levels (their mean
// luminance against the colour's). The figures are recorded as test properties.
constexpr double MIN_CONTRAST = 3.0;
constexpr double MIN_ENEMY_FILL = 0.6;
constexpr double MIN_SHOT_FILL = 0.4;
constexpr struct {
    const char* name;
    double minFill;
    bool mustContrast;
} SPRITES[] = {{"minave", 0.0, true},           {"balas", MIN_SHOT_FILL, true},
               {"dispene", 0.0, true},          {"dispene2", 0.0, true},
               {"nave", MIN_ENEMY_FILL, false}, {"nave2", MIN_ENEMY_FILL, false},
               {"gordo", MIN_ENEMY_FILL, false}};

TEST(SpriteFiles, EnemiesFillTheirBoxesAndTheShipShotsAndBulletsStandOutOnBothLevels) {
    std::vector<Pixel> backdrop = DominantColours(1);
    const std::vector<Pixel> station = DominantColours(2);
    ASSERT_FALSE(backdrop.empty());
    ASSERT_FALSE(station.empty());
    backdrop.insert(backdrop.end(), station.begin(), station.end());
    for (const auto& sprite : SPRITES) {
        SCOPED_TRACE(sprite.name);
        Picture picture;
        ASSERT_TRUE(LoadPicture(SourcePath("data/pics/") + sprite.name + ".bmp", picture));
        double luminance = 0.0;
        int opaque = 0;
        for (Pixel p : picture.pixels) {
            if (!(p == KEY)) {
                luminance += Luminance(p);
                ++opaque;
            }
        }
        luminance /= std::max(opaque, 1);
        const double fill = static_cast<double>(opaque) / picture.pixels.size();
        EXPECT_GE(fill, sprite.minFill);
        ::testing::Test::RecordProperty(std::string(sprite.name) + "_fill", std::to_string(fill));
        double weakest = 1e9;
        for (Pixel colour : backdrop) {
            weakest = std::min(weakest, Contrast(luminance, Luminance(colour)));
        }
        ::testing::Test::RecordProperty(std::string(sprite.name) + "_contrast",
                                        std::to_string(weakest));
        if (sprite.mustContrast) {
            EXPECT_GE(weakest, MIN_CONTRAST);
        }
    }
}

// Sounds and the tune: well-formed, never clipping, click-free, loopable and
// decodable by SDL_mixer.
constexpr uint32_t SAMPLE_RATE = 22050;
constexpr double FULL_SCALE = 32768.0;
constexpr int EDGE_TOLERANCE = 32;
constexpr double MIN_TUNE_SECONDS = 60.0;
constexpr int DRUM_CHANNEL = 9;  // the tenth, counting from 1
constexpr uint8_t META = 0xFF;
constexpr uint8_t END_OF_TRACK = 0x2F;
constexpr uint8_t TEMPO = 0x51;
constexpr uint8_t TIME_SIGNATURE = 0x58;
constexpr int NOTE_OFF = 0x80;
constexpr int NOTE_ON = 0x90;
constexpr int PROGRAM_CHANGE = 0xC0;
constexpr int CHANNEL_PRESSURE = 0xD0;

// The shot is started on every frame while fire is held and the mixer starts all
// the sounds queued between two of its passes together, so shots always stack in
// phase: the shot is short, so that stacks never overlap, and quiet.
constexpr struct {
    const char* file;
    double minSeconds;
    double maxSeconds;
    double minPeakDbfs;
    double maxPeakDbfs;
} SOUNDS[] = {{"disparo.wav", 0.03, 0.08, -30.0, -22.0}, {"explosion.wav", 0.5, 1.0, -8.0, -3.0}};
constexpr size_t SHOT = 0;
constexpr size_t EXPLOSION = 1;
constexpr int SHOTS_IN_A_PASS = 7;        // a 4096-sample pass spans up to seven 30 ms frames
constexpr double STACK_PEAK_DBFS = -1.0;  // what the music is left
constexpr double STACK_WINDOW_SECONDS = 0.1;
constexpr double MIN_EXPLOSION_RISE_DB = 10.0;

std::string SoundPath(const char* name) {
    return SourcePath(std::string("data/sounds/") + name);
}

// The size-byte unsigned number at b[at], least significant byte first unless bigEndian.
uint32_t Number(const Bytes& b, size_t at, int size, bool bigEndian = false) {
    uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | b.at(at + static_cast<size_t>(bigEndian ? i : size - 1 - i));
    }
    return value;
}

std::string Tag(const Bytes& b, size_t at) {
    return std::string(b.begin() + at, b.begin() + at + 4);
}

// The samples of a WAV file, checking that it is 22,050 Hz mono 16-bit PCM. Walks
// the RIFF chunks rather than assuming the canonical 44-byte layout.
std::vector<int> ReadWav(const char* name) {
    const Bytes b = ReadBytes(SoundPath(name));
    std::vector<int> samples;
    EXPECT_GT(b.size(), 12u);
    if (b.size() <= 12) {
        return samples;
    }
    EXPECT_EQ(Tag(b, 0) + Tag(b, 8), "RIFFWAVE");
    EXPECT_EQ(Number(b, 4, 4), b.size() - 8);
    for (size_t at = 12; at + 8 <= b.size(); at += 8 + ((Number(b, at + 4, 4) + 1) & ~1u)) {
        if (Tag(b, at) == "fmt ") {
            EXPECT_EQ(Number(b, at + 8, 2), 1u);   // PCM
            EXPECT_EQ(Number(b, at + 10, 2), 1u);  // mono
            EXPECT_EQ(Number(b, at + 12, 4), SAMPLE_RATE);
            EXPECT_EQ(Number(b, at + 22, 2), 16u);  // bits a sample
        } else if (Tag(b, at) == "data") {
            for (uint32_t i = 0; i + 1 < Number(b, at + 4, 4); i += 2) {
                samples.push_back(static_cast<int16_t>(Number(b, at + 8 + i, 2)));
            }
        }
    }
    return samples;
}

double Dbfs(double level) {
    return 20.0 * std::log10(level / FULL_SCALE);
}

TEST(SoundFiles, AreMonoSixteenBitPcmOfTheirLengthAndPeakWithQuietEnds) {
    for (const auto& sound : SOUNDS) {
        SCOPED_TRACE(sound.file);
        const std::vector<int> samples = ReadWav(sound.file);
        ASSERT_FALSE(samples.empty());
        const double seconds = static_cast<double>(samples.size()) / SAMPLE_RATE;
        EXPECT_GE(seconds, sound.minSeconds);
        EXPECT_LE(seconds, sound.maxSeconds);
        int peak = 0;
        for (int sample : samples) {
            peak = std::max(peak, std::abs(sample));
        }
        EXPECT_GE(Dbfs(peak), sound.minPeakDbfs);
        EXPECT_LE(Dbfs(peak), sound.maxPeakDbfs);
        // Starting or stopping away from zero clicks.
        EXPECT_LE(std::abs(samples.front()), EDGE_TOLERANCE);
        EXPECT_LE(std::abs(samples.back()), EDGE_TOLERANCE);
    }
}

// A pass of stacked shots with an explosion starting on the same sample, as the
// mixer plays them: it leaves the music headroom, and the explosion stands well
// above the shots over its first 100 ms.
TEST(SoundFiles, AnExplosionRisesAboveAPassOfStackedShotsWithoutClipping) {
    const std::vector<int> shot = ReadWav(SOUNDS[SHOT].file);
    const std::vector<int> boom = ReadWav(SOUNDS[EXPLOSION].file);
    ASSERT_FALSE(shot.empty());
    ASSERT_GT(boom.size(), shot.size());
    const size_t window = static_cast<size_t>(SAMPLE_RATE * STACK_WINDOW_SECONDS);
    double shots2 = 0.0;
    double mixed2 = 0.0;
    int peak = 0;
    for (size_t i = 0; i < boom.size(); ++i) {
        const int stacked = i < shot.size() ? SHOTS_IN_A_PASS * shot[i] : 0;
        peak = std::max(peak, std::abs(stacked + boom[i]));
        if (i < window) {
            shots2 += static_cast<double>(stacked) * stacked;
            mixed2 += static_cast<double>(stacked + boom[i]) * (stacked + boom[i]);
        }
    }
    EXPECT_LE(Dbfs(peak), STACK_PEAK_DBFS);
    EXPECT_GE(10.0 * std::log10(mixed2 / shots2), MIN_EXPLOSION_RISE_DB);
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

uint32_t VariableLength(const Bytes& b, size_t& at) {
    uint32_t value = 0;
    uint8_t byte = 0;
    do {
        byte = b.at(at++);
        value = (value << 7) | (byte & 0x7F);
    } while (byte & 0x80);
    return value;
}

// A type 0 or 1 file in ticks per quarter at one tempo, each track closed by End
// of Track on a bar line, so that the player's loop keeps time, and no note left
// on to hang across the loop.
TEST(TuneFile, IsAMinuteLongLoopWithDrumsOnChannelTenAndOtherPartsBothSoundSetsPlay) {
    const Bytes b = ReadBytes(SoundPath("zelmorta.mid"));
    ASSERT_GT(b.size(), 14u);
    ASSERT_EQ(Tag(b, 0), "MThd");
    ASSERT_EQ(Number(b, 4, 4, true), 6u);
    EXPECT_LE(Number(b, 8, 2, true), 1u);
    const uint32_t division = Number(b, 12, 2, true);
    ASSERT_GT(division, 0u);
    ASSERT_EQ(division & 0x8000, 0u) << "expected ticks per quarter, not SMPTE";
    uint32_t bar = division * 4;
    uint32_t microsPerQuarter = 0;
    uint32_t lastTick = 0;
    std::set<int> channels;
    std::map<std::pair<int, int>, int> sounding;  // notes on, by channel and key
    size_t at = 14;
    for (uint32_t tracksLeft = Number(b, 10, 2, true); tracksLeft > 0; --tracksLeft) {
        ASSERT_EQ(Tag(b, at), "MTrk");
        const size_t end = at + 8 + Number(b, at + 4, 4, true);
        at += 8;
        uint32_t tick = 0;
        uint8_t status = 0;
        uint8_t metaType = 0;
        while (at < end) {
            tick += VariableLength(b, at);
            status = (b.at(at) & 0x80) ? b.at(at++) : status;
            const uint8_t data1 = b.at(at++);
            metaType = status == META ? data1 : 0;
            if (status == META) {
                const size_t length = VariableLength(b, at);
                if (metaType == TEMPO) {
                    EXPECT_EQ(microsPerQuarter, 0u) << "a second tempo at tick " << tick;
                    microsPerQuarter = Number(b, at, 3, true);
                } else if (metaType == TIME_SIGNATURE) {
                    bar = division * 4 * b.at(at) >> b.at(at + 1);
                }
                at += length;
                continue;
            }
            const int kind = status & 0xF0;
            const bool oneDataByte = kind == PROGRAM_CHANGE || kind == CHANNEL_PRESSURE;
            const uint8_t velocity = oneDataByte ? 0 : b.at(at++);
            const auto note = std::make_pair(status & 0x0F, static_cast<int>(data1));
            if (kind == PROGRAM_CHANGE) {
                EXPECT_EQ(FREE_PATCH_PROGRAMS.count(data1), 1u) << "program " << int(data1);
            }
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
    EXPECT_EQ(at, b.size());
    EXPECT_GT(microsPerQuarter, 0u) << "no tempo";
    EXPECT_GE(static_cast<double>(lastTick) * microsPerQuarter / 1e6 / division, MIN_TUNE_SECONDS);
    EXPECT_EQ(channels.count(DRUM_CHANNEL), 1u);
    EXPECT_GE(channels.size(), 3u);
    for (const auto& [note, count] : sounding) {
        EXPECT_EQ(count, 0) << "channel " << note.first << " key " << note.second << " left on";
    }
}

// Opened in the test body: a failed open in a suite set-up would be reported as skipped.
TEST(MixerDecode, LoadsBothEffectsAndTheTune) {
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(OpenMixer(), 0) << Mix_GetError();
    for (const auto& sound : SOUNDS) {
        Mix_Chunk* chunk = Mix_LoadWAV(SoundPath(sound.file).c_str());
        EXPECT_NE(chunk, nullptr) << sound.file << ": " << Mix_GetError();
        Mix_FreeChunk(chunk);
    }
    Mix_Music* music = Mix_LoadMUS(SoundPath("zelmorta.mid").c_str());
    EXPECT_NE(music, nullptr) << Mix_GetError();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
}

}  // namespace
