// The shipped sound effects and tune: well-formed, loud enough but never clipping,
// click-free, loopable, decodable by SDL_mixer, and reproduced exactly by the generator.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "gen_audio.h"
#include "gen_music.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kSoundsDir = KORVANE_SOUNDS_DIR;
constexpr int kSampleRate = 22050;
constexpr int kPeakLimit = 29204;  // -1 dBFS
constexpr int kEdgeTolerance = 32;
constexpr double kMinimumTuneSeconds = 60.0;

Bytes ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

uint32_t ReadUint(const Bytes& b, size_t at, int size, bool bigEndian) {
    uint32_t v = 0;
    for (int i = 0; i < size; ++i) {
        v = (v << 8) | b.at(at + (bigEndian ? i : size - 1 - i));
    }
    return v;
}
uint32_t Le(const Bytes& b, size_t at, int size) {
    return ReadUint(b, at, size, false);
}
uint32_t Be(const Bytes& b, size_t at, int size) {
    return ReadUint(b, at, size, true);
}

std::string Tag(const Bytes& b, size_t at) {
    return std::string(b.begin() + at, b.begin() + at + 4);
}

struct Wav {
    uint32_t riffSize = 0, format = 0, channels = 0, rate = 0, byteRate = 0, blockAlign = 0,
             bits = 0;
    std::vector<int16_t> samples;
};

// Walks the RIFF chunks rather than assuming the canonical 44-byte layout.
Wav ParseWav(const Bytes& b) {
    Wav wav;
    EXPECT_EQ(Tag(b, 0), "RIFF");
    EXPECT_EQ(Tag(b, 8), "WAVE");
    wav.riffSize = Le(b, 4, 4);
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = Le(b, at + 4, 4);
        if (Tag(b, at) == "fmt ") {
            wav.format = Le(b, at + 8, 2);
            wav.channels = Le(b, at + 10, 2);
            wav.rate = Le(b, at + 12, 4);
            wav.byteRate = Le(b, at + 16, 4);
            wav.blockAlign = Le(b, at + 20, 2);
            wav.bits = Le(b, at + 22, 2);
        } else if (Tag(b, at) == "data") {
            for (uint32_t i = 0; i + 1 < size; i += 2) {
                wav.samples.push_back(static_cast<int16_t>(Le(b, at + 8 + i, 2)));
            }
        }
        at += 8 + size + (size & 1);
    }
    return wav;
}

struct SoundCase {
    const char* file;
    double minSeconds, maxSeconds;
};

void PrintTo(const SoundCase& sound, std::ostream* out) {
    *out << sound.file;
}

class SoundFile : public testing::TestWithParam<SoundCase> {
  protected:
    void SetUp() override {
        bytes = ReadFile(kSoundsDir + "/" + GetParam().file);
        ASSERT_GT(bytes.size(), 44u) << GetParam().file;
        wav = ParseWav(bytes);
        ASSERT_FALSE(wav.samples.empty());
    }
    int PeakOf(size_t begin, size_t end) const {
        int peak = 0;
        for (size_t i = begin; i < end; ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(wav.samples[i])));
        }
        return peak;
    }
    Bytes bytes;
    Wav wav;
};

TEST_P(SoundFile, IsMonoSixteenBitPcmWithConsistentSizes) {
    EXPECT_EQ(wav.riffSize, bytes.size() - 8);
    EXPECT_EQ(wav.format, 1u);
    EXPECT_EQ(wav.channels, 1u);
    EXPECT_EQ(wav.rate, static_cast<uint32_t>(kSampleRate));
    EXPECT_EQ(wav.bits, 16u);
    EXPECT_EQ(wav.blockAlign, 2u);
    EXPECT_EQ(wav.byteRate, wav.rate * 2);
}

TEST_P(SoundFile, LastsTheIntendedTime) {
    const double seconds = static_cast<double>(wav.samples.size()) / kSampleRate;
    EXPECT_GE(seconds, GetParam().minSeconds);
    EXPECT_LE(seconds, GetParam().maxSeconds);
}

TEST_P(SoundFile, PeaksJustUnderMinusOneDbfs) {
    const int peak = PeakOf(0, wav.samples.size());
    EXPECT_LE(peak, kPeakLimit);
    EXPECT_GE(peak, kPeakLimit / 2) << "not normalised";
}

// Starting or stopping away from zero clicks; so does a jump to full level in the first ms.
TEST_P(SoundFile, FadesInAndOutWithoutClicks) {
    const size_t n = wav.samples.size();
    const size_t oneMs = kSampleRate / 1000;
    EXPECT_LE(std::abs(wav.samples.front()), kEdgeTolerance);
    EXPECT_LE(std::abs(wav.samples.back()), kEdgeTolerance);
    const int peak = PeakOf(0, n);
    EXPECT_LE(PeakOf(0, oneMs), peak / 2);
    EXPECT_LE(PeakOf(n - oneMs, n), peak / 2);
}

INSTANTIATE_TEST_SUITE_P(Effects, SoundFile,
                         testing::Values(SoundCase{"disparo.wav", 0.03, 0.25},
                                         SoundCase{"explosion.wav", 0.5, 1.0}),
                         [](const testing::TestParamInfo<SoundCase>& info) {
                             const std::string file = info.param.file;
                             return file.substr(0, file.find('.'));
                         });

struct MidiEvent {
    uint32_t tick = 0;
    uint8_t status = 0;  // channel messages only; meta events keep 0xFF
    uint8_t data1 = 0, data2 = 0;
    uint8_t metaType = 0;
    Bytes metaData;
};

struct Midi {
    uint32_t format = 0, division = 0;
    std::vector<std::vector<MidiEvent>> tracks;
};

uint32_t ReadVarLen(const Bytes& b, size_t& at) {
    uint32_t v = 0;
    uint8_t byte = 0;
    do {
        byte = b.at(at++);
        v = (v << 7) | (byte & 0x7F);
    } while (byte & 0x80);
    return v;
}

// Parses with running status; a malformed chunk fails the calling test.
Midi ParseMidi(const Bytes& b) {
    Midi midi;
    EXPECT_EQ(Tag(b, 0), "MThd");
    EXPECT_EQ(Be(b, 4, 4), 6u);
    midi.format = Be(b, 8, 2);
    const uint32_t trackCount = Be(b, 10, 2);
    midi.division = Be(b, 12, 2);
    size_t at = 14;
    for (uint32_t t = 0; t < trackCount; ++t) {
        EXPECT_EQ(Tag(b, at), "MTrk");
        const size_t end = at + 8 + Be(b, at + 4, 4);
        at += 8;
        std::vector<MidiEvent> events;
        uint32_t tick = 0;
        uint8_t running = 0;
        while (at < end) {
            MidiEvent e;
            tick += ReadVarLen(b, at);
            e.tick = tick;
            if (b.at(at) & 0x80) {
                running = b.at(at++);
            }
            e.status = running;
            if (e.status == 0xFF) {
                e.metaType = b.at(at++);
                const uint32_t length = ReadVarLen(b, at);
                e.metaData.assign(b.begin() + at, b.begin() + at + length);
                at += length;
            } else {
                const bool oneByte = (e.status & 0xE0) == 0xC0;  // program and pressure
                e.data1 = b.at(at++);
                e.data2 = oneByte ? 0 : b.at(at++);
            }
            events.push_back(e);
        }
        EXPECT_EQ(at, end) << "track " << t << " overruns its chunk";
        midi.tracks.push_back(events);
    }
    EXPECT_EQ(at, b.size());
    return midi;
}

bool IsNoteOn(const MidiEvent& e) {
    return (e.status & 0xF0) == 0x90 && e.data2 > 0;
}
bool IsNoteOff(const MidiEvent& e) {
    return (e.status & 0xF0) == 0x80 || ((e.status & 0xF0) == 0x90 && e.data2 == 0);
}

class Tune : public testing::Test {
  protected:
    void SetUp() override {
        midi = ParseMidi(ReadFile(kSoundsDir + "/zelmorta.mid"));
        ASSERT_LE(midi.format, 1u);
        ASSERT_GT(midi.division, 0u);
        ASSERT_EQ(midi.division & 0x8000, 0u) << "expected ticks per quarter, not SMPTE";
        ASSERT_FALSE(midi.tracks.empty());
        for (const auto& track : midi.tracks) {
            ASSERT_FALSE(track.empty());
            ASSERT_EQ(track.back().metaType, 0x2F) << "track must close with End of Track";
            for (const MidiEvent& e : track) {
                all.push_back(e);
            }
        }
        std::stable_sort(all.begin(), all.end(),
                         [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
    }
    Midi midi;
    std::vector<MidiEvent> all;  // every track merged in time order
};

TEST_F(Tune, LastsAtLeastAMinuteAtItsTempo) {
    double seconds = 0.0;
    uint32_t tick = 0, microsPerQuarter = 500000;  // the MIDI default until a tempo event
    bool tempoSet = false;
    for (const MidiEvent& e : all) {
        seconds += (e.tick - tick) * microsPerQuarter / 1e6 / midi.division;
        tick = e.tick;
        if (e.status == 0xFF && e.metaType == 0x51) {
            ASSERT_EQ(e.metaData.size(), 3u);
            microsPerQuarter = Be(e.metaData, 0, 3);
            tempoSet = true;
        }
    }
    EXPECT_TRUE(tempoSet);
    EXPECT_GE(seconds, kMinimumTuneSeconds);
}

TEST_F(Tune, HasDrumsAndProgrammedMelodicChannels) {
    std::map<int, uint32_t> firstNote, firstProgram;
    for (const MidiEvent& e : all) {
        const int channel = e.status & 0x0F;
        if (IsNoteOn(e)) {
            firstNote.emplace(channel, e.tick);
        } else if ((e.status & 0xF0) == 0xC0) {
            firstProgram.emplace(channel, e.tick);
        }
    }
    EXPECT_EQ(firstNote.count(9), 1u) << "no drums on channel 10";
    EXPECT_GE(firstNote.size(), 3u) << "needs at least two channels besides the drums";
    for (const auto& [channel, tick] : firstNote) {
        if (channel != 9) {
            ASSERT_EQ(firstProgram.count(channel), 1u) << "channel " << channel;
            EXPECT_LE(firstProgram[channel], tick) << "channel " << channel;
        }
    }
}

// A note left on, stacked on itself or held for bars would hang across the loop.
TEST_F(Tune, EveryNoteIsReleasedWithinABar) {
    const uint32_t bar = midi.division * 4;
    const uint32_t end = all.back().tick;
    std::map<std::pair<int, int>, uint32_t> sounding;
    for (const MidiEvent& e : all) {
        const auto key = std::make_pair(e.status & 0x0F, static_cast<int>(e.data1));
        if (IsNoteOn(e)) {
            EXPECT_EQ(sounding.count(key), 0u) << "re-struck before release at tick " << e.tick;
            sounding[key] = e.tick;
        } else if (IsNoteOff(e)) {
            ASSERT_EQ(sounding.count(key), 1u) << "release without a note at tick " << e.tick;
            EXPECT_LE(e.tick - sounding[key], bar) << "note held too long at tick " << e.tick;
            EXPECT_LE(e.tick, end);
            sounding.erase(key);
        }
    }
    EXPECT_TRUE(sounding.empty()) << sounding.size() << " notes never released";
}

// The player loops the whole file, so it must start on the downbeat and stop on a bar line
// with music right up to it.
TEST_F(Tune, LoopsOnABarLine) {
    uint32_t barTicks = midi.division * 4;
    for (const MidiEvent& e : all) {
        if (e.status == 0xFF && e.metaType == 0x58 && e.tick == 0) {
            barTicks = midi.division * 4 * e.metaData.at(0) >> e.metaData.at(1);
        }
    }
    const uint32_t end = all.back().tick;
    for (const auto& track : midi.tracks) {
        EXPECT_EQ(track.back().tick, end) << "every track should end together";
    }
    EXPECT_EQ(end % barTicks, 0u);
    uint32_t firstOn = end, lastOff = 0;
    for (const MidiEvent& e : all) {
        if (IsNoteOn(e)) {
            firstOn = std::min(firstOn, e.tick);
        } else if (IsNoteOff(e)) {
            lastOff = std::max(lastOff, e.tick);
        }
    }
    EXPECT_EQ(firstOn, 0u);
    EXPECT_GT(lastOff + barTicks / 4, end) << "silence before the loop point";
}

// Opened in the test body: a failed open in a suite set-up would be reported as skipped.
TEST(MixerDecode, LoadsBothEffectsAndTheTune) {
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(kSampleRate, AUDIO_S16MSB, 1, 4096), 0) << Mix_GetError();
    for (const char* name : {"disparo.wav", "explosion.wav"}) {
        Mix_Chunk* chunk = Mix_LoadWAV((kSoundsDir + "/" + name).c_str());
        EXPECT_NE(chunk, nullptr) << name << ": " << Mix_GetError();
        Mix_FreeChunk(chunk);
    }
    Mix_Music* music = Mix_LoadMUS((kSoundsDir + "/zelmorta.mid").c_str());
    EXPECT_NE(music, nullptr) << Mix_GetError();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
}

// The committed files must be what the generator makes now, byte for byte, every time.
TEST(Generator, ReproducesTheCommittedFilesExactly) {
    const std::filesystem::path root =
        std::filesystem::path(testing::TempDir()) / "korvane_audio_gen";
    std::filesystem::remove_all(root);
    for (const char* run : {"first", "second"}) {
        const std::string dir = (root / run).string();
        ASSERT_TRUE(WriteSounds(dir));
        ASSERT_TRUE(WriteMusic(dir));
        for (const char* name : {"disparo.wav", "explosion.wav", "zelmorta.mid"}) {
            EXPECT_EQ(ReadFile(dir + "/sounds/" + name), ReadFile(kSoundsDir + "/" + name))
                << name << " differs on the " << run << " run";
        }
    }
    std::filesystem::remove_all(root);
}

}  // namespace
