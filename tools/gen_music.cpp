#include "gen_music.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "gen_sound_io.h"

namespace {

// Timing: 140 BPM in 4/4, arranged on a sixteenth-note grid.
constexpr int kTicksPerQuarter = 480;
constexpr int kStepsPerQuarter = 4;
constexpr int kTicksPerStep = kTicksPerQuarter / kStepsPerQuarter;
constexpr int kBeatsPerBar = 4;
constexpr int kStepsPerBar = kStepsPerQuarter * kBeatsPerBar;
constexpr int kTicksPerBar = kTicksPerStep * kStepsPerBar;
constexpr uint32_t kTempoBpm = 140;
constexpr uint32_t kMicrosPerMinute = 60000000;
constexpr uint32_t kMicrosPerQuarter = kMicrosPerMinute / kTempoBpm;

// Standard MIDI File vocabulary.
constexpr uint32_t kHeaderLength = 6;
constexpr uint32_t kFormatMultiTrack = 1;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kMeta = 0xFF;
constexpr uint8_t kMetaTrackName = 0x03;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaTimeSignature = 0x58;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kQuarterNoteLog2 = 2;  // time-signature denominator as a power of two
constexpr uint8_t kClocksPerClick = 24;
constexpr uint8_t kThirtySecondsPerQuarter = 8;
constexpr uint8_t kCcDataEntry = 6;
constexpr uint8_t kCcVolume = 7;
constexpr uint8_t kCcPan = 10;
constexpr uint8_t kCcDataEntryFine = 38;
constexpr uint8_t kCcNrpnFine = 98;
constexpr uint8_t kCcNrpnCoarse = 99;
constexpr uint8_t kCcReverb = 91;
constexpr uint8_t kCcAllSoundOff = 120;
constexpr int kReleaseVelocity = 64;
constexpr int kVarLenBits = 7;
constexpr uint32_t kVarLenMask = 0x7F;
constexpr uint8_t kVarLenMore = 0x80;
constexpr int kMaxVarLenBytes = 5;
constexpr int kDataBits = 7;  // a data byte's payload; 14-bit values take two
constexpr int kDataMask = 0x7F;
constexpr int kDecimalBase = 10;

// General MIDI programs (zero-based) and percussion keys. The tune is played by the
// GM sound font on Linux and by the free patch set on Windows, which lacks many
// programs and keys: every one used here exists in both.
constexpr int kProgramSquareLead = 80;
constexpr int kProgramCharangLead = 84;
constexpr int kProgramSynthBass = 38;
constexpr int kProgramHaloPad = 94;
constexpr int kProgramStandardKit = 0;
constexpr int kKick = 36;
constexpr int kSnare = 38;
constexpr int kClosedHat = 42;
constexpr int kLowTom = 45;
constexpr int kOpenHat = 46;
constexpr int kCrash = 49;
constexpr int kHighTom = 50;

constexpr int kPanCentre = 64;
constexpr int kPanLeft = 40;
constexpr int kPanRight = 88;

struct Instrument {
    const char* name;
    int channel;
    int program;
    int volume;
    int pan;
    int reverb;
};

constexpr Instrument kLeadVoice = {"Lead", 0, kProgramCharangLead, 100, kPanCentre, 40};
constexpr Instrument kBassVoice = {"Bass", 1, kProgramSynthBass, 100, kPanCentre, 10};
constexpr Instrument kArpVoice = {"Arpeggio", 2, kProgramSquareLead, 100, kPanLeft, 50};
constexpr Instrument kPadVoice = {"Pad", 3, kProgramHaloPad, 100, kPanRight, 70};
constexpr Instrument kDrumVoice = {"Drums", 9, kProgramStandardKit, 80, kPanCentre, 20};

// Dynamics and articulation: gaps keep repeated notes separate and let every note end
// inside its bar, so the loop point has nothing left ringing.
constexpr int kLeadVelocity = 90;
constexpr int kLeadDoubleVelocity = 56;
constexpr int kLeadGapTicks = 20;
constexpr int kBassVelocity = 88;
constexpr int kBassAccentVelocity = 104;
constexpr int kBassGapTicks = 30;
constexpr int kArpVelocity = 68;
constexpr int kArpAccentVelocity = 80;
constexpr int kArpGapTicks = 40;
constexpr int kPadVelocity = 70;
constexpr int kPadGapTicks = 20;
constexpr int kDrumVelocityStep = 14;  // a digit 1-9 in a drum pattern times this
constexpr int kDrumHitTicks = 60;
constexpr int kCrashVelocity = 100;

// The synthesizer keeps the player running for 2 s after the last voice has stopped
// before the tune restarts; only the reverb sounds then. So the tune ends on a loud
// tonic hit, drenched in reverb and cut off at the last tick so that its reverb
// rings into that pause, and opens with a one-beat drum pickup that counts the
// groove back in. Pickup and hit share one bar, so the tune still ends on a bar line.
constexpr int kPickupTicks = kTicksPerQuarter;
constexpr int kHitTicks = kTicksPerBar - kPickupTicks;
constexpr int kHitVelocity = 112;
constexpr int kReverbFull = 127;
// Reverb send is at most a fifth of the signal through the controller; the sound
// font's generator, reached by NRPN, is raised by this many tenths of a percent.
constexpr int kNrpnSoundFontGenerator = 120;
constexpr int kGeneratorReverbSend = 16;
constexpr int kNrpnZero = 8192;  // a 14-bit offset of 0
constexpr int kHitReverbBoost = 800;
constexpr const char* kPickupChord = "B7";  // the bass walks in from the dominant
constexpr const char* kHitChord = "Em";
constexpr int kPickupBassStep = 2;  // sixteenths into the pickup

// Pitch.
constexpr int kSemitones = 12;
constexpr int kMiddleC = 60;
constexpr int kMiddleCOctave = 4;
constexpr int kMinorThird = 3;
constexpr int kMajorThird = 4;
constexpr int kFifth = 7;
constexpr int kMinorSeventh = 10;
constexpr int kBassLowest = 35;  // B1: bass roots sit between B1 and A#2
constexpr int kArpLowest = 59;   // B3
constexpr int kPadLowest = 55;   // G3

// Pattern characters.
constexpr char kHold = '.';
constexpr char kRest = 'r';
constexpr char kBassOctave = '1';
constexpr char kBassFifth = '5';

// Bass patterns: a note starts on every non-'.' step and lasts until the next one;
// '0' plays the root, '1' its octave, '5' its fifth.
constexpr const char* kBassDrive = "0.0.1.0.0.0.1.0.";
constexpr const char* kBassGallop = "0.000.000.001.1.";
constexpr const char* kBassHeld = "0...............";
// Arpeggio: indices into root, third, fifth, octave, octave third, one per sixteenth.
constexpr const char* kArpPattern = "0123432101234321";

struct DrumLine {
    int key;
    const char* steps;  // '1'-'9' velocity level per sixteenth, '.' silent
};
using Groove = std::vector<DrumLine>;

const Groove kGrooveIntro = {{kKick, "9...9...9...9..."}, {kClosedHat, "4.7.4.7.4.7.4.7."}};
const Groove kGrooveDrive = {
    {kKick, "9...9...9...9..."}, {kSnare, "....9.......9..."}, {kClosedHat, "4.7.4.7.4.7.4.7."}};
const Groove kGrooveBusy = {{kKick, "9...9...9...9.6."},
                            {kSnare, "....9..2....9..3"},
                            {kClosedHat, "3646364636463..."},
                            {kOpenHat, "..............7."}};
const Groove kGrooveBreak = {{kKick, "9.........9....."}, {kClosedHat, "..5...5...5...5."}};
const Groove kFill = {{kKick, "9.......9......."},
                      {kSnare, "....8.......6789"},
                      {kHighTom, "........87......"},
                      {kLowTom, "..........87...."},
                      {kClosedHat, "4.7.4.7........."}};
const Groove kRoll = {{kKick, "9...9...9...9..."}, {kSnare, "1122334455667789"}};
const Groove kPickup = {{kHighTom, "67.."}, {kLowTom, "..89"}};  // one beat

// Melodies, one bar per entry: note name (octave 4 holds middle C) and length in sixteenths.
const std::vector<const char*> kMelodyA = {
    "E5/2 G5/2 B5/3 A5/1 G5/2 F#5/2 E5/2 B4/2", "C5/2 E5/2 G5/4 E5/2 G5/2 C6/4",
    "D6/3 C6/1 B5/2 A5/2 F#5/2 A5/2 D5/4",      "E5/6 r/2 B4/2 D5/2 E5/2 G5/2",
    "E5/2 G5/2 B5/3 A5/1 G5/2 B5/2 E6/4",       "D6/2 C6/2 B5/2 G5/2 E5/4 G5/2 C6/2",
    "A5/3 B5/1 A5/2 F#5/2 D5/4 F#5/2 A5/2",     "B5/2 A5/2 F#5/2 D#5/2 F#5/4 B4/4",
};
const std::vector<const char*> kMelodyB = {
    "G5/4 E5/2 G5/2 C6/6 B5/2",       "A5/4 F#5/2 A5/2 D6/6 C6/2",
    "B5/6 G5/2 E5/4 G5/2 A5/2",       "B5/12 r/4",
    "C6/4 B5/2 A5/2 E5/4 A5/2 B5/2",  "C6/4 D6/2 E6/2 D6/2 C6/2 G5/4",
    "F#5/2 A5/2 D6/4 C6/2 B5/2 A5/4", "B5/8 A5/2 F#5/2 D#5/4",
};
constexpr const char* kChordsIntro = "Em Em C D";
constexpr const char* kChordsA = "Em C D Em Em C D B7";
constexpr const char* kChordsB = "C D Em Em Am C D B7";
constexpr const char* kChordsBreak = "C Am D B7";

struct Section {
    const char* chords;                      // one chord per bar
    const std::vector<const char*>* melody;  // one entry per bar; null leaves the lead out
    const char* bass;
    const Groove* groove;
    const Groove* lastBar;  // closes the section and leads into the next
    bool pad;
    bool doubledLead;  // lead doubled an octave down
};

// Intro, A, B, breakdown, then A and B again fuller; the arpeggio runs throughout. The
// closing B7 and drum fill lead into the final hit.
const std::vector<Section> kSong = {
    // chords, melody, bass, groove, last bar, pad, doubled lead
    {kChordsIntro, nullptr, kBassDrive, &kGrooveIntro, &kFill, false, false},
    {kChordsA, &kMelodyA, kBassDrive, &kGrooveDrive, &kFill, false, false},
    {kChordsB, &kMelodyB, kBassGallop, &kGrooveDrive, &kFill, true, false},
    {kChordsBreak, nullptr, kBassHeld, &kGrooveBreak, &kRoll, true, false},
    {kChordsA, &kMelodyA, kBassGallop, &kGrooveBusy, &kFill, true, true},
    {kChordsB, &kMelodyB, kBassGallop, &kGrooveBusy, &kFill, true, true},
};

// Same-tick order: releases first so a repeated pitch is not cut by its own
// note-off, then set-up messages, then new notes.
enum EventRank { kRankRelease, kRankSetup, kRankStart };

struct MidiEvent {
    int tick;
    int rank;
    ByteBuffer bytes;
};

struct Track {
    int channel;
    std::vector<MidiEvent> events;
};

struct Chord {
    int root;  // pitch class, C = 0
    int third;
    bool seventh;
};

struct Arrangement {
    Track conductor;
    Track lead;
    Track bass;
    Track arp;
    Track pad;
    Track drums;
};

void AddEvent(Track& track, int tick, int rank, ByteBuffer bytes) {
    track.events.push_back({tick, rank, std::move(bytes)});
}

void AddChannelMessage(Track& track, int tick, int rank, uint8_t status, int data1, int data2) {
    AddEvent(track, tick, rank,
             {static_cast<uint8_t>(status | track.channel), static_cast<uint8_t>(data1),
              static_cast<uint8_t>(data2)});
}

void AddNote(Track& track, int tick, int length, int pitch, int velocity) {
    AddChannelMessage(track, tick, kRankStart, kNoteOn, pitch, velocity);
    AddChannelMessage(track, tick + length, kRankRelease, kNoteOff, pitch, kReleaseVelocity);
}

// Meta events all belong at the start of the tune.
void AddMeta(Track& track, uint8_t type, const ByteBuffer& data) {
    ByteBuffer bytes = {kMeta, type, static_cast<uint8_t>(data.size())};
    bytes.insert(bytes.end(), data.begin(), data.end());
    AddEvent(track, 0, kRankSetup, bytes);
}

void AddTrackName(Track& track, const char* name) {
    AddMeta(track, kMetaTrackName, ByteBuffer(name, name + std::strlen(name)));
}

Track MakeConductor() {
    Track track = {0, {}};
    AddTrackName(track, "Zelmorta");
    ByteBuffer tempo;
    PutBe32(tempo, kMicrosPerQuarter);
    tempo.erase(tempo.begin());  // the tempo is a 24-bit value
    AddMeta(track, kMetaTempo, tempo);
    AddMeta(track, kMetaTimeSignature,
            {kBeatsPerBar, kQuarterNoteLog2, kClocksPerClick, kThirtySecondsPerQuarter});
    return track;
}

// Sets the channel's reverb send, plus `boost` tenths of a percent through the sound
// font generator; a player that does not know the NRPN ignores it.
void AddReverbSend(Track& track, int tick, int send, int boost) {
    const int offset = kNrpnZero + boost;
    AddChannelMessage(track, tick, kRankSetup, kControlChange, kCcReverb, send);
    AddChannelMessage(track, tick, kRankSetup, kControlChange, kCcNrpnCoarse,
                      kNrpnSoundFontGenerator);
    AddChannelMessage(track, tick, kRankSetup, kControlChange, kCcNrpnFine, kGeneratorReverbSend);
    AddChannelMessage(track, tick, kRankSetup, kControlChange, kCcDataEntryFine,
                      offset & kDataMask);
    AddChannelMessage(track, tick, kRankSetup, kControlChange, kCcDataEntry, offset >> kDataBits);
}

Track MakeInstrumentTrack(const Instrument& voice) {
    Track track = {voice.channel, {}};
    AddTrackName(track, voice.name);
    AddEvent(track, 0, kRankSetup,
             {static_cast<uint8_t>(kProgramChange | voice.channel),
              static_cast<uint8_t>(voice.program)});
    AddChannelMessage(track, 0, kRankSetup, kControlChange, kCcVolume, voice.volume);
    AddChannelMessage(track, 0, kRankSetup, kControlChange, kCcPan, voice.pan);
    AddReverbSend(track, 0, voice.reverb, 0);
    return track;
}

void SkipSpaces(const char*& cursor) {
    while (*cursor == ' ') {
        ++cursor;
    }
}

int ReadNumber(const char*& cursor) {
    int value = 0;
    while (*cursor >= '0' && *cursor <= '9') {
        value = value * kDecimalBase + (*cursor++ - '0');
    }
    return value;
}

// Reads "E", "F#" or "Bb" as a pitch class, C = 0.
int ReadPitchClass(const char*& cursor) {
    constexpr const char* kLetters = "C D EF G A B";  // each letter at its semitone
    int pitchClass = static_cast<int>(std::strchr(kLetters, *cursor++) - kLetters);
    if (*cursor == '#') {
        ++pitchClass;
        ++cursor;
    } else if (*cursor == 'b') {
        --pitchClass;
        ++cursor;
    }
    return (pitchClass + kSemitones) % kSemitones;
}

// Reads a chord list such as "Em C D B7".
std::vector<Chord> ParseChords(const char* text) {
    std::vector<Chord> chords;
    for (const char* cursor = text; *cursor != '\0'; SkipSpaces(cursor)) {
        Chord chord = {ReadPitchClass(cursor), kMajorThird, false};
        if (*cursor == 'm') {
            chord.third = kMinorThird;
            ++cursor;
        }
        if (*cursor == '7') {
            chord.seventh = true;
            ++cursor;
        }
        chords.push_back(chord);
    }
    return chords;
}

// The lowest key at or above `lowest` with the given pitch class.
int KeyAbove(int lowest, int pitchClass) {
    return lowest + (pitchClass - lowest % kSemitones + kSemitones) % kSemitones;
}

// Writes one melody bar; returns its length in steps so a bar that does not fill exactly
// one bar can be caught.
int AddMelodyBar(Track& lead, int barTick, const char* text, bool doubled) {
    int step = 0;
    for (const char* cursor = text; *cursor != '\0'; SkipSpaces(cursor)) {
        int pitch = -1;
        if (*cursor == kRest) {
            ++cursor;
        } else {
            const int pitchClass = ReadPitchClass(cursor);
            pitch = kMiddleC + (ReadNumber(cursor) - kMiddleCOctave) * kSemitones + pitchClass;
        }
        ++cursor;  // the '/' before the length
        const int steps = ReadNumber(cursor);
        if (pitch >= 0) {
            const int tick = barTick + step * kTicksPerStep;
            const int length = steps * kTicksPerStep - kLeadGapTicks;
            AddNote(lead, tick, length, pitch, kLeadVelocity);
            if (doubled) {
                AddNote(lead, tick, length, pitch - kSemitones, kLeadDoubleVelocity);
            }
        }
        step += steps;
    }
    return step;
}

int BassInterval(char symbol) {
    switch (symbol) {
        case kBassOctave:
            return kSemitones;
        case kBassFifth:
            return kFifth;
        default:
            return 0;
    }
}

void AddBassBar(Track& bass, int barTick, const Chord& chord, const char* pattern) {
    const int root = KeyAbove(kBassLowest, chord.root);
    for (int step = 0; step < kStepsPerBar; ++step) {
        if (pattern[step] == kHold) {
            continue;
        }
        int next = step + 1;
        while (next < kStepsPerBar && pattern[next] == kHold) {
            ++next;
        }
        const bool onBeat = step % kStepsPerQuarter == 0;
        AddNote(bass, barTick + step * kTicksPerStep, (next - step) * kTicksPerStep - kBassGapTicks,
                root + BassInterval(pattern[step]), onBeat ? kBassAccentVelocity : kBassVelocity);
    }
}

void AddArpBar(Track& arp, int barTick, const Chord& chord) {
    const int root = KeyAbove(kArpLowest, chord.root);
    const int tones[] = {root, root + chord.third, root + kFifth, root + kSemitones,
                         root + kSemitones + chord.third};
    for (int step = 0; step < kStepsPerBar; ++step) {
        const bool onBeat = step % kStepsPerQuarter == 0;
        AddNote(arp, barTick + step * kTicksPerStep, kTicksPerStep - kArpGapTicks,
                tones[kArpPattern[step] - '0'], onBeat ? kArpAccentVelocity : kArpVelocity);
    }
}

// The chord in root position from the lowest root at or above `lowest`.
void AddChord(Track& track, int tick, int length, const Chord& chord, int lowest, int velocity) {
    const int root = KeyAbove(lowest, chord.root);
    AddNote(track, tick, length, root, velocity);
    AddNote(track, tick, length, root + chord.third, velocity);
    AddNote(track, tick, length, root + kFifth, velocity);
    if (chord.seventh) {
        AddNote(track, tick, length, root + kMinorSeventh, velocity);
    }
}

void AddPadBar(Track& pad, int barTick, const Chord& chord) {
    AddChord(pad, barTick, kTicksPerBar - kPadGapTicks, chord, kPadLowest, kPadVelocity);
}

// Plays each line of the groove from `barTick`, one sixteenth per character.
void AddDrumBar(Track& drums, int barTick, const Groove& groove) {
    for (const DrumLine& line : groove) {
        for (int step = 0; line.steps[step] != '\0'; ++step) {
            if (line.steps[step] != kHold) {
                AddNote(drums, barTick + step * kTicksPerStep, kDrumHitTicks, line.key,
                        (line.steps[step] - '0') * kDrumVelocityStep);
            }
        }
    }
}

// Bars are counted after the pickup beat.
int BarTick(int bar) {
    return kPickupTicks + bar * kTicksPerBar;
}

// Lays out one section from `firstBar`; false if its melody does not match its chords.
bool AddSection(Arrangement& song, const Section& section, int firstBar) {
    const std::vector<Chord> chords = ParseChords(section.chords);
    const int bars = static_cast<int>(chords.size());
    if (section.melody != nullptr && static_cast<int>(section.melody->size()) != bars) {
        std::fprintf(stderr, "melody and chords differ in length at bar %d\n", firstBar);
        return false;
    }
    for (int bar = 0; bar < bars; ++bar) {
        const int tick = BarTick(firstBar + bar);
        const Chord& chord = chords[bar];
        if (section.melody != nullptr && AddMelodyBar(song.lead, tick, (*section.melody)[bar],
                                                      section.doubledLead) != kStepsPerBar) {
            std::fprintf(stderr, "melody bar %d does not fill the bar\n", firstBar + bar);
            return false;
        }
        AddBassBar(song.bass, tick, chord, section.bass);
        AddArpBar(song.arp, tick, chord);
        if (section.pad) {
            AddPadBar(song.pad, tick, chord);
        }
        AddDrumBar(song.drums, tick, bar == bars - 1 ? *section.lastBar : *section.groove);
    }
    AddNote(song.drums, BarTick(firstBar), kDrumHitTicks, kCrash, kCrashVelocity);
    return true;
}

// Toms count the groove in while the bass walks up from the dominant.
void AddPickup(Arrangement& song) {
    AddDrumBar(song.drums, 0, kPickup);
    const Chord dominant = ParseChords(kPickupChord).front();
    AddNote(song.bass, kPickupBassStep * kTicksPerStep,
            kPickupTicks - kPickupBassStep * kTicksPerStep - kBassGapTicks,
            KeyAbove(kBassLowest, dominant.root), kBassAccentVelocity);
}

// Every part lands on the tonic at `tick` and holds it, with full reverb, to the end.
void AddFinalHit(Arrangement& song, int tick) {
    const Chord tonic = ParseChords(kHitChord).front();
    const int leadKey = KeyAbove(kMiddleC + kSemitones, tonic.root);
    const int bassKey = KeyAbove(kBassLowest, tonic.root);
    AddNote(song.lead, tick, kHitTicks, leadKey, kHitVelocity);
    AddNote(song.lead, tick, kHitTicks, leadKey - kSemitones, kHitVelocity);
    AddNote(song.bass, tick, kHitTicks, bassKey, kHitVelocity);
    AddNote(song.bass, tick, kHitTicks, bassKey - kSemitones, kHitVelocity);
    AddChord(song.arp, tick, kHitTicks, tonic, kArpLowest, kHitVelocity);
    AddChord(song.pad, tick, kHitTicks, tonic, kPadLowest, kHitVelocity);
    AddNote(song.drums, tick, kDrumHitTicks, kKick, kHitVelocity);
    AddNote(song.drums, tick, kHitTicks, kCrash, kHitVelocity);
    for (Track* track : {&song.lead, &song.bass, &song.arp, &song.pad, &song.drums}) {
        AddReverbSend(*track, tick, kReverbFull, kHitReverbBoost);
    }
}

void PutVarLen(ByteBuffer& out, uint32_t value) {
    uint8_t groups[kMaxVarLenBytes];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & kVarLenMask);
        value >>= kVarLenBits;
    } while (value != 0);
    while (count > 1) {
        out.push_back(groups[--count] | kVarLenMore);
    }
    out.push_back(groups[0]);
}

// Every track ends exactly at `endTick`, the final bar line, so a looping player
// restarts on the beat.
void PutTrack(ByteBuffer& out, Track track, int endTick) {
    std::stable_sort(track.events.begin(), track.events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) {
                         return a.tick != b.tick ? a.tick < b.tick : a.rank < b.rank;
                     });
    ByteBuffer body;
    int lastTick = 0;
    for (const MidiEvent& event : track.events) {
        PutVarLen(body, static_cast<uint32_t>(event.tick - lastTick));
        body.insert(body.end(), event.bytes.begin(), event.bytes.end());
        lastTick = event.tick;
    }
    PutVarLen(body, static_cast<uint32_t>(endTick - lastTick));
    body.insert(body.end(), {kMeta, kMetaEndOfTrack, 0});
    PutTag(out, "MTrk");
    PutBe32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

// Composes the tune; `endTick` is where every track ends.
bool ComposeSong(Arrangement& song, int& endTick) {
    song = {MakeConductor(),
            MakeInstrumentTrack(kLeadVoice),
            MakeInstrumentTrack(kBassVoice),
            MakeInstrumentTrack(kArpVoice),
            MakeInstrumentTrack(kPadVoice),
            MakeInstrumentTrack(kDrumVoice)};
    AddPickup(song);
    int totalBars = 0;
    for (const Section& section : kSong) {
        if (!AddSection(song, section, totalBars)) {
            return false;
        }
        totalBars += static_cast<int>(ParseChords(section.chords).size());
    }
    AddFinalHit(song, BarTick(totalBars));
    endTick = BarTick(totalBars) + kHitTicks;
    // Cut the hit while its reverb is full: the player's pause only begins once no
    // voice is sounding, and sound font releases can linger for seconds.
    for (Track* track : {&song.lead, &song.bass, &song.arp, &song.pad, &song.drums}) {
        AddChannelMessage(*track, endTick, kRankRelease, kControlChange, kCcAllSoundOff, 0);
    }
    return true;
}

ByteBuffer EncodeSong(const Arrangement& song, int endTick) {
    const Track* tracks[] = {&song.conductor, &song.lead, &song.bass,
                             &song.arp,       &song.pad,  &song.drums};
    ByteBuffer out;
    PutTag(out, "MThd");
    PutBe32(out, kHeaderLength);
    PutBe16(out, kFormatMultiTrack);
    PutBe16(out, static_cast<uint32_t>(std::size(tracks)));
    PutBe16(out, kTicksPerQuarter);
    for (const Track* track : tracks) {
        PutTrack(out, *track, endTick);
    }
    return out;
}

}  // namespace

bool WriteMusic(const std::string& dataDir) {
    Arrangement song;
    int endTick = 0;
    return ComposeSong(song, endTick) &&
           WriteSoundFile(dataDir, "zelmorta.mid", EncodeSong(song, endTick));
}
