# Lists the instruments a standard MIDI file plays: "program P" for every
# General MIDI program sounding a note on a melodic channel, "drum N" for every
# note on the drum channel (10). Reads the file as decimal bytes, one a line:
#     od -An -v -tu1 -w1 tune.mid | awk -f midi-instruments.awk | sort -u
# Tracks are read one after another; a program change holds for its channel
# until the next one, as it does when the tracks are set at their start.
BEGIN {
    DRUM_CHANNEL = 9
    for (c = 0; c < 16; c++) program[c] = 0
}
{ byte[n++] = $1 + 0 }

function word(at, size,    v, i) {
    v = 0
    for (i = 0; i < size; i++) v = v * 256 + byte[at + i]
    return v
}
function tag(at) {
    return sprintf("%c%c%c%c", byte[at], byte[at + 1], byte[at + 2], byte[at + 3])
}
# Reads a variable-length number at pos, leaving pos after it.
function varlen(    v, b) {
    v = 0
    do {
        b = byte[pos++]
        v = v * 128 + b % 128
    } while (b >= 128)
    return v
}

END {
    if (n < 14 || tag(0) != "MThd") {
        print "not a MIDI file" > "/dev/stderr"
        exit 1
    }
    at = 8 + word(4, 4)
    while (at + 8 <= n) {
        size = word(at + 4, 4)
        if (tag(at) == "MTrk") read_track(at + 8, at + 8 + size)
        at += 8 + size
    }
}

function read_track(start, end,    status, kind, channel, a, b) {
    pos = start
    status = 0
    while (pos < end) {
        varlen()
        if (byte[pos] >= 128) status = byte[pos++]
        if (status == 255) {                 # meta event: type, length, data
            pos++
            pos += varlen()
            status = 0
            continue
        }
        if (status == 240 || status == 247) { # system exclusive
            pos += varlen()
            status = 0
            continue
        }
        kind = int(status / 16)
        channel = status % 16
        a = byte[pos++]
        if (kind == 12 || kind == 13) {      # program change, channel pressure
            if (kind == 12) program[channel] = a
            continue
        }
        b = byte[pos++]
        if (kind == 9 && b > 0) {
            if (channel == DRUM_CHANNEL) print "drum " a
            else print "program " program[channel]
        }
    }
}
