#include "gen_canvas.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

// Ramps have four steps.
constexpr int RAMP_STEPS = 4;
// Shading of a hull lit from the upper left: the brightest line sits this far
// left of the centre (in half-widths), and brightness falls off sideways and
// downward at these rates.
constexpr float LIGHT_OFFSET_X = 0.3f;
constexpr float LIGHT_PEAK = 0.95f;
constexpr float LIGHT_FALLOFF_X = 0.8f;
constexpr float LIGHT_FALLOFF_Y = 0.25f;
// A dome's highlight sits this far toward the upper left, in radii.
constexpr float DOME_HIGHLIGHT_SHIFT = 0.4f;
constexpr int BYTES_PER_PIXEL = 3;
constexpr int BITS_PER_PIXEL = 24;

Canvas MakeCanvas(int width, int height, Rgb fill) {
    return Canvas{width, height, std::vector<Rgb>(static_cast<size_t>(width * height), fill)};
}

bool Inside(const Canvas& canvas, int x, int y) {
    return x >= 0 && y >= 0 && x < canvas.width && y < canvas.height;
}

Rgb GetPixel(const Canvas& canvas, int x, int y) {
    return canvas.pixels[static_cast<size_t>(y * canvas.width + x)];
}

void SetPixel(Canvas& canvas, int x, int y, Rgb colour) {
    if (Inside(canvas, x, y)) {
        canvas.pixels[static_cast<size_t>(y * canvas.width + x)] = colour;
    }
}

void FillRect(Canvas& canvas, int x, int y, int w, int h, Rgb colour) {
    for (int py = y; py < y + h; ++py) {
        for (int px = x; px < x + w; ++px) {
            SetPixel(canvas, px, py, colour);
        }
    }
}

void DrawLine(Canvas& canvas, int x0, int y0, int x1, int y1, Rgb colour) {
    int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        float t = steps == 0 ? 0.0f : static_cast<float>(i) / steps;
        SetPixel(canvas, static_cast<int>(std::lround(x0 + (x1 - x0) * t)),
                 static_cast<int>(std::lround(y0 + (y1 - y0) * t)), colour);
    }
}

static uint8_t MixChannel(uint8_t a, uint8_t b, float t) {
    return static_cast<uint8_t>(std::lround(a + (b - a) * t));
}

Rgb Mix(Rgb a, Rgb b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return Rgb{MixChannel(a.r, b.r, t), MixChannel(a.g, b.g, t), MixChannel(a.b, b.b, t)};
}

Rgb RampAt(const Ramp& ramp, float brightness) {
    const Rgb steps[RAMP_STEPS] = {ramp.shadow, ramp.base, ramp.light, ramp.highlight};
    int index = static_cast<int>(std::floor(brightness * RAMP_STEPS));
    return steps[std::clamp(index, 0, RAMP_STEPS - 1)];
}

// Calls paint(x, y) for every pixel whose centre lies inside the ellipse.
template <typename Paint>
static void ScanEllipse(float cx, float cy, float rx, float ry, Paint paint) {
    for (int y = static_cast<int>(std::floor(cy - ry)); y <= static_cast<int>(cy + ry); ++y) {
        for (int x = static_cast<int>(std::floor(cx - rx)); x <= static_cast<int>(cx + rx); ++x) {
            float nx = (x + 0.5f - cx) / rx;
            float ny = (y + 0.5f - cy) / ry;
            if (nx * nx + ny * ny <= 1.0f) {
                paint(x, y, nx, ny);
            }
        }
    }
}

void FillEllipse(Canvas& canvas, float cx, float cy, float rx, float ry, Rgb colour) {
    ScanEllipse(cx, cy, rx, ry,
                [&](int x, int y, float, float) { SetPixel(canvas, x, y, colour); });
}

void FillEllipseShaded(Canvas& canvas, float cx, float cy, float rx, float ry, const Ramp& ramp) {
    ScanEllipse(cx, cy, rx, ry, [&](int x, int y, float nx, float ny) {
        float dx = nx + DOME_HIGHLIGHT_SHIFT;
        float dy = ny + DOME_HIGHLIGHT_SHIFT;
        float brightness = 1.0f - std::sqrt(dx * dx + dy * dy) / (1.0f + DOME_HIGHLIGHT_SHIFT);
        SetPixel(canvas, x, y, RampAt(ramp, brightness));
    });
}

// Calls paint(x, y, nx, ny) for every pixel whose centre lies inside the
// polygon (even-odd rule); nx and ny run from -1 to 1 across its bounding box.
template <typename Paint>
static void ScanPolygon(const std::vector<Point>& points, Paint paint) {
    float minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
    for (const Point& p : points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    float halfW = std::max((maxX - minX) / 2, 0.5f);
    float halfH = std::max((maxY - minY) / 2, 0.5f);
    std::vector<float> crossings;
    for (int y = static_cast<int>(std::floor(minY)); y <= static_cast<int>(maxY); ++y) {
        float yc = y + 0.5f;
        crossings.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            const Point& a = points[i];
            const Point& b = points[(i + 1) % points.size()];
            if ((a.y <= yc) != (b.y <= yc)) {
                crossings.push_back(a.x + (yc - a.y) * (b.x - a.x) / (b.y - a.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            for (int x = static_cast<int>(std::ceil(crossings[i] - 0.5f));
                 x + 0.5f < crossings[i + 1]; ++x) {
                paint(x, y, (x + 0.5f - minX) / halfW - 1, (yc - minY) / halfH - 1);
            }
        }
    }
}

void FillPolygon(Canvas& canvas, const std::vector<Point>& points, Rgb colour) {
    ScanPolygon(points, [&](int x, int y, float, float) { SetPixel(canvas, x, y, colour); });
}

void FillPolygonShaded(Canvas& canvas, const std::vector<Point>& points, const Ramp& ramp) {
    ScanPolygon(points, [&](int x, int y, float nx, float ny) {
        float brightness = LIGHT_PEAK - LIGHT_FALLOFF_X * std::fabs(nx + LIGHT_OFFSET_X) -
                           LIGHT_FALLOFF_Y * (ny + 1) / 2;
        SetPixel(canvas, x, y, RampAt(ramp, brightness));
    });
}

void StrokePolygon(Canvas& canvas, const std::vector<Point>& points, Rgb colour) {
    for (size_t i = 0; i < points.size(); ++i) {
        const Point& a = points[i];
        const Point& b = points[(i + 1) % points.size()];
        DrawLine(canvas, static_cast<int>(a.x), static_cast<int>(a.y), static_cast<int>(b.x),
                 static_cast<int>(b.y), colour);
    }
}

std::vector<Point> Mirrored(const std::vector<Point>& points, float axis) {
    std::vector<Point> result;
    for (const Point& p : points) {
        result.push_back(Point{2 * axis - p.x, p.y});
    }
    return result;
}

std::vector<Point> MirroredShape(const std::vector<Point>& leftHalf, float axis) {
    std::vector<Point> shape = leftHalf;
    std::vector<Point> right = Mirrored(leftHalf, axis);
    shape.insert(shape.end(), right.rbegin(), right.rend());
    return shape;
}

static bool IsArt(const Canvas& canvas, int x, int y) {
    return Inside(canvas, x, y) && GetPixel(canvas, x, y) != KEY_RED;
}

void Outline(Canvas& canvas, Rgb colour) {
    Canvas source = canvas;
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            bool touches = IsArt(source, x - 1, y) || IsArt(source, x + 1, y) ||
                           IsArt(source, x, y - 1) || IsArt(source, x, y + 1);
            if (!IsArt(source, x, y) && touches) {
                SetPixel(canvas, x, y, colour);
            }
        }
    }
}

void BlitScaled(const Canvas& src, Canvas& dst, int x, int y, int scale) {
    for (int sy = 0; sy < src.height; ++sy) {
        for (int sx = 0; sx < src.width; ++sx) {
            Rgb colour = GetPixel(src, sx, sy);
            if (colour != KEY_RED) {
                FillRect(dst, x + sx * scale, y + sy * scale, scale, scale, colour);
            }
        }
    }
}

float Hash01(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
                 static_cast<uint32_t>(seed) * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) / static_cast<float>(1u << 24);
}

static int Wrap(int value, int period) {
    return ((value % period) + period) % period;
}

static float SmoothStep(float t) {
    return t * t * (3 - 2 * t);
}

float PeriodicNoise(float x, float y, int period, int seed) {
    int ix = static_cast<int>(std::floor(x));
    int iy = static_cast<int>(std::floor(y));
    float fx = SmoothStep(x - ix);
    float fy = SmoothStep(y - iy);
    auto corner = [&](int dx, int dy) {
        return Hash01(Wrap(ix + dx, period), Wrap(iy + dy, period), seed);
    };
    float top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * fx;
    float bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * fx;
    return top + (bottom - top) * fy;
}

// Byte position of a colour channel inside a packed 24-bit pixel.
static int ChannelOffset(uint8_t shift) {
    int fromLow = shift / 8;
    return SDL_BYTEORDER == SDL_LIL_ENDIAN ? fromLow : BYTES_PER_PIXEL - 1 - fromLow;
}

bool SaveBmp(const Canvas& canvas, const std::string& path) {
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, canvas.width, canvas.height,
                                                BITS_PER_PIXEL, 0xff0000, 0x00ff00, 0x0000ff, 0);
    if (surface == nullptr) {
        return false;
    }
    const SDL_PixelFormat* format = surface->format;
    for (int y = 0; y < canvas.height; ++y) {
        uint8_t* row = static_cast<uint8_t*>(surface->pixels) + y * surface->pitch;
        for (int x = 0; x < canvas.width; ++x) {
            Rgb colour = GetPixel(canvas, x, y);
            uint8_t* pixel = row + x * BYTES_PER_PIXEL;
            pixel[ChannelOffset(format->Rshift)] = colour.r;
            pixel[ChannelOffset(format->Gshift)] = colour.g;
            pixel[ChannelOffset(format->Bshift)] = colour.b;
        }
    }
    bool saved = SDL_SaveBMP(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return saved;
}
