#pragma once
#include "gen_canvas.h"

// The palette of the sprites and the title picture. No colour here comes near
// the transparent key (strong red with little green and blue), so a key pixel
// can never be mistaken for art or art for a key pixel.

// Player: pale steel hull with cyan trim.
constexpr Ramp PLAYER_HULL{{58, 72, 112}, {112, 132, 172}, {172, 190, 222}, {232, 240, 250}};
constexpr Ramp PLAYER_GLASS{{18, 58, 108}, {38, 118, 188}, {108, 198, 240}, {220, 250, 255}};
constexpr Rgb PLAYER_TRIM{56, 168, 232};
constexpr Rgb PLAYER_OUTLINE{16, 18, 36};

// Player shot: a cyan-white bolt.
constexpr Rgb BOLT_CORE{240, 252, 255};
constexpr Rgb BOLT_BRIGHT{150, 236, 255};
constexpr Rgb BOLT_TAIL{56, 160, 228};

// Engines and flames, shared by every ship.
constexpr Rgb FLAME_WHITE{255, 250, 222};
constexpr Rgb FLAME_YELLOW{255, 222, 96};
constexpr Rgb FLAME_ORANGE{250, 150, 40};
constexpr Rgb FLAME_DEEP{222, 96, 32};

// Straight enemy: crimson gunship with amber canopy.
constexpr Ramp CRIMSON_HULL{{92, 20, 44}, {160, 40, 56}, {214, 92, 72}, {250, 172, 124}};
constexpr Ramp AMBER_GLASS{{120, 70, 10}, {200, 130, 20}, {250, 200, 70}, {255, 246, 190}};
constexpr Rgb CRIMSON_OUTLINE{34, 8, 20};

// Diagonal enemy: green dart with violet canopy.
constexpr Ramp JADE_HULL{{18, 68, 58}, {38, 128, 98}, {92, 190, 140}, {192, 242, 204}};
constexpr Ramp VIOLET_GLASS{{60, 20, 100}, {120, 50, 180}, {180, 120, 240}, {236, 214, 255}};
constexpr Rgb JADE_OUTLINE{8, 28, 26};

// Dark metal shared by guns and armour seams.
constexpr Ramp GUN_METAL{{30, 32, 40}, {62, 66, 80}, {110, 116, 132}, {176, 182, 196}};

// Boss: violet armour with gold trim and a furnace eye.
constexpr Ramp BOSS_ARMOUR{{40, 34, 62}, {82, 70, 112}, {132, 120, 162}, {202, 196, 226}};
constexpr Ramp BOSS_EYE{{120, 22, 68}, {222, 72, 70}, {255, 150, 80}, {255, 236, 170}};
constexpr Rgb BOSS_GOLD{232, 182, 60};
constexpr Rgb BOSS_OUTLINE{14, 10, 24};

// Enemy bullet: a magenta orb.
constexpr Ramp ORB_GLOW{{150, 30, 150}, {226, 80, 220}, {255, 170, 250}, {255, 244, 255}};

// Explosion: fire cooling into smoke.
constexpr Rgb SMOKE_DARK{66, 58, 60};
constexpr Rgb SMOKE_LIGHT{118, 108, 104};
constexpr Rgb EMBER{150, 60, 34};

// Title screen.
constexpr Rgb SPACE_TOP{4, 4, 20};
constexpr Rgb SPACE_BOTTOM{34, 14, 64};
constexpr Rgb STAR_WHITE{236, 240, 255};
constexpr Rgb STAR_BLUE{150, 180, 255};
constexpr Ramp PLANET{{22, 30, 70}, {40, 66, 128}, {70, 120, 180}, {140, 196, 230}};
constexpr Rgb TEXT_GOLD_TOP{255, 240, 140};
constexpr Rgb TEXT_GOLD_BOTTOM{240, 120, 30};
constexpr Rgb TEXT_SHADOW{10, 6, 24};
constexpr Rgb TEXT_WHITE{236, 240, 255};
constexpr Rgb TEXT_CYAN{110, 220, 255};
constexpr Rgb PANEL_FILL{14, 16, 42};
constexpr Rgb PANEL_BORDER{70, 100, 170};
