#include "gen_font.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gen_files.h"

// The letters are drawn on a grid of font pixels, ten to the em. With 1280
// units to the em, one unit is 1/64 of a screen pixel at 20 points (72 dpi),
// so every edge, bearing, advance, ascent and descent is a whole number of
// screen pixels there: one font pixel is two screen pixels at 20 points, three
// at 30, ten at 100.
constexpr int UNITS_PER_EM = 1280;
constexpr int FONT_PIXEL = 128;
// A glyph's grid: rows 0..6 stand on the baseline, rows 7..8 hang below it.
constexpr int GRID_ROWS = 9;
constexpr int GRID_COLUMNS = 5;
constexpr int BASELINE_ROW = 7;
constexpr int ASCENT_PIXELS = 8;
constexpr int DESCENT_PIXELS = 2;
constexpr int SPACE_ADVANCE_PIXELS = 3;
// The gap after each letter.
constexpr int LETTER_GAP_PIXELS = 1;

// One character: each row's five cells as bits, the leftmost cell highest.
struct GlyphRows {
    char code;
    uint8_t rows[GRID_ROWS];
};

// Digits keep their full width so that a score does not shift as it counts;
// every other character is trimmed to its cells.
constexpr GlyphRows GLYPHS[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}},
    {'b', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x1E}},
    {'c', {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E}},
    {'d', {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F}},
    {'e', {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}},
    {'f', {0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x08}},
    {'g', {0x00, 0x00, 0x0F, 0x11, 0x11, 0x11, 0x0F, 0x01, 0x0E}},
    {'h', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {'i', {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E}},
    {'j', {0x02, 0x00, 0x06, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'k', {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12}},
    {'l', {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'m', {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11}},
    {'n', {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {'o', {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E}},
    {'p', {0x00, 0x00, 0x1E, 0x11, 0x11, 0x11, 0x1E, 0x10, 0x10}},
    {'q', {0x00, 0x00, 0x0F, 0x11, 0x11, 0x11, 0x0F, 0x01, 0x01}},
    {'r', {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10}},
    {'s', {0x00, 0x00, 0x0F, 0x10, 0x0E, 0x01, 0x1E}},
    {'t', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}},
    {'u', {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D}},
    {'v', {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'w', {0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A}},
    {'x', {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}},
    {'y', {0x00, 0x00, 0x11, 0x11, 0x11, 0x11, 0x0F, 0x01, 0x0E}},
    {'z', {0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {',', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C, 0x04, 0x08}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00}},
    {'!', {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}},
    {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
    {'\'', {0x04, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00}},
    {'/', {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10}},
};
// Shown for any character the font lacks.
constexpr GlyphRows MISSING = {0, {0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F}};

// An axis-aligned rectangle in font units, y up.
struct Box {
    int left;
    int bottom;
    int right;
    int top;
};

struct Glyph {
    uint16_t code;
    int advance;
    std::vector<Box> boxes;
};

static bool Cell(const GlyphRows& g, int row, int col) {
    return (g.rows[row] >> (GRID_COLUMNS - 1 - col) & 1) != 0;
}

// The glyph's cells as rectangles: runs along each row, joined with the same
// run in the rows below. Rectangles meet edge to edge and never overlap.
static Glyph MakeGlyph(const GlyphRows& g, bool trim) {
    int first = GRID_COLUMNS;
    int last = -1;
    for (int row = 0; row < GRID_ROWS; ++row) {
        for (int col = 0; col < GRID_COLUMNS; ++col) {
            if (Cell(g, row, col)) {
                first = std::min(first, col);
                last = std::max(last, col);
            }
        }
    }
    if (!trim) {
        first = 0;
        last = GRID_COLUMNS - 1;
    }
    Glyph glyph{
        static_cast<uint16_t>(g.code), (last - first + 1 + LETTER_GAP_PIXELS) * FONT_PIXEL, {}};
    std::vector<Box> open;
    for (int row = 0; row <= GRID_ROWS; ++row) {
        std::vector<Box> runs;
        for (int col = 0; row < GRID_ROWS && col < GRID_COLUMNS; ++col) {
            if (!Cell(g, row, col)) {
                continue;
            }
            int top = (BASELINE_ROW - row) * FONT_PIXEL;
            int left = (col - first) * FONT_PIXEL;
            if (!runs.empty() && runs.back().right == left) {
                runs.back().right += FONT_PIXEL;
            } else {
                runs.push_back(Box{left, top - FONT_PIXEL, left + FONT_PIXEL, top});
            }
        }
        for (const Box& box : open) {
            auto same = std::find_if(runs.begin(), runs.end(), [&](const Box& run) {
                return run.left == box.left && run.right == box.right;
            });
            if (same == runs.end()) {
                glyph.boxes.push_back(box);
            } else {
                same->top = box.top;
            }
        }
        open = runs;
    }
    return glyph;
}

// Big-endian bytes, as every TrueType table stores its numbers.
struct Writer {
    std::vector<uint8_t> bytes;

    void U8(int v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void U16(int v) {
        U8(v >> 8);
        U8(v);
    }
    void U32(uint32_t v) {
        U16(static_cast<int>(v >> 16));
        U16(static_cast<int>(v & 0xFFFF));
    }
    void Tag(const char* tag) { bytes.insert(bytes.end(), tag, tag + 4); }
    void Zeros(int count) { bytes.insert(bytes.end(), static_cast<size_t>(count), 0); }
    void PadTo4() {
        while (bytes.size() % 4 != 0) {
            U8(0);
        }
    }
};

constexpr uint32_t VERSION_1 = 0x00010000;
constexpr uint32_t HEAD_MAGIC = 0x5F0F3CF5;
constexpr uint32_t CHECKSUM_TARGET = 0xB1B0AFBA;
// head: y = 0 is the baseline, x = 0 the left bearing, sizes in whole ppem.
constexpr int HEAD_FLAGS = 0x000B;
constexpr int MAC_STYLE_BOLD = 1;
constexpr int WEIGHT_BOLD = 700;
constexpr int WIDTH_NORMAL = 5;
constexpr int FS_SELECTION_BOLD = 0x20;
constexpr int LOWEST_PPEM = 10;
constexpr int LONG_OFFSETS = 1;
constexpr int ON_CURVE = 1;
constexpr int POINTS_PER_BOX = 4;
constexpr int PLATFORM_WINDOWS = 3;
constexpr int ENCODING_UNICODE_BMP = 1;
constexpr int LANGUAGE_US_ENGLISH = 0x409;
constexpr int CMAP_SEGMENTED = 4;
constexpr int LAST_CODE = 0xFFFF;
constexpr uint32_t LATIN_1_CODE_PAGE = 1;
constexpr int OS2_VERSION = 1;
constexpr int NAME_FAMILY = 1;
constexpr int NAME_STYLE = 2;
constexpr int NAME_FULL = 4;
constexpr int NAME_POSTSCRIPT = 6;

struct Font {
    std::vector<Glyph> glyphs;  // the missing glyph first, then by code
    Box bounds;
    int maxAdvance;
    int maxBoxes;
};

static Font MakeFont() {
    Font font{{MakeGlyph(MISSING, true)}, {0, 0, 0, 0}, 0, 0};
    font.glyphs.push_back(Glyph{' ', SPACE_ADVANCE_PIXELS * FONT_PIXEL, {}});
    for (const GlyphRows& g : GLYPHS) {
        font.glyphs.push_back(MakeGlyph(g, g.code < '0' || g.code > '9'));
    }
    std::sort(font.glyphs.begin() + 1, font.glyphs.end(),
              [](const Glyph& a, const Glyph& b) { return a.code < b.code; });
    for (const Glyph& glyph : font.glyphs) {
        font.maxAdvance = std::max(font.maxAdvance, glyph.advance);
        font.maxBoxes = std::max(font.maxBoxes, static_cast<int>(glyph.boxes.size()));
        for (const Box& b : glyph.boxes) {
            font.bounds.bottom = std::min(font.bounds.bottom, b.bottom);
            font.bounds.right = std::max(font.bounds.right, b.right);
            font.bounds.top = std::max(font.bounds.top, b.top);
        }
    }
    return font;
}

static Box GlyphBounds(const Glyph& glyph) {
    Box bounds = glyph.boxes.front();
    for (const Box& b : glyph.boxes) {
        bounds = Box{std::min(bounds.left, b.left), std::min(bounds.bottom, b.bottom),
                     std::max(bounds.right, b.right), std::max(bounds.top, b.top)};
    }
    return bounds;
}

// glyf and loca: each rectangle a clockwise contour of four corner points.
static void GlyphTables(const Font& font, Writer& glyf, Writer& loca) {
    for (const Glyph& glyph : font.glyphs) {
        loca.U32(static_cast<uint32_t>(glyf.bytes.size()));
        if (glyph.boxes.empty()) {
            continue;
        }
        Box bounds = GlyphBounds(glyph);
        glyf.U16(static_cast<int>(glyph.boxes.size()));
        for (int v : {bounds.left, bounds.bottom, bounds.right, bounds.top}) {
            glyf.U16(v);
        }
        for (size_t i = 0; i < glyph.boxes.size(); ++i) {
            glyf.U16(static_cast<int>((i + 1) * POINTS_PER_BOX - 1));
        }
        glyf.U16(0);  // no instructions
        for (size_t i = 0; i < glyph.boxes.size() * POINTS_PER_BOX; ++i) {
            glyf.U8(ON_CURVE);
        }
        std::vector<std::pair<int, int>> points;
        for (const Box& b : glyph.boxes) {
            points.insert(
                points.end(),
                {{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}});
        }
        int x = 0;
        for (const auto& p : points) {
            glyf.U16(p.first - x);
            x = p.first;
        }
        int y = 0;
        for (const auto& p : points) {
            glyf.U16(p.second - y);
            y = p.second;
        }
        glyf.PadTo4();
    }
    loca.U32(static_cast<uint32_t>(glyf.bytes.size()));
}

static Writer HeadTable(const Font& font) {
    Writer w;
    w.U32(VERSION_1);
    w.U32(VERSION_1);  // font revision
    w.U32(0);          // checksum adjustment, set once the file is laid out
    w.U32(HEAD_MAGIC);
    w.U16(HEAD_FLAGS);
    w.U16(UNITS_PER_EM);
    w.Zeros(16);  // created and modified: left out so the file is reproducible
    for (int v : {font.bounds.left, font.bounds.bottom, font.bounds.right, font.bounds.top}) {
        w.U16(v);
    }
    w.U16(MAC_STYLE_BOLD);
    w.U16(LOWEST_PPEM);
    w.U16(2);  // font direction: left to right, with neutrals
    w.U16(LONG_OFFSETS);
    w.U16(0);  // glyph data format
    return w;
}

static Writer HheaTable(const Font& font) {
    Writer w;
    w.U32(VERSION_1);
    w.U16(ASCENT_PIXELS * FONT_PIXEL);
    w.U16(-DESCENT_PIXELS * FONT_PIXEL);
    w.U16(0);  // line gap
    w.U16(font.maxAdvance);
    w.U16(0);  // least left bearing
    w.U16(0);  // least right bearing
    w.U16(font.bounds.right);
    w.U16(1);  // caret: upright
    w.U16(0);
    w.Zeros(12);  // caret offset, reserved, metric data format
    w.U16(static_cast<int>(font.glyphs.size()));
    return w;
}

static Writer MaxpTable(const Font& font) {
    Writer w;
    w.U32(VERSION_1);
    w.U16(static_cast<int>(font.glyphs.size()));
    w.U16(font.maxBoxes * POINTS_PER_BOX);
    w.U16(font.maxBoxes);
    w.Zeros(4);  // no composite glyphs
    w.U16(2);    // zones
    w.Zeros(8);  // twilight points, storage, function and instruction definitions
    w.U16(1);    // stack depth of the control program
    w.Zeros(6);  // instructions per glyph, components
    return w;
}

static Writer HmtxTable(const Font& font) {
    Writer w;
    for (const Glyph& glyph : font.glyphs) {
        w.U16(glyph.advance);
        w.U16(glyph.boxes.empty() ? 0 : GlyphBounds(glyph).left);
    }
    return w;
}

// A segmented map: one segment per run of consecutive codes, then the closing
// segment every map ends with.
static Writer CmapTable(const Font& font) {
    struct Segment {
        int first;
        int last;
        int glyph;
    };
    std::vector<Segment> segments;
    for (size_t i = 1; i < font.glyphs.size(); ++i) {
        int code = font.glyphs[i].code;
        if (!segments.empty() && segments.back().last + 1 == code) {
            segments.back().last = code;
        } else {
            segments.push_back(Segment{code, code, static_cast<int>(i)});
        }
    }
    segments.push_back(Segment{LAST_CODE, LAST_CODE, 0});
    int count = static_cast<int>(segments.size());
    int power = 1;
    int log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    Writer w;
    w.U16(0);
    w.U16(1);
    w.U16(PLATFORM_WINDOWS);
    w.U16(ENCODING_UNICODE_BMP);
    w.U32(12);  // the subtable follows this header
    w.U16(CMAP_SEGMENTED);
    w.U16(16 + count * 8);
    w.U16(0);  // language
    w.U16(count * 2);
    w.U16(power * 2);
    w.U16(log2);
    w.U16((count - power) * 2);
    for (const Segment& s : segments) {
        w.U16(s.last);
    }
    w.U16(0);  // reserved
    for (const Segment& s : segments) {
        w.U16(s.first);
    }
    for (const Segment& s : segments) {
        w.U16(s.glyph - s.first);
    }
    w.Zeros(count * 2);  // no glyph index arrays
    return w;
}

static Writer NameTable() {
    const struct {
        int id;
        const char* text;
    } names[] = {{NAME_FAMILY, "Korvane Blocks"},
                 {NAME_STYLE, "Bold"},
                 {NAME_FULL, "Korvane Blocks Bold"},
                 {NAME_POSTSCRIPT, "KorvaneBlocks-Bold"}};
    constexpr int RECORD_BYTES = 12;
    constexpr int COUNT = sizeof(names) / sizeof(names[0]);
    Writer w;
    w.U16(0);
    w.U16(COUNT);
    w.U16(6 + COUNT * RECORD_BYTES);
    Writer strings;
    for (const auto& name : names) {
        int length = static_cast<int>(std::string(name.text).size()) * 2;
        w.U16(PLATFORM_WINDOWS);
        w.U16(ENCODING_UNICODE_BMP);
        w.U16(LANGUAGE_US_ENGLISH);
        w.U16(name.id);
        w.U16(length);
        w.U16(static_cast<int>(strings.bytes.size()));
        for (const char* c = name.text; *c != 0; ++c) {
            strings.U16(*c);
        }
    }
    w.bytes.insert(w.bytes.end(), strings.bytes.begin(), strings.bytes.end());
    return w;
}

static Writer PostTable() {
    Writer w;
    w.U32(0x00030000);  // no glyph names
    w.U32(0);           // upright
    w.U16(-FONT_PIXEL);
    w.U16(FONT_PIXEL);
    w.Zeros(20);  // proportional; memory hints
    return w;
}

static Writer Os2Table(const Font& font) {
    Writer w;
    w.U16(OS2_VERSION);
    int advances = 0;
    for (const Glyph& glyph : font.glyphs) {
        advances += glyph.advance;
    }
    w.U16(advances / static_cast<int>(font.glyphs.size()));
    w.U16(WEIGHT_BOLD);
    w.U16(WIDTH_NORMAL);
    w.U16(0);  // no embedding restrictions
    // Sub- and superscripts: size, then offset, each across and up.
    for (int v : {4, 4, 0, 1, 4, 4, 0, 4}) {
        w.U16(v * FONT_PIXEL);
    }
    w.U16(FONT_PIXEL);      // strikeout size
    w.U16(FONT_PIXEL * 3);  // strikeout position
    w.U16(0);               // family class
    w.Zeros(10);            // panose
    w.U32(1);               // Basic Latin
    w.Zeros(12);
    w.Tag("KRVN");
    w.U16(FS_SELECTION_BOLD);
    w.U16(font.glyphs[1].code);
    w.U16(font.glyphs.back().code);
    w.U16(ASCENT_PIXELS * FONT_PIXEL);
    w.U16(-DESCENT_PIXELS * FONT_PIXEL);
    w.U16(0);
    w.U16(ASCENT_PIXELS * FONT_PIXEL);
    w.U16(DESCENT_PIXELS * FONT_PIXEL);
    w.U32(LATIN_1_CODE_PAGE);
    w.U32(0);
    return w;
}

// A control program that does nothing. Its presence tells the renderer the
// font is hinted, so the outlines are used as drawn instead of being moved by
// an automatic hinter.
static Writer PrepTable() {
    constexpr int PUSH_ONE_BYTE = 0xB0;
    constexpr int POP = 0x21;
    Writer w;
    w.U8(PUSH_ONE_BYTE);
    w.U8(0);
    w.U8(POP);
    return w;
}

static uint32_t Checksum(const std::vector<uint8_t>& bytes) {
    uint32_t sum = 0;
    for (size_t i = 0; i < bytes.size(); i += 4) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k) {
            word = word << 8 | (i + k < bytes.size() ? bytes[i + k] : 0);
        }
        sum += word;
    }
    return sum;
}

// The file: the table directory, then the tables in tag order, each padded to
// four bytes.
static std::vector<uint8_t> FontFile(const Font& font) {
    Writer glyf;
    Writer loca;
    GlyphTables(font, glyf, loca);
    const std::pair<const char*, Writer> tables[] = {{"OS/2", Os2Table(font)},
                                                     {"cmap", CmapTable(font)},
                                                     {"glyf", glyf},
                                                     {"head", HeadTable(font)},
                                                     {"hhea", HheaTable(font)},
                                                     {"hmtx", HmtxTable(font)},
                                                     {"loca", loca},
                                                     {"maxp", MaxpTable(font)},
                                                     {"name", NameTable()},
                                                     {"post", PostTable()},
                                                     {"prep", PrepTable()}};
    constexpr int COUNT = sizeof(tables) / sizeof(tables[0]);
    constexpr int SEARCH_POWER = 8;
    constexpr int SEARCH_LOG2 = 3;
    constexpr int HEADER_BYTES = 12;
    constexpr int ENTRY_BYTES = 16;
    constexpr size_t ADJUSTMENT_AT = 8;
    Writer file;
    file.U32(VERSION_1);
    file.U16(COUNT);
    file.U16(SEARCH_POWER * ENTRY_BYTES);
    file.U16(SEARCH_LOG2);
    file.U16((COUNT - SEARCH_POWER) * ENTRY_BYTES);
    uint32_t offset = HEADER_BYTES + COUNT * ENTRY_BYTES;
    size_t headOffset = 0;
    for (const auto& [tag, table] : tables) {
        file.Tag(tag);
        file.U32(Checksum(table.bytes));
        file.U32(offset);
        file.U32(static_cast<uint32_t>(table.bytes.size()));
        if (std::string(tag) == "head") {
            headOffset = offset;
        }
        offset += static_cast<uint32_t>((table.bytes.size() + 3) & ~size_t(3));
    }
    for (const auto& entry : tables) {
        file.bytes.insert(file.bytes.end(), entry.second.bytes.begin(), entry.second.bytes.end());
        file.PadTo4();
    }
    uint32_t adjustment = CHECKSUM_TARGET - Checksum(file.bytes);
    for (size_t k = 0; k < 4; ++k) {
        file.bytes[headOffset + ADJUSTMENT_AT + k] =
            static_cast<uint8_t>(adjustment >> (24 - 8 * k));
    }
    return file.bytes;
}

bool WriteFont(const std::string& path) {
    return WriteBytes(path, FontFile(MakeFont()));
}
