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

// Characters drawn side by side, each GRID_COLUMNS cells wide with one blank
// column between them: '#' is ink, '.' is paper.
constexpr char INK = '#';
constexpr int SHEET_PITCH = GRID_COLUMNS + 1;
struct GlyphSheet {
    const char* codes;  // the characters, left to right
    bool fullWidth;     // keep every column instead of trimming to the ink
    const char* rows[GRID_ROWS];
};

// Digits keep their full width so that a score does not shift as it counts;
// every other character is trimmed to its cells.
constexpr GlyphSheet SHEETS[] = {
    {"0123456789",
     true,
     {
         ".###. ..#.. .###. ##### ...#. ##### ..##. ##### .###. .###.",
         "#...# .##.. #...# ...#. ..##. #.... .#... ....# #...# #...#",
         "#..## ..#.. ....# ..#.. .#.#. ####. #.... ...#. #...# #...#",
         "#.#.# ..#.. ...#. ...#. #..#. ....# ####. ..#.. .###. .####",
         "##..# ..#.. ..#.. ....# ##### ....# #...# .#... #...# ....#",
         "#...# ..#.. .#... #...# ...#. #...# #...# .#... #...# ...#.",
         ".###. .###. ##### .###. ...#. .###. .###. .#... .###. .##..",
         "..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
         "..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
     }},
    {"ABCDEFGHIJKLM",
     false,
     {
         ".###. ####. .###. ###.. ##### ##### .###. #...# .###. ..### #...# #.... #...#",
         "#...# #...# #...# #..#. #.... #.... #...# #...# ..#.. ...#. #..#. #.... ##.##",
         "#...# #...# #.... #...# #.... #.... #.... #...# ..#.. ...#. #.#.. #.... #.#.#",
         "##### ####. #.... #...# ####. ####. #.### ##### ..#.. ...#. ##... #.... #.#.#",
         "#...# #...# #.... #...# #.... #.... #...# #...# ..#.. ...#. #.#.. #.... #...#",
         "#...# #...# #...# #..#. #.... #.... #...# #...# ..#.. #..#. #..#. #.... #...#",
         "#...# ####. .###. ###.. ##### #.... .#### #...# .###. .##.. #...# ##### #...#",
         "..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
         "..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
     }},
    {"NOPQRSTUVWXYZ",
     false,
     {
         "#...# .###. ####. .###. ####. .#### ##### #...# #...# #...# #...# #...# #####",
         "#...# #...# #...# #...# #...# #.... ..#.. #...# #...# #...# #...# #...# ....#",
         "##..# #...# #...# #...# #...# #.... ..#.. #...# #...# #...# .#.#. #...# ...#.",
         "#.#.# #...# ####. #...# ####. .###. ..#.. #...# #...# #.#.# ..#.. .#.#. ..#..",
         "#..## #...# #.... #.#.# #.#.. ....# ..#.. #...# #...# #.#.# .#.#. ..#.. .#...",
         "#...# #...# #.... #..#. #..#. ....# ..#.. #...# .#.#. #.#.# #...# ..#.. #....",
         "#...# .###. #.... .##.# #...# ####. ..#.. .###. ..#.. .#.#. #...# ..#.. #####",
         "..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
         "..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
     }},
    {"abcdefghijklm",
     false,
     {
         "..... #.... ..... ....# ..... ..##. ..... #.... ..#.. ...#. #.... .##.. .....",
         "..... #.... ..... ....# ..... .#..# ..... #.... ..... ..... #.... ..#.. .....",
         ".###. #.##. .###. .##.# .###. .#... .#### #.##. .##.. ..##. #..#. ..#.. ##.#.",
         "....# ##..# #.... #..## #...# ###.. #...# ##..# ..#.. ...#. #.#.. ..#.. #.#.#",
         ".#### #...# #.... #...# ##### .#... #...# #...# ..#.. ...#. ##... ..#.. #.#.#",
         "#...# #...# #...# #...# #.... .#... #...# #...# ..#.. ...#. #.#.. ..#.. #...#",
         ".#### ####. .###. .#### .###. .#... .#### #...# .###. ...#. #..#. .###. #...#",
         "..... ..... ..... ..... ..... ..... ....# ..... ..... #..#. ..... ..... .....",
         "..... ..... ..... ..... ..... ..... .###. ..... ..... .##.. ..... ..... .....",
     }},
    {"nopqrstuvwxyz",
     false,
     {
         "..... ..... ..... ..... ..... ..... .#... ..... ..... ..... ..... ..... .....",
         "..... ..... ..... ..... ..... ..... .#... ..... ..... ..... ..... ..... .....",
         "#.##. .###. ####. .#### #.##. .#### ###.. #...# #...# #...# #...# #...# #####",
         "##..# #...# #...# #...# ##..# #.... .#... #...# #...# #...# .#.#. #...# ...#.",
         "#...# #...# #...# #...# #.... .###. .#... #...# #...# #.#.# ..#.. #...# ..#..",
         "#...# #...# #...# #...# #.... ....# .#..# #..## .#.#. #.#.# .#.#. #...# .#...",
         "#...# .###. ####. .#### #.... ####. ..##. .##.# ..#.. .#.#. #...# .#### #####",
         "..... ..... #.... ....# ..... ..... ..... ..... ..... ..... ..... ....# .....",
         "..... ..... #.... ....# ..... ..... ..... ..... ..... ..... ..... .###. .....",
     }},
    {".,:-!?'/",
     false,
     {
         "..... ..... ..... ..... ..#.. .###. ..#.. ....#",
         "..... ..... .##.. ..... ..#.. #...# ..#.. ....#",
         "..... ..... .##.. ..... ..#.. ....# .#... ...#.",
         "..... ..... ..... .###. ..#.. ...#. ..... ..#..",
         "..... ..... .##.. ..... ..#.. ..#.. ..... .#...",
         ".##.. .##.. .##.. ..... ..... ..... ..... #....",
         ".##.. .##.. ..... ..... ..#.. ..#.. ..... #....",
         "..... ..#.. ..... ..... ..... ..... ..... .....",
         "..... .#... ..... ..... ..... ..... ..... .....",
     }},
};
// Shown for any character the font lacks; it has no code of its own.
constexpr GlyphSheet MISSING = {"",
                                true,
                                {
                                    "#####",
                                    "#...#",
                                    "#...#",
                                    "#...#",
                                    "#...#",
                                    "#...#",
                                    "#####",
                                    ".....",
                                    ".....",
                                }};

// Whether every row of the sheet holds exactly `count` characters' cells, so
// that reading a glyph never runs past the end of a row.
constexpr bool SheetFits(const GlyphSheet& sheet, size_t count) {
    for (const char* row : sheet.rows) {
        if (std::char_traits<char>::length(row) != count * SHEET_PITCH - 1) {
            return false;
        }
    }
    return true;
}

constexpr bool SheetsFit() {
    for (const GlyphSheet& sheet : SHEETS) {
        if (!SheetFits(sheet, std::char_traits<char>::length(sheet.codes))) {
            return false;
        }
    }
    return SheetFits(MISSING, 1);
}
static_assert(SheetsFit(), "a glyph sheet's rows do not match its characters");

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

static bool Cell(const GlyphSheet& sheet, int index, int row, int col) {
    return sheet.rows[row][index * SHEET_PITCH + col] == INK;
}

// The cells of the sheet's glyph at `index` as rectangles: runs along each
// row, joined with the same run in the rows below. Rectangles meet edge to
// edge and never overlap.
static Glyph MakeGlyph(const GlyphSheet& sheet, int index, uint16_t code) {
    int first = GRID_COLUMNS;
    int last = -1;
    for (int row = 0; row < GRID_ROWS; ++row) {
        for (int col = 0; col < GRID_COLUMNS; ++col) {
            if (Cell(sheet, index, row, col)) {
                first = std::min(first, col);
                last = std::max(last, col);
            }
        }
    }
    if (sheet.fullWidth) {
        first = 0;
        last = GRID_COLUMNS - 1;
    }
    Glyph glyph{code, (last - first + 1 + LETTER_GAP_PIXELS) * FONT_PIXEL, {}};
    std::vector<Box> open;
    for (int row = 0; row <= GRID_ROWS; ++row) {
        std::vector<Box> runs;
        for (int col = 0; row < GRID_ROWS && col < GRID_COLUMNS; ++col) {
            if (!Cell(sheet, index, row, col)) {
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

// TrueType tables are padded with zeros to whole four-byte words.
constexpr size_t WORD_BYTES = 4;

static void PutZeros(ByteBuffer& out, int count) {
    out.insert(out.end(), static_cast<size_t>(count), 0);
}

static size_t WordAligned(size_t size) {
    return (size + WORD_BYTES - 1) / WORD_BYTES * WORD_BYTES;
}

static void PadToWord(ByteBuffer& out) {
    out.resize(WordAligned(out.size()), 0);
}

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
constexpr uint8_t ON_CURVE = 1;
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
    Font font{{MakeGlyph(MISSING, 0, 0)}, {0, 0, 0, 0}, 0, 0};
    font.glyphs.push_back(Glyph{' ', SPACE_ADVANCE_PIXELS * FONT_PIXEL, {}});
    for (const GlyphSheet& sheet : SHEETS) {
        for (int index = 0; sheet.codes[index] != '\0'; ++index) {
            font.glyphs.push_back(
                MakeGlyph(sheet, index, static_cast<uint16_t>(sheet.codes[index])));
        }
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
static void GlyphTables(const Font& font, ByteBuffer& glyf, ByteBuffer& loca) {
    for (const Glyph& glyph : font.glyphs) {
        PutBe32(loca, static_cast<uint32_t>(glyf.size()));
        if (glyph.boxes.empty()) {
            continue;
        }
        Box bounds = GlyphBounds(glyph);
        PutBe16(glyf, static_cast<uint32_t>(glyph.boxes.size()));
        for (int v : {bounds.left, bounds.bottom, bounds.right, bounds.top}) {
            PutBe16(glyf, v);
        }
        for (size_t i = 0; i < glyph.boxes.size(); ++i) {
            PutBe16(glyf, static_cast<uint32_t>((i + 1) * POINTS_PER_BOX - 1));
        }
        PutBe16(glyf, 0);  // no instructions
        for (size_t i = 0; i < glyph.boxes.size() * POINTS_PER_BOX; ++i) {
            glyf.push_back(ON_CURVE);
        }
        std::vector<std::pair<int, int>> points;
        for (const Box& b : glyph.boxes) {
            points.insert(
                points.end(),
                {{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}});
        }
        int x = 0;
        for (const auto& p : points) {
            PutBe16(glyf, p.first - x);
            x = p.first;
        }
        int y = 0;
        for (const auto& p : points) {
            PutBe16(glyf, p.second - y);
            y = p.second;
        }
        PadToWord(glyf);
    }
    PutBe32(loca, static_cast<uint32_t>(glyf.size()));
}

static ByteBuffer HeadTable(const Font& font) {
    ByteBuffer w;
    PutBe32(w, VERSION_1);
    PutBe32(w, VERSION_1);  // font revision
    PutBe32(w, 0);          // checksum adjustment, set once the file is laid out
    PutBe32(w, HEAD_MAGIC);
    PutBe16(w, HEAD_FLAGS);
    PutBe16(w, UNITS_PER_EM);
    PutZeros(w, 16);  // created and modified: left out so the file is reproducible
    for (int v : {font.bounds.left, font.bounds.bottom, font.bounds.right, font.bounds.top}) {
        PutBe16(w, v);
    }
    PutBe16(w, MAC_STYLE_BOLD);
    PutBe16(w, LOWEST_PPEM);
    PutBe16(w, 2);  // font direction: left to right, with neutrals
    PutBe16(w, LONG_OFFSETS);
    PutBe16(w, 0);  // glyph data format
    return w;
}

static ByteBuffer HheaTable(const Font& font) {
    ByteBuffer w;
    PutBe32(w, VERSION_1);
    PutBe16(w, ASCENT_PIXELS * FONT_PIXEL);
    PutBe16(w, -DESCENT_PIXELS * FONT_PIXEL);
    PutBe16(w, 0);  // line gap
    PutBe16(w, font.maxAdvance);
    PutBe16(w, 0);  // least left bearing
    PutBe16(w, 0);  // least right bearing
    PutBe16(w, font.bounds.right);
    PutBe16(w, 1);  // caret: upright
    PutBe16(w, 0);
    PutZeros(w, 12);  // caret offset, reserved, metric data format
    PutBe16(w, static_cast<uint32_t>(font.glyphs.size()));
    return w;
}

static ByteBuffer MaxpTable(const Font& font) {
    ByteBuffer w;
    PutBe32(w, VERSION_1);
    PutBe16(w, static_cast<uint32_t>(font.glyphs.size()));
    PutBe16(w, font.maxBoxes * POINTS_PER_BOX);
    PutBe16(w, font.maxBoxes);
    PutZeros(w, 4);  // no composite glyphs
    PutBe16(w, 2);   // zones
    PutZeros(w, 8);  // twilight points, storage, function and instruction definitions
    PutBe16(w, 1);   // stack depth of the control program
    PutZeros(w, 6);  // instructions per glyph, components
    return w;
}

static ByteBuffer HmtxTable(const Font& font) {
    ByteBuffer w;
    for (const Glyph& glyph : font.glyphs) {
        PutBe16(w, glyph.advance);
        PutBe16(w, glyph.boxes.empty() ? 0 : GlyphBounds(glyph).left);
    }
    return w;
}

// A segmented map: one segment per run of consecutive codes, then the closing
// segment every map ends with.
static ByteBuffer CmapTable(const Font& font) {
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
    ByteBuffer w;
    PutBe16(w, 0);
    PutBe16(w, 1);
    PutBe16(w, PLATFORM_WINDOWS);
    PutBe16(w, ENCODING_UNICODE_BMP);
    PutBe32(w, 12);  // the subtable follows this header
    PutBe16(w, CMAP_SEGMENTED);
    PutBe16(w, 16 + count * 8);
    PutBe16(w, 0);  // language
    PutBe16(w, count * 2);
    PutBe16(w, power * 2);
    PutBe16(w, log2);
    PutBe16(w, (count - power) * 2);
    for (const Segment& s : segments) {
        PutBe16(w, s.last);
    }
    PutBe16(w, 0);  // reserved
    for (const Segment& s : segments) {
        PutBe16(w, s.first);
    }
    for (const Segment& s : segments) {
        PutBe16(w, s.glyph - s.first);
    }
    PutZeros(w, count * 2);  // no glyph index arrays
    return w;
}

static ByteBuffer NameTable() {
    const struct {
        int id;
        const char* text;
    } names[] = {{NAME_FAMILY, "Korvane Blocks"},
                 {NAME_STYLE, "Bold"},
                 {NAME_FULL, "Korvane Blocks Bold"},
                 {NAME_POSTSCRIPT, "KorvaneBlocks-Bold"}};
    constexpr int RECORD_BYTES = 12;
    constexpr int COUNT = sizeof(names) / sizeof(names[0]);
    ByteBuffer w;
    PutBe16(w, 0);
    PutBe16(w, COUNT);
    PutBe16(w, 6 + COUNT * RECORD_BYTES);
    ByteBuffer strings;
    for (const auto& name : names) {
        int length = static_cast<int>(std::string(name.text).size()) * 2;
        PutBe16(w, PLATFORM_WINDOWS);
        PutBe16(w, ENCODING_UNICODE_BMP);
        PutBe16(w, LANGUAGE_US_ENGLISH);
        PutBe16(w, name.id);
        PutBe16(w, length);
        PutBe16(w, static_cast<uint32_t>(strings.size()));
        for (const char* c = name.text; *c != 0; ++c) {
            PutBe16(strings, *c);
        }
    }
    w.insert(w.end(), strings.begin(), strings.end());
    return w;
}

static ByteBuffer PostTable() {
    ByteBuffer w;
    PutBe32(w, 0x00030000);  // no glyph names
    PutBe32(w, 0);           // upright
    PutBe16(w, -FONT_PIXEL);
    PutBe16(w, FONT_PIXEL);
    PutZeros(w, 20);  // proportional; memory hints
    return w;
}

static ByteBuffer Os2Table(const Font& font) {
    ByteBuffer w;
    PutBe16(w, OS2_VERSION);
    int advances = 0;
    for (const Glyph& glyph : font.glyphs) {
        advances += glyph.advance;
    }
    PutBe16(w, advances / static_cast<int>(font.glyphs.size()));
    PutBe16(w, WEIGHT_BOLD);
    PutBe16(w, WIDTH_NORMAL);
    PutBe16(w, 0);  // no embedding restrictions
    // Sub- and superscripts: size, then offset, each across and up.
    for (int v : {4, 4, 0, 1, 4, 4, 0, 4}) {
        PutBe16(w, v * FONT_PIXEL);
    }
    PutBe16(w, FONT_PIXEL);      // strikeout size
    PutBe16(w, FONT_PIXEL * 3);  // strikeout position
    PutBe16(w, 0);               // family class
    PutZeros(w, 10);             // panose
    PutBe32(w, 1);               // Basic Latin
    PutZeros(w, 12);
    PutTag(w, "KRVN");
    PutBe16(w, FS_SELECTION_BOLD);
    PutBe16(w, font.glyphs[1].code);
    PutBe16(w, font.glyphs.back().code);
    PutBe16(w, ASCENT_PIXELS * FONT_PIXEL);
    PutBe16(w, -DESCENT_PIXELS * FONT_PIXEL);
    PutBe16(w, 0);
    PutBe16(w, ASCENT_PIXELS * FONT_PIXEL);
    PutBe16(w, DESCENT_PIXELS * FONT_PIXEL);
    PutBe32(w, LATIN_1_CODE_PAGE);
    PutBe32(w, 0);
    return w;
}

// A control program that does nothing. Its presence tells the renderer the
// font is hinted, so the outlines are used as drawn instead of being moved by
// an automatic hinter.
static ByteBuffer PrepTable() {
    constexpr uint8_t PUSH_ONE_BYTE = 0xB0;
    constexpr uint8_t POP = 0x21;
    return ByteBuffer{PUSH_ONE_BYTE, 0, POP};
}

// The sum of the bytes read as big-endian words, the last one padded with zeros.
static uint32_t Checksum(const ByteBuffer& bytes) {
    uint32_t sum = 0;
    for (size_t i = 0; i < bytes.size(); i += WORD_BYTES) {
        uint32_t word = 0;
        for (size_t k = 0; k < WORD_BYTES; ++k) {
            word = word << BITS_PER_BYTE | (i + k < bytes.size() ? bytes[i + k] : 0);
        }
        sum += word;
    }
    return sum;
}

// The file: the table directory, then the tables in tag order, each padded to
// four bytes.
static ByteBuffer FontFile(const Font& font) {
    ByteBuffer glyf;
    ByteBuffer loca;
    GlyphTables(font, glyf, loca);
    const std::pair<const char*, ByteBuffer> tables[] = {{"OS/2", Os2Table(font)},
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
    ByteBuffer file;
    PutBe32(file, VERSION_1);
    PutBe16(file, COUNT);
    PutBe16(file, SEARCH_POWER * ENTRY_BYTES);
    PutBe16(file, SEARCH_LOG2);
    PutBe16(file, (COUNT - SEARCH_POWER) * ENTRY_BYTES);
    uint32_t offset = HEADER_BYTES + COUNT * ENTRY_BYTES;
    size_t headOffset = 0;
    for (const auto& [tag, table] : tables) {
        PutTag(file, tag);
        PutBe32(file, Checksum(table));
        PutBe32(file, offset);
        PutBe32(file, static_cast<uint32_t>(table.size()));
        if (std::string(tag) == "head") {
            headOffset = offset;
        }
        offset += static_cast<uint32_t>(WordAligned(table.size()));
    }
    for (const auto& entry : tables) {
        file.insert(file.end(), entry.second.begin(), entry.second.end());
        PadToWord(file);
    }
    ByteBuffer adjustment;
    PutBe32(adjustment, CHECKSUM_TARGET - Checksum(file));
    std::copy(adjustment.begin(), adjustment.end(),
              file.begin() + static_cast<long>(headOffset + ADJUSTMENT_AT));
    return file;
}

bool WriteFont(const std::string& path) {
    return WriteBytes(path, FontFile(MakeFont()));
}
