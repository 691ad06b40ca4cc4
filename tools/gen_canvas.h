#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An RGB picture in memory with the drawing primitives the pictures, tiles and
// icons are built from. Nothing here blends toward the transparent key: every
// primitive writes exactly the colours it is given.

struct Rgb {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

inline bool operator==(Rgb a, Rgb b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}
inline bool operator!=(Rgb a, Rgb b) {
    return !(a == b);
}

// Pure red is the only transparent colour of every picture the game loads.
constexpr Rgb KEY_RED{255, 0, 0};

struct Canvas {
    int width;
    int height;
    std::vector<Rgb> pixels;
};

struct Point {
    float x;
    float y;
};

// Four steps of one material, from shadow to highlight.
struct Ramp {
    Rgb shadow;
    Rgb base;
    Rgb light;
    Rgb highlight;
};

Canvas MakeCanvas(int width, int height, Rgb fill);
bool Inside(const Canvas& canvas, int x, int y);
Rgb GetPixel(const Canvas& canvas, int x, int y);
// Writes one pixel; coordinates outside the canvas are ignored.
void SetPixel(Canvas& canvas, int x, int y, Rgb colour);
void FillRect(Canvas& canvas, int x, int y, int w, int h, Rgb colour);
// One-pixel line between two pixel positions, both ends included.
void DrawLine(Canvas& canvas, int x0, int y0, int x1, int y1, Rgb colour);

// Linear mix of two colours, t = 0 gives a, t = 1 gives b.
Rgb Mix(Rgb a, Rgb b, float t);
// Picks the ramp step for a brightness in 0..1 (values outside are clamped).
Rgb RampAt(const Ramp& ramp, float brightness);

// Filled shapes cover the pixels whose centres lie inside them.
void FillEllipse(Canvas& canvas, float cx, float cy, float rx, float ry, Rgb colour);
void FillPolygon(Canvas& canvas, const std::vector<Point>& points, Rgb colour);
// Like FillPolygon, lit from the upper left: each pixel takes the ramp step of
// its place inside the polygon's bounding box.
void FillPolygonShaded(Canvas& canvas, const std::vector<Point>& points, const Ramp& ramp);
void FillEllipseShaded(Canvas& canvas, float cx, float cy, float rx, float ry, const Ramp& ramp);

// Draws the closed outline of a polygon with one-pixel lines.
void StrokePolygon(Canvas& canvas, const std::vector<Point>& points, Rgb colour);

// The points mirrored about the vertical line x = axis.
std::vector<Point> Mirrored(const std::vector<Point>& points, float axis);
// Mirrors a left-half outline about the vertical line x = axis and appends the
// mirrored points in reverse order, closing a symmetric shape.
std::vector<Point> MirroredShape(const std::vector<Point>& leftHalf, float axis);

// Paints every key pixel that touches a non-key pixel (4-neighbourhood).
void Outline(Canvas& canvas, Rgb colour);

// Copies src onto dst at (x, y), each source pixel as a scale x scale block;
// key pixels of src are skipped.
void BlitScaled(const Canvas& src, Canvas& dst, int x, int y, int scale);

// Repeatable pseudo-random value in 0..1 for integer coordinates and a seed.
float Hash01(int x, int y, int seed);
// Smooth value noise that repeats every `period` lattice cells in both axes;
// (x, y) are in lattice cells.
float PeriodicNoise(float x, float y, int period, int seed);

// Saves as a 24-bit BMP. Returns false when the file cannot be written.
bool SaveBmp(const Canvas& canvas, const std::string& path);
