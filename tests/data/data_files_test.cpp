// The shipped data: exactly what the generator makes, pictures in the sizes the
// game's geometry is built on with pure red as the only transparency, level maps
// that name only loaded tiles and loop without a jump, and sounds that neither
// click nor clip.
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "world_fixture.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
constexpr Uint32 KEY = 0xFF0000;  // the game's only transparent colour

Bytes ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

std::string SourcePath(const std::string& relative) {
    return std::string(KORVANE_SOURCE_DIR) + "/" + relative;
}

struct Picture {
    int width = 0, height = 0, bitsPerPixel = 0;
    std::vector<Uint32> pixels;
    Uint32 At(int x, int y) const { return pixels[size_t(y * width + x)]; }
    long Count(Uint32 colour) const { return std::count(pixels.begin(), pixels.end(), colour); }
};

Picture ReadPicture(SDL_Surface* s) {
    Picture picture{s->w, s->h, s->format->BitsPerPixel, {}};
    for (int i = 0; i < s->w * s->h; ++i) {
        picture.pixels.push_back(PixelAt(s, i % s->w, i / s->w));
    }
    return picture;
}

// A BMP file as SDL reads it; no pixels when SDL cannot read it.
Picture LoadPicture(const std::string& path) {
    SDL_Surface* s = SDL_LoadBMP(path.c_str());
    const Picture picture = s ? ReadPicture(s) : Picture{};
    SDL_FreeSurface(s);
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
    const ScratchDir made;
    const std::string command = std::string(KORVANE_GEN) + " " + (made.path / "data").string() +
                                " " + (made.path / "packaging/icons").string();
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::set<std::string> paths = {"data/ariblk.ttf"};
    for (const char* folder : {"data/pics", "data/sounds", "data/levels", "packaging/icons"}) {
        const std::set<std::string> files = FilesUnder(SourcePath(folder));
        EXPECT_EQ(FilesUnder(made.path / folder), files) << folder;
        for (const std::string& file : files) {
            paths.insert(std::string(folder) + "/" + file);
        }
    }
    for (const std::string& path : paths) {
        EXPECT_TRUE(ReadBytes(made.path / path) == ReadBytes(SourcePath(path)))
            << "regenerate " << path;
    }
}

// The HUD's text is rendered on pure red, which is then keyed out: a pixel
// between the two colours would stay on screen as a reddish fringe. Sizes that
// are multiples of 10 points (the title's too) land the letters on whole pixels.
TEST(FontFile, RendersEveryPixelInTheTextOrTheBackgroundColour) {
    ASSERT_EQ(TTF_Init(), 0);
    constexpr Uint32 TEXT = 0xC8C80A;
    for (int points : {20, 30, 100}) {
        SCOPED_TRACE(points);
        TTF_Font* font = TTF_OpenFont(SourcePath("data/ariblk.ttf").c_str(), points);
        ASSERT_NE(font, nullptr) << TTF_GetError();
        SDL_Surface* surface =
            TTF_RenderText_Shaded(font, "0123456789 Level", {0xC8, 0xC8, 0x0A, 0}, {0xFF, 0, 0, 0});
        ASSERT_NE(surface, nullptr) << TTF_GetError();
        const Picture text = ReadPicture(surface);
        EXPECT_GT(text.Count(TEXT), 0);
        EXPECT_EQ(text.Count(TEXT) + text.Count(KEY), long(text.pixels.size())) << "partial pixels";
        SDL_FreeSurface(surface);
        TTF_CloseFont(font);
    }
    TTF_Quit();
}

// Row 0 of a map is never drawn; at the wrap the window jumps from rows 1..8 to 31..38.
constexpr int FIRST_DRAWN_ROW = 1;
constexpr int LOOP_LAST_ROW = 8;
constexpr int LOOP_LENGTH = 30;

// A shipped level: its map and the highest tile its description names.
struct Level {
    explicit Level(int number) : dir(SourcePath("data/levels/level" + std::to_string(number))) {
        map = ReadBytes(dir + "/map.map");
        std::ifstream(dir + "/level.dsc") >> highest;
    }
    Picture Tile(int t) const { return LoadPicture(dir + "/tile" + std::to_string(t) + ".bmp"); }
    Bytes::const_iterator Row(int row) const { return map.begin() + row * MAP_COLUMNS; }

    std::string dir;
    Bytes map;
    int highest = -1;
};
const int LEVELS[] = {1, 2};

TEST(LevelFiles, MapsNameOnlyLoadedOpaqueTilesShowEachAndLoopWithoutAJump) {
    for (int number : LEVELS) {
        SCOPED_TRACE(number);
        const Level level(number);
        EXPECT_GE(level.highest, 9);
        EXPECT_LE(level.highest, 19);
        for (int t = 0; t <= level.highest; ++t) {
            const Picture tile = level.Tile(t);
            EXPECT_EQ(tile.width, 64) << t;
            EXPECT_EQ(tile.height, 64) << t;
            EXPECT_EQ(tile.bitsPerPixel, 24) << t;
            // The screen is never cleared: a transparent pixel would show the last frame.
            EXPECT_EQ(tile.Count(KEY), 0) << t;
        }
        ASSERT_EQ(level.map.size(), size_t(10 * 40));
        EXPECT_LE(*std::max_element(level.map.begin(), level.map.end()), level.highest);
        const std::set<uint8_t> shown(level.Row(FIRST_DRAWN_ROW), level.map.end());
        EXPECT_EQ(shown.size(), size_t(level.highest + 1)) << "a tile is never drawn";
        EXPECT_TRUE(std::equal(level.Row(FIRST_DRAWN_ROW), level.Row(LOOP_LAST_ROW + 1),
                               level.Row(FIRST_DRAWN_ROW + LOOP_LENGTH)))
            << "the window jumps at the wrap";
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
// A colour this close to pure red reads as a key pixel blended into the art.
constexpr Uint32 NEAR_KEY = 64;
constexpr double MIN_CONTRAST = 3.0;
// A colour covering at least this share of a level's looping part is dominant.
constexpr double DOMINANT_SHARE = 0.05;

// Relative luminance of an sRGB colour, from 0 (black) to 1 (white).
double Luminance(Uint32 p) {
    auto linear = [](Uint32 c) {
        const double v = (c & 0xFF) / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(p >> 16) + 0.7152 * linear(p >> 8) + 0.0722 * linear(p);
}

// The dominant colours of both maps' looping parts, each tile as often as shown.
std::vector<double> BackdropLuminances() {
    std::vector<double> backdrop;
    for (int number : LEVELS) {
        const Level level(number);
        std::map<Uint32, double> share;
        for (auto cell = level.Row(FIRST_DRAWN_ROW); cell != level.Row(LOOP_LENGTH + 1); ++cell) {
            for (Uint32 p : level.Tile(*cell).pixels) {
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

bool NearKey(Uint32 p) {
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
        for (Uint32 corner : {picture.At(0, 0), picture.At(right, 0), picture.At(0, bottom),
                              picture.At(right, bottom)}) {
            EXPECT_TRUE(shipped.minFill == 1.0 || corner == KEY);
        }
        double luminance = 0.0;
        for (Uint32 p : picture.pixels) {
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

// The samples of a WAV file, which must be 22,050 Hz mono 16-bit PCM.
std::vector<int> ReadWav(const char* name) {
    SDL_AudioSpec audio{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(SourcePath(std::string("data/sounds/") + name).c_str(), &audio, &buffer,
                    &length) == nullptr) {
        ADD_FAILURE() << name << ": " << SDL_GetError();
        return {};
    }
    EXPECT_EQ(audio.freq, SAMPLE_RATE);
    EXPECT_EQ(audio.channels, 1);
    EXPECT_EQ(audio.format, AUDIO_S16LSB);
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

TEST(SoundFiles, HaveTheirLengthAndPeakAndStartAndEndNearSilence) {
    for (const auto& sound : SOUNDS) {
        SCOPED_TRACE(sound.file);
        const std::vector<int> samples = ReadWav(sound.file);
        ASSERT_FALSE(samples.empty());
        EXPECT_GE(samples.size(), sound.minSeconds * SAMPLE_RATE);
        EXPECT_LE(samples.size(), sound.maxSeconds * SAMPLE_RATE);
        EXPECT_GE(PeakDbfs(samples), sound.minPeakDbfs);
        EXPECT_LE(PeakDbfs(samples), sound.maxPeakDbfs);
        EXPECT_LE(std::abs(samples.front()), EDGE_TOLERANCE);
        EXPECT_LE(std::abs(samples.back()), EDGE_TOLERANCE);
    }
}

}  // namespace
