#include "gen_title.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>

#include "gen_palette.h"
#include "gen_pictures.h"
#include "shell/game_state.h"

// Font sizes in points: multiples of 10, where the font's blocks fall on
// whole pixels.
constexpr int NAME_POINTS = 100;
constexpr int PROMPT_POINTS = 30;
constexpr int CONTROLS_POINTS = 20;

// Starfield: one chance of a star per cell; the brightest ones get a cross.
constexpr int STAR_CELL = 9;
constexpr float STAR_CHANCE = 0.28f;
constexpr float STAR_CROSS_CHANCE = 0.06f;
constexpr int STAR_SEED = 11;
// The faintest star is this bright against the sky; a cross arm half its star.
constexpr float STAR_MIN_BRIGHTNESS = 0.35f;
constexpr float STAR_HALO = 0.5f;

// Layout, in title pixels.
constexpr int NAME_Y = 22;
constexpr int NAME_OUTLINE = 4;
constexpr int NAME_SHADOW = 7;
constexpr int SHIP_SCALE = 5;
constexpr int SHIP_Y = 176;
constexpr int ENEMY_SCALE = 2;
constexpr int SQUADRON_MARGIN = 40;
constexpr int STRAIGHT_ENEMY_Y = 170;
constexpr int DIAGONAL_ENEMY_Y = 190;
constexpr int PROMPT_Y = 306;
constexpr int TEXT_SHADOW_OFFSET = 2;
constexpr int PANEL_X = 50;
constexpr int PANEL_Y = 352;
constexpr int PANEL_WIDTH = SCREEN_WIDTH - 2 * PANEL_X;
constexpr int PANEL_HEIGHT = 108;
constexpr int PANEL_BORDER_WIDTH = 2;
constexpr int PANEL_LINE_HEIGHT = 30;
constexpr int PANEL_TEXT_TOP = PANEL_Y + 14;
constexpr int CONTROLS_GAP = 12;
constexpr int CONTROLS_SPLIT_X = 410;

// Grey levels of a rendered glyph, as coverage from 0 to 1.
struct Mask {
    int width;
    int height;
    std::vector<float> coverage;
};

enum Align { ALIGN_LEFT, ALIGN_CENTRE, ALIGN_RIGHT };

// How a line of text is painted: a vertical gradient, an optional dark rim
// and a dark drop shadow.
struct TextStyle {
    Rgb top;
    Rgb bottom;
    int outline;
    int shadow;
};

static float CoverageAt(const Mask& mask, int x, int y) {
    if (x < 0 || y < 0 || x >= mask.width || y >= mask.height) {
        return 0.0f;
    }
    return mask.coverage[static_cast<size_t>(y * mask.width + x)];
}

static Mask RenderMask(TTF_Font* font, const char* text) {
    SDL_Color white{255, 255, 255, 0};
    SDL_Surface* surface = TTF_RenderText_Blended(font, text, white);
    Mask mask{0, 0, {}};
    if (surface == nullptr) {
        return mask;
    }
    const SDL_PixelFormat* format = surface->format;
    constexpr float FULL = 255.0f;
    mask = Mask{surface->w, surface->h, std::vector<float>(size_t(surface->w * surface->h))};
    for (int y = 0; y < surface->h; ++y) {
        const Uint32* row = reinterpret_cast<const Uint32*>(
            static_cast<const Uint8*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < surface->w; ++x) {
            mask.coverage[size_t(y * mask.width + x)] =
                static_cast<float>((row[x] & format->Amask) >> format->Ashift) / FULL;
        }
    }
    SDL_FreeSurface(surface);
    return mask;
}

// The mask grown by radius pixels on every side, for an outline.
static Mask Dilated(const Mask& mask, int radius) {
    Mask grown{mask.width + 2 * radius, mask.height + 2 * radius, {}};
    grown.coverage.assign(size_t(grown.width * grown.height), 0.0f);
    for (int y = 0; y < grown.height; ++y) {
        for (int x = 0; x < grown.width; ++x) {
            float best = 0.0f;
            for (int dy = -radius; dy <= radius; ++dy) {
                for (int dx = -radius; dx <= radius; ++dx) {
                    if (dx * dx + dy * dy <= radius * radius) {
                        best = std::max(best, CoverageAt(mask, x - radius + dx, y - radius + dy));
                    }
                }
            }
            grown.coverage[size_t(y * grown.width + x)] = best;
        }
    }
    return grown;
}

static void PaintMask(Canvas& canvas, const Mask& mask, int left, int top, Rgb topColour,
                      Rgb bottomColour) {
    for (int y = 0; y < mask.height; ++y) {
        Rgb colour = Mix(topColour, bottomColour, static_cast<float>(y) / mask.height);
        for (int x = 0; x < mask.width; ++x) {
            float coverage = CoverageAt(mask, x, y);
            if (coverage > 0.0f && Inside(canvas, left + x, top + y)) {
                SetPixel(canvas, left + x, top + y,
                         Mix(GetPixel(canvas, left + x, top + y), colour, coverage));
            }
        }
    }
}

// Paints one line of text with its left, middle or right edge at x.
static void DrawText(Canvas& canvas, TTF_Font* font, const char* text, int x, int y, Align align,
                     const TextStyle& style) {
    Mask mask = RenderMask(font, text);
    int left = align == ALIGN_LEFT     ? x
               : align == ALIGN_CENTRE ? x - mask.width / 2
                                       : x - mask.width;
    Mask rim = style.outline > 0 ? Dilated(mask, style.outline) : mask;
    int rimLeft = left - style.outline;
    int rimTop = y - style.outline;
    PaintMask(canvas, rim, rimLeft + style.shadow, rimTop + style.shadow, TEXT_SHADOW, TEXT_SHADOW);
    if (style.outline > 0) {
        PaintMask(canvas, rim, rimLeft, rimTop, TEXT_SHADOW, TEXT_SHADOW);
    }
    PaintMask(canvas, mask, left, y, style.top, style.bottom);
}

static void DrawSpace(Canvas& c) {
    for (int y = 0; y < c.height; ++y) {
        FillRect(c, 0, y, c.width, 1,
                 Mix(SPACE_TOP, SPACE_BOTTOM, static_cast<float>(y) / c.height));
    }
    for (int cy = 0; cy < c.height / STAR_CELL; ++cy) {
        for (int cx = 0; cx < c.width / STAR_CELL; ++cx) {
            float chance = Hash01(cx, cy, STAR_SEED);
            if (chance >= STAR_CHANCE) {
                continue;
            }
            int x = cx * STAR_CELL + static_cast<int>(Hash01(cx, cy, STAR_SEED + 1) * STAR_CELL);
            int y = cy * STAR_CELL + static_cast<int>(Hash01(cx, cy, STAR_SEED + 2) * STAR_CELL);
            Rgb tint = chance < STAR_CHANCE / 2 ? STAR_WHITE : STAR_BLUE;
            Rgb sky = GetPixel(c, x, y);
            float brightness = 1.0f - chance / STAR_CHANCE * (1.0f - STAR_MIN_BRIGHTNESS);
            Rgb star = Mix(sky, tint, brightness);
            SetPixel(c, x, y, star);
            if (chance < STAR_CROSS_CHANCE) {
                Rgb halo = Mix(sky, star, STAR_HALO);
                for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                    SetPixel(c, x + dx, y + dy, halo);
                }
            }
        }
    }
}

// A banded planet low on the right, partly below the edge.
static void DrawPlanet(Canvas& c) {
    constexpr float PLANET_X = 575.0f;
    constexpr float PLANET_Y = 300.0f;
    constexpr float PLANET_RADIUS = 105.0f;
    FillEllipse(c, PLANET_X, PLANET_Y, PLANET_RADIUS + 2, PLANET_RADIUS + 2, PLANET.shadow);
    FillEllipseShaded(c, PLANET_X, PLANET_Y, PLANET_RADIUS, PLANET_RADIUS, PLANET);
}

// The player's ship, large, with its exhaust, and an enemy squadron around it.
static void DrawShips(Canvas& c) {
    Canvas ship = PlayerShipPicture();
    int shipX = (SCREEN_WIDTH - ship.width * SHIP_SCALE) / 2;
    DrawEngineGlow(c, SCREEN_WIDTH / 2.0f, SHIP_Y + ship.height * SHIP_SCALE, 8, 16);
    BlitScaled(ship, c, shipX, SHIP_Y, SHIP_SCALE);
    Canvas straight = StraightEnemyPicture();
    Canvas diagonal = DiagonalEnemyPicture();
    BlitScaled(straight, c, SQUADRON_MARGIN, STRAIGHT_ENEMY_Y, ENEMY_SCALE);
    int diagonalX = SCREEN_WIDTH - SQUADRON_MARGIN - diagonal.width * ENEMY_SCALE;
    BlitScaled(diagonal, c, diagonalX, DIAGONAL_ENEMY_Y, ENEMY_SCALE);
    // Each enemy has just fired: a bullet right under its nose.
    Canvas orb = EnemyBulletPicture(1);
    int orbOffsetX = (straight.width - orb.width) * ENEMY_SCALE / 2;
    int orbOffsetY = straight.height * ENEMY_SCALE + orb.height;
    BlitScaled(orb, c, SQUADRON_MARGIN + orbOffsetX, STRAIGHT_ENEMY_Y + orbOffsetY, ENEMY_SCALE);
    BlitScaled(orb, c, diagonalX + orbOffsetX, DIAGONAL_ENEMY_Y + orbOffsetY, ENEMY_SCALE);
}

static void DrawControlsPanel(Canvas& c, TTF_Font* font) {
    FillRect(c, PANEL_X, PANEL_Y, PANEL_WIDTH, PANEL_HEIGHT, PANEL_BORDER);
    FillRect(c, PANEL_X + PANEL_BORDER_WIDTH, PANEL_Y + PANEL_BORDER_WIDTH,
             PANEL_WIDTH - 2 * PANEL_BORDER_WIDTH, PANEL_HEIGHT - 2 * PANEL_BORDER_WIDTH,
             PANEL_FILL);
    const TextStyle keys{TEXT_CYAN, TEXT_CYAN, 0, TEXT_SHADOW_OFFSET};
    const TextStyle actions{TEXT_WHITE, TEXT_WHITE, 0, TEXT_SHADOW_OFFSET};
    const char* const rows[][2] = {{"Arrow keys or joystick", "move"},
                                   {"Left Shift or joystick button", "fire"},
                                   {"Escape", "leave"}};
    int y = PANEL_TEXT_TOP;
    for (const auto& row : rows) {
        DrawText(c, font, row[0], CONTROLS_SPLIT_X - CONTROLS_GAP, y, ALIGN_RIGHT, keys);
        DrawText(c, font, row[1], CONTROLS_SPLIT_X + CONTROLS_GAP, y, ALIGN_LEFT, actions);
        y += PANEL_LINE_HEIGHT;
    }
}

static void DrawWords(Canvas& c, TTF_Font* nameFont, TTF_Font* promptFont, TTF_Font* controlsFont) {
    const TextStyle name{TEXT_GOLD_TOP, TEXT_GOLD_BOTTOM, NAME_OUTLINE, NAME_SHADOW};
    DrawText(c, nameFont, "KORVANE", SCREEN_WIDTH / 2, NAME_Y, ALIGN_CENTRE, name);
    const TextStyle prompt{TEXT_WHITE, TEXT_CYAN, 0, TEXT_SHADOW_OFFSET};
    DrawText(c, promptFont, "PRESS ANY KEY TO START", SCREEN_WIDTH / 2, PROMPT_Y, ALIGN_CENTRE,
             prompt);
    DrawControlsPanel(c, controlsFont);
}

bool WriteTitle(const std::string& dataDir, const std::string& fontPath) {
    if (TTF_Init() != 0) {
        return false;
    }
    TTF_Font* nameFont = TTF_OpenFont(fontPath.c_str(), NAME_POINTS);
    TTF_Font* promptFont = TTF_OpenFont(fontPath.c_str(), PROMPT_POINTS);
    TTF_Font* controlsFont = TTF_OpenFont(fontPath.c_str(), CONTROLS_POINTS);
    bool ok = nameFont != nullptr && promptFont != nullptr && controlsFont != nullptr;
    if (ok) {
        Canvas title = MakeCanvas(SCREEN_WIDTH, SCREEN_HEIGHT, SPACE_TOP);
        DrawSpace(title);
        DrawPlanet(title);
        DrawShips(title);
        DrawWords(title, nameFont, promptFont, controlsFont);
        ok = SavePicture(title, dataDir, "pantalla");
    }
    for (TTF_Font* font : {nameFont, promptFont, controlsFont}) {
        if (font != nullptr) {
            TTF_CloseFont(font);
        }
    }
    TTF_Quit();
    return ok;
}
