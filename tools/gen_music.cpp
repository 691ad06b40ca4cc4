#include "gen_music.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "gen_files.h"

namespace {

// Timing: 140 BPM in 4/4, arranged on a sixteenth-note grid.
constexpr int TICKS_PER_QUARTER = 480;
constexpr int STEPS_PER_QUARTER = 4;
constexpr int TICKS_PER_STEP = TICKS_PER_QUARTER / STEPS_PER_QUARTER;
constexpr int BEATS_PER_BAR = 4;
constexpr int STEPS_PER_BAR = STEPS_PER_QUARTER * BEATS_PER_BAR;
constexpr int TICKS_PER_BAR = TICKS_PER_STEP * STEPS_PER_BAR;
constexpr uint32_t TEMPO_BPM = 140;
constexpr uint32_t MICROS_PER_MINUTE = 60000000;
constexpr uint32_t MICROS_PER_QUARTER = MICROS_PER_MINUTE / TEMPO_BPM;

// Standard MIDI File vocabulary.
constexpr uint32_t HEADER_LENGTH = 6;
constexpr uint32_t FORMAT_MULTI_TRACK = 1;
constexpr uint8_t NOTE_OFF = 0x80;
constexpr uint8_t NOTE_ON = 0x90;
constexpr uint8_t CONTROL_CHANGE = 0xB0;
constexpr uint8_t PROGRAM_CHANGE = 0xC0;
constexpr uint8_t META = 0xFF;
constexpr uint8_t META_TRACK_NAME = 0x03;
constexpr uint8_t META_TEMPO = 0x51;
constexpr uint8_t META_TIME_SIGNATURE = 0x58;
constexpr uint8_t META_END_OF_TRACK = 0x2F;
constexpr uint8_t QUARTER_NOTE_LOG2 = 2;  // time-signature denominator as a power of two
constexpr uint8_t CLOCKS_PER_CLICK = 24;
constexpr uint8_t THIRTY_SECONDS_PER_QUARTER = 8;
constexpr uint8_t CC_DATA_ENTRY = 6;
constexpr uint8_t CC_VOLUME = 7;
constexpr uint8_t CC_PAN = 10;
constexpr uint8_t CC_DATA_ENTRY_FINE = 38;
constexpr uint8_t CC_NRPN_FINE = 98;
constexpr uint8_t CC_NRPN_COARSE = 99;
constexpr uint8_t CC_REVERB = 91;
constexpr uint8_t CC_ALL_SOUND_OFF = 120;
constexpr int RELEASE_VELOCITY = 64;
constexpr int VAR_LEN_BITS = 7;
constexpr uint32_t VAR_LEN_MASK = 0x7F;
constexpr uint8_t VAR_LEN_MORE = 0x80;
constexpr int MAX_VAR_LEN_BYTES = 5;
constexpr int DATA_BITS = 7;  // a data byte's payload; 14-bit values take two
constexpr int DATA_MASK = 0x7F;
constexpr int DECIMAL_BASE = 10;

// General MIDI programs (zero-based) and percussion keys. The tune is played by the
// GM sound font on Linux and by the free patch set on Windows, which lacks many
// programs and keys: every one used here exists in both.
constexpr int PROGRAM_SQUARE_LEAD = 80;
constexpr int PROGRAM_CHARANG_LEAD = 84;
constexpr int PROGRAM_SYNTH_BASS = 38;
constexpr int PROGRAM_HALO_PAD = 94;
constexpr int PROGRAM_STANDARD_KIT = 0;
constexpr int KICK = 36;
constexpr int SNARE = 38;
constexpr int CLOSED_HAT = 42;
constexpr int LOW_TOM = 45;
constexpr int OPEN_HAT = 46;
constexpr int CRASH = 49;
constexpr int HIGH_TOM = 50;

constexpr int PAN_CENTRE = 64;
constexpr int PAN_LEFT = 40;
constexpr int PAN_RIGHT = 88;

struct Instrument {
    const char* name;
    int channel;
    int program;
    int volume;
    int pan;
    int reverb;
};

constexpr Instrument LEAD_VOICE = {"Lead", 0, PROGRAM_CHARANG_LEAD, 100, PAN_CENTRE, 40};
constexpr Instrument BASS_VOICE = {"Bass", 1, PROGRAM_SYNTH_BASS, 100, PAN_CENTRE, 10};
constexpr Instrument ARP_VOICE = {"Arpeggio", 2, PROGRAM_SQUARE_LEAD, 100, PAN_LEFT, 50};
constexpr Instrument PAD_VOICE = {"Pad", 3, PROGRAM_HALO_PAD, 100, PAN_RIGHT, 70};
constexpr Instrument DRUM_VOICE = {"Drums", 9, PROGRAM_STANDARD_KIT, 80, PAN_CENTRE, 20};

// Dynamics and articulation: gaps keep repeated notes separate and let every note end
// inside its bar, so the loop point has nothing left ringing.
constexpr int LEAD_VELOCITY = 90;
constexpr int LEAD_DOUBLE_VELOCITY = 56;
constexpr int LEAD_GAP_TICKS = 20;
constexpr int BASS_VELOCITY = 88;
constexpr int BASS_ACCENT_VELOCITY = 104;
constexpr int BASS_GAP_TICKS = 30;
constexpr int ARP_VELOCITY = 68;
constexpr int ARP_ACCENT_VELOCITY = 80;
constexpr int ARP_GAP_TICKS = 40;
constexpr int PAD_VELOCITY = 70;
constexpr int PAD_GAP_TICKS = 20;
constexpr int DRUM_VELOCITY_STEP = 14;  // a digit 1-9 in a drum pattern times this
constexpr int DRUM_HIT_TICKS = 60;
constexpr int CRASH_VELOCITY = 100;

// The synthesizer keeps the player running for 2 s after the last voice has stopped
// before the tune restarts; only the reverb sounds then. So the tune ends on a loud
// tonic hit, drenched in reverb and cut off at the last tick so that its reverb
// rings into that pause, and opens with a one-beat drum pickup that counts the
// groove back in. Pickup and hit share one bar, so the tune still ends on a bar line.
constexpr int PICKUP_TICKS = TICKS_PER_QUARTER;
constexpr int HIT_TICKS = TICKS_PER_BAR - PICKUP_TICKS;
constexpr int HIT_VELOCITY = 112;
constexpr int REVERB_FULL = 127;
// Reverb send is at most a fifth of the signal through the controller; the sound
// font's generator, reached by NRPN, is raised by this many tenths of a percent.
constexpr int NRPN_SOUND_FONT_GENERATOR = 120;
constexpr int GENERATOR_REVERB_SEND = 16;
constexpr int NRPN_ZERO = 8192;  // a 14-bit offset of 0
constexpr int HIT_REVERB_BOOST = 800;
constexpr const char* PICKUP_CHORD = "B7";  // the bass walks in from the dominant
constexpr const char* HIT_CHORD = "Em";
constexpr int PICKUP_BASS_STEP = 2;  // sixteenths into the pickup

// Pitch.
constexpr int SEMITONES = 12;
constexpr int MIDDLE_C = 60;
constexpr int MIDDLE_C_OCTAVE = 4;
constexpr int MINOR_THIRD = 3;
constexpr int MAJOR_THIRD = 4;
constexpr int FIFTH = 7;
constexpr int MINOR_SEVENTH = 10;
constexpr int BASS_LOWEST = 35;  // B1: bass roots sit between B1 and A#2
constexpr int ARP_LOWEST = 59;   // B3
constexpr int PAD_LOWEST = 55;   // G3

// Pattern characters.
constexpr char HOLD = '.';
constexpr char REST = 'r';
constexpr char BASS_OCTAVE = '1';
constexpr char BASS_FIFTH = '5';

// Bass patterns: a note starts on every non-'.' step and lasts until the next one;
// '0' plays the root, '1' its octave, '5' its fifth.
constexpr const char* BASS_DRIVE = "0.0.1.0.0.0.1.0.";
constexpr const char* BASS_GALLOP = "0.000.000.001.1.";
constexpr const char* BASS_HELD = "0...............";
// Arpeggio: indices into root, third, fifth, octave, octave third, one per sixteenth.
constexpr const char* ARP_PATTERN = "0123432101234321";

struct DrumLine {
    int key;
    const char* steps;  // '1'-'9' velocity level per sixteenth, '.' silent
};
using Groove = std::vector<DrumLine>;

const Groove GROOVE_INTRO = {{KICK, "9...9...9...9..."}, {CLOSED_HAT, "4.7.4.7.4.7.4.7."}};
const Groove GROOVE_DRIVE = {
    {KICK, "9...9...9...9..."}, {SNARE, "....9.......9..."}, {CLOSED_HAT, "4.7.4.7.4.7.4.7."}};
const Groove GROOVE_BUSY = {{KICK, "9...9...9...9.6."},
                            {SNARE, "....9..2....9..3"},
                            {CLOSED_HAT, "3646364636463..."},
                            {OPEN_HAT, "..............7."}};
const Groove GROOVE_BREAK = {{KICK, "9.........9....."}, {CLOSED_HAT, "..5...5...5...5."}};
const Groove FILL = {{KICK, "9.......9......."},
                     {SNARE, "....8.......6789"},
                     {HIGH_TOM, "........87......"},
                     {LOW_TOM, "..........87...."},
                     {CLOSED_HAT, "4.7.4.7........."}};
const Groove ROLL = {{KICK, "9...9...9...9..."}, {SNARE, "1122334455667789"}};
const Groove PICKUP = {{HIGH_TOM, "67.."}, {LOW_TOM, "..89"}};  // one beat

// Melodies, one bar per entry: note name (octave 4 holds middle C) and length in sixteenths.
const std::vector<const char*> MELODY_A = {
    "E5/2 G5/2 B5/3 A5/1 G5/2 F#5/2 E5/2 B4/2", "C5/2 E5/2 G5/4 E5/2 G5/2 C6/4",
    "D6/3 C6/1 B5/2 A5/2 F#5/2 A5/2 D5/4",      "E5/6 r/2 B4/2 D5/2 E5/2 G5/2",
    "E5/2 G5/2 B5/3 A5/1 G5/2 B5/2 E6/4",       "D6/2 C6/2 B5/2 G5/2 E5/4 G5/2 C6/2",
    "A5/3 B5/1 A5/2 F#5/2 D5/4 F#5/2 A5/2",     "B5/2 A5/2 F#5/2 D#5/2 F#5/4 B4/4",
};
const std::vector<const char*> MELODY_B = {
    "G5/4 E5/2 G5/2 C6/6 B5/2",       "A5/4 F#5/2 A5/2 D6/6 C6/2",
    "B5/6 G5/2 E5/4 G5/2 A5/2",       "B5/12 r/4",
    "C6/4 B5/2 A5/2 E5/4 A5/2 B5/2",  "C6/4 D6/2 E6/2 D6/2 C6/2 G5/4",
    "F#5/2 A5/2 D6/4 C6/2 B5/2 A5/4", "B5/8 A5/2 F#5/2 D#5/4",
};
constexpr const char* CHORDS_INTRO = "Em Em C D";
constexpr const char* CHORDS_A = "Em C D Em Em C D B7";
constexpr const char* CHORDS_B = "C D Em Em Am C D B7";
constexpr const char* CHORDS_BREAK = "C Am D B7";

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
const std::vector<Section> SONG = {
    // chords, melody, bass, groove, last bar, pad, doubled lead
    {CHORDS_INTRO, nullptr, BASS_DRIVE, &GROOVE_INTRO, &FILL, false, false},
    {CHORDS_A, &MELODY_A, BASS_DRIVE, &GROOVE_DRIVE, &FILL, false, false},
    {CHORDS_B, &MELODY_B, BASS_GALLOP, &GROOVE_DRIVE, &FILL, true, false},
    {CHORDS_BREAK, nullptr, BASS_HELD, &GROOVE_BREAK, &ROLL, true, false},
    {CHORDS_A, &MELODY_A, BASS_GALLOP, &GROOVE_BUSY, &FILL, true, true},
    {CHORDS_B, &MELODY_B, BASS_GALLOP, &GROOVE_BUSY, &FILL, true, true},
};

// Same-tick order: releases first so a repeated pitch is not cut by its own
// note-off, then set-up messages, then new notes.
enum EventRank { RANK_RELEASE, RANK_SETUP, RANK_START };

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
    AddChannelMessage(track, tick, RANK_START, NOTE_ON, pitch, velocity);
    AddChannelMessage(track, tick + length, RANK_RELEASE, NOTE_OFF, pitch, RELEASE_VELOCITY);
}

// Meta events all belong at the start of the tune.
void AddMeta(Track& track, uint8_t type, const ByteBuffer& data) {
    ByteBuffer bytes = {META, type, static_cast<uint8_t>(data.size())};
    bytes.insert(bytes.end(), data.begin(), data.end());
    AddEvent(track, 0, RANK_SETUP, bytes);
}

void AddTrackName(Track& track, const char* name) {
    AddMeta(track, META_TRACK_NAME, ByteBuffer(name, name + std::strlen(name)));
}

Track MakeConductor() {
    Track track = {0, {}};
    AddTrackName(track, "Zelmorta");
    ByteBuffer tempo;
    PutBe32(tempo, MICROS_PER_QUARTER);
    tempo.erase(tempo.begin());  // the tempo is a 24-bit value
    AddMeta(track, META_TEMPO, tempo);
    AddMeta(track, META_TIME_SIGNATURE,
            {BEATS_PER_BAR, QUARTER_NOTE_LOG2, CLOCKS_PER_CLICK, THIRTY_SECONDS_PER_QUARTER});
    return track;
}

// Sets the channel's reverb send, plus `boost` tenths of a percent through the sound
// font generator; a player that does not know the NRPN ignores it.
void AddReverbSend(Track& track, int tick, int send, int boost) {
    const int offset = NRPN_ZERO + boost;
    AddChannelMessage(track, tick, RANK_SETUP, CONTROL_CHANGE, CC_REVERB, send);
    AddChannelMessage(track, tick, RANK_SETUP, CONTROL_CHANGE, CC_NRPN_COARSE,
                      NRPN_SOUND_FONT_GENERATOR);
    AddChannelMessage(track, tick, RANK_SETUP, CONTROL_CHANGE, CC_NRPN_FINE, GENERATOR_REVERB_SEND);
    AddChannelMessage(track, tick, RANK_SETUP, CONTROL_CHANGE, CC_DATA_ENTRY_FINE,
                      offset & DATA_MASK);
    AddChannelMessage(track, tick, RANK_SETUP, CONTROL_CHANGE, CC_DATA_ENTRY, offset >> DATA_BITS);
}

Track MakeInstrumentTrack(const Instrument& voice) {
    Track track = {voice.channel, {}};
    AddTrackName(track, voice.name);
    AddEvent(track, 0, RANK_SETUP,
             {static_cast<uint8_t>(PROGRAM_CHANGE | voice.channel),
              static_cast<uint8_t>(voice.program)});
    AddChannelMessage(track, 0, RANK_SETUP, CONTROL_CHANGE, CC_VOLUME, voice.volume);
    AddChannelMessage(track, 0, RANK_SETUP, CONTROL_CHANGE, CC_PAN, voice.pan);
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
        value = value * DECIMAL_BASE + (*cursor++ - '0');
    }
    return value;
}

// Reads "E", "F#" or "Bb" as a pitch class, C = 0.
int ReadPitchClass(const char*& cursor) {
    constexpr const char* LETTERS = "C D EF G A B";  // each letter at its semitone
    int pitchClass = static_cast<int>(std::strchr(LETTERS, *cursor++) - LETTERS);
    if (*cursor == '#') {
        ++pitchClass;
        ++cursor;
    } else if (*cursor == 'b') {
        --pitchClass;
        ++cursor;
    }
    return (pitchClass + SEMITONES) % SEMITONES;
}

// Reads a chord list such as "Em C D B7".
std::vector<Chord> ParseChords(const char* text) {
    std::vector<Chord> chords;
    for (const char* cursor = text; *cursor != '\0'; SkipSpaces(cursor)) {
        Chord chord = {ReadPitchClass(cursor), MAJOR_THIRD, false};
        if (*cursor == 'm') {
            chord.third = MINOR_THIRD;
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
    return lowest + (pitchClass - lowest % SEMITONES + SEMITONES) % SEMITONES;
}

// Writes one melody bar; returns its length in steps so a bar that does not fill exactly
// one bar can be caught.
int AddMelodyBar(Track& lead, int barTick, const char* text, bool doubled) {
    int step = 0;
    for (const char* cursor = text; *cursor != '\0'; SkipSpaces(cursor)) {
        int pitch = -1;
        if (*cursor == REST) {
            ++cursor;
        } else {
            const int pitchClass = ReadPitchClass(cursor);
            pitch = MIDDLE_C + (ReadNumber(cursor) - MIDDLE_C_OCTAVE) * SEMITONES + pitchClass;
        }
        ++cursor;  // the '/' before the length
        const int steps = ReadNumber(cursor);
        if (pitch >= 0) {
            const int tick = barTick + step * TICKS_PER_STEP;
            const int length = steps * TICKS_PER_STEP - LEAD_GAP_TICKS;
            AddNote(lead, tick, length, pitch, LEAD_VELOCITY);
            if (doubled) {
                AddNote(lead, tick, length, pitch - SEMITONES, LEAD_DOUBLE_VELOCITY);
            }
        }
        step += steps;
    }
    return step;
}

int BassInterval(char symbol) {
    switch (symbol) {
        case BASS_OCTAVE:
            return SEMITONES;
        case BASS_FIFTH:
            return FIFTH;
        default:
            return 0;
    }
}

void AddBassBar(Track& bass, int barTick, const Chord& chord, const char* pattern) {
    const int root = KeyAbove(BASS_LOWEST, chord.root);
    for (int step = 0; step < STEPS_PER_BAR; ++step) {
        if (pattern[step] == HOLD) {
            continue;
        }
        int next = step + 1;
        while (next < STEPS_PER_BAR && pattern[next] == HOLD) {
            ++next;
        }
        const bool onBeat = step % STEPS_PER_QUARTER == 0;
        AddNote(bass, barTick + step * TICKS_PER_STEP,
                (next - step) * TICKS_PER_STEP - BASS_GAP_TICKS, root + BassInterval(pattern[step]),
                onBeat ? BASS_ACCENT_VELOCITY : BASS_VELOCITY);
    }
}

void AddArpBar(Track& arp, int barTick, const Chord& chord) {
    const int root = KeyAbove(ARP_LOWEST, chord.root);
    const int tones[] = {root, root + chord.third, root + FIFTH, root + SEMITONES,
                         root + SEMITONES + chord.third};
    for (int step = 0; step < STEPS_PER_BAR; ++step) {
        const bool onBeat = step % STEPS_PER_QUARTER == 0;
        AddNote(arp, barTick + step * TICKS_PER_STEP, TICKS_PER_STEP - ARP_GAP_TICKS,
                tones[ARP_PATTERN[step] - '0'], onBeat ? ARP_ACCENT_VELOCITY : ARP_VELOCITY);
    }
}

// The chord in root position from the lowest root at or above `lowest`.
void AddChord(Track& track, int tick, int length, const Chord& chord, int lowest, int velocity) {
    const int root = KeyAbove(lowest, chord.root);
    AddNote(track, tick, length, root, velocity);
    AddNote(track, tick, length, root + chord.third, velocity);
    AddNote(track, tick, length, root + FIFTH, velocity);
    if (chord.seventh) {
        AddNote(track, tick, length, root + MINOR_SEVENTH, velocity);
    }
}

void AddPadBar(Track& pad, int barTick, const Chord& chord) {
    AddChord(pad, barTick, TICKS_PER_BAR - PAD_GAP_TICKS, chord, PAD_LOWEST, PAD_VELOCITY);
}

// Plays each line of the groove from `barTick`, one sixteenth per character.
void AddDrumBar(Track& drums, int barTick, const Groove& groove) {
    for (const DrumLine& line : groove) {
        for (int step = 0; line.steps[step] != '\0'; ++step) {
            if (line.steps[step] != HOLD) {
                AddNote(drums, barTick + step * TICKS_PER_STEP, DRUM_HIT_TICKS, line.key,
                        (line.steps[step] - '0') * DRUM_VELOCITY_STEP);
            }
        }
    }
}

// Bars are counted after the pickup beat.
int BarTick(int bar) {
    return PICKUP_TICKS + bar * TICKS_PER_BAR;
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
                                                      section.doubledLead) != STEPS_PER_BAR) {
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
    AddNote(song.drums, BarTick(firstBar), DRUM_HIT_TICKS, CRASH, CRASH_VELOCITY);
    return true;
}

// Toms count the groove in while the bass walks up from the dominant.
void AddPickup(Arrangement& song) {
    AddDrumBar(song.drums, 0, PICKUP);
    const Chord dominant = ParseChords(PICKUP_CHORD).front();
    AddNote(song.bass, PICKUP_BASS_STEP * TICKS_PER_STEP,
            PICKUP_TICKS - PICKUP_BASS_STEP * TICKS_PER_STEP - BASS_GAP_TICKS,
            KeyAbove(BASS_LOWEST, dominant.root), BASS_ACCENT_VELOCITY);
}

// Every part lands on the tonic at `tick` and holds it, with full reverb, to the end.
void AddFinalHit(Arrangement& song, int tick) {
    const Chord tonic = ParseChords(HIT_CHORD).front();
    const int leadKey = KeyAbove(MIDDLE_C + SEMITONES, tonic.root);
    const int bassKey = KeyAbove(BASS_LOWEST, tonic.root);
    AddNote(song.lead, tick, HIT_TICKS, leadKey, HIT_VELOCITY);
    AddNote(song.lead, tick, HIT_TICKS, leadKey - SEMITONES, HIT_VELOCITY);
    AddNote(song.bass, tick, HIT_TICKS, bassKey, HIT_VELOCITY);
    AddNote(song.bass, tick, HIT_TICKS, bassKey - SEMITONES, HIT_VELOCITY);
    AddChord(song.arp, tick, HIT_TICKS, tonic, ARP_LOWEST, HIT_VELOCITY);
    AddChord(song.pad, tick, HIT_TICKS, tonic, PAD_LOWEST, HIT_VELOCITY);
    AddNote(song.drums, tick, DRUM_HIT_TICKS, KICK, HIT_VELOCITY);
    AddNote(song.drums, tick, HIT_TICKS, CRASH, HIT_VELOCITY);
    for (Track* track : {&song.lead, &song.bass, &song.arp, &song.pad, &song.drums}) {
        AddReverbSend(*track, tick, REVERB_FULL, HIT_REVERB_BOOST);
    }
}

void PutVarLen(ByteBuffer& out, uint32_t value) {
    uint8_t groups[MAX_VAR_LEN_BYTES];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & VAR_LEN_MASK);
        value >>= VAR_LEN_BITS;
    } while (value != 0);
    while (count > 1) {
        out.push_back(groups[--count] | VAR_LEN_MORE);
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
    body.insert(body.end(), {META, META_END_OF_TRACK, 0});
    PutTag(out, "MTrk");
    PutBe32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

// Composes the tune; `endTick` is where every track ends.
bool ComposeSong(Arrangement& song, int& endTick) {
    song = {MakeConductor(),
            MakeInstrumentTrack(LEAD_VOICE),
            MakeInstrumentTrack(BASS_VOICE),
            MakeInstrumentTrack(ARP_VOICE),
            MakeInstrumentTrack(PAD_VOICE),
            MakeInstrumentTrack(DRUM_VOICE)};
    AddPickup(song);
    int totalBars = 0;
    for (const Section& section : SONG) {
        if (!AddSection(song, section, totalBars)) {
            return false;
        }
        totalBars += static_cast<int>(ParseChords(section.chords).size());
    }
    AddFinalHit(song, BarTick(totalBars));
    endTick = BarTick(totalBars) + HIT_TICKS;
    // Cut the hit while its reverb is full: the player's pause only begins once no
    // voice is sounding, and sound font releases can linger for seconds.
    for (Track* track : {&song.lead, &song.bass, &song.arp, &song.pad, &song.drums}) {
        AddChannelMessage(*track, endTick, RANK_RELEASE, CONTROL_CHANGE, CC_ALL_SOUND_OFF, 0);
    }
    return true;
}

ByteBuffer EncodeSong(const Arrangement& song, int endTick) {
    const Track* tracks[] = {&song.conductor, &song.lead, &song.bass,
                             &song.arp,       &song.pad,  &song.drums};
    ByteBuffer out;
    PutTag(out, "MThd");
    PutBe32(out, HEADER_LENGTH);
    PutBe16(out, FORMAT_MULTI_TRACK);
    PutBe16(out, static_cast<uint32_t>(std::size(tracks)));
    PutBe16(out, TICKS_PER_QUARTER);
    for (const Track* track : tracks) {
        PutTrack(out, *track, endTick);
    }
    return out;
}

}  // namespace

bool WriteMusic(const std::string& dataDir) {
    Arrangement song;
    int endTick = 0;
    const std::string dir = dataDir + "/sounds";
    return ComposeSong(song, endTick) && EnsureDirectory(dir) &&
           WriteBytes(dir + "/zelmorta.mid", EncodeSong(song, endTick));
}
