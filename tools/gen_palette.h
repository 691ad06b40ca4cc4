#pragma once
#include "gen_canvas.h"

// The palette of the sprites and the title picture. No colour here comes near
// the transparent key (strong red with little green and blue), so a key pixel
// can never be mistaken for art or art for a key pixel.

// Player: a light hull with a warm cockpit and a pale rim, bright on the dark
// sea, woods, plates and space alike.
constexpr Ramp PLAYER_HULL{{150, 166, 198}, {200, 212, 234}, {228, 236, 248}, {252, 254, 255}};
constexpr Ramp PLAYER_GLASS{{168, 70, 24}, {236, 132, 40}, {255, 196, 84}, {255, 244, 196}};
constexpr Rgb PLAYER_TRIM{70, 176, 236};
constexpr Rgb PLAYER_OUTLINE{214, 238, 255};

// Player shot: a white-hot bolt in a cyan glow.
constexpr Rgb BOLT_CORE{255, 255, 246};
constexpr Rgb BOLT_BRIGHT{178, 246, 255};
constexpr Rgb BOLT_TAIL{96, 208, 255};

// Engines and flames, shared by every ship.
constexpr Rgb FLAME_WHITE{255, 250, 222};
constexpr Rgb FLAME_YELLOW{255, 222, 96};
constexpr Rgb FLAME_ORANGE{250, 150, 40};
constexpr Rgb FLAME_DEEP{222, 96, 32};

// Straight enemy: crimson gunship with amber canopy.
constexpr Ramp CRIMSON_HULL{{92, 20, 44}, {160, 40, 56}, {214, 92, 72}, {250, 172, 124}};
constexpr Ramp AMBER_GLASS{{120, 70, 10}, {200, 130, 20}, {250, 200, 70}, {255, 246, 190}};
constexpr Rgb CRIMSON_OUTLINE{34, 8, 20};

// Diagonal enemy: a copper dart with a teal canopy, far from the islands' greens.
constexpr Ramp COPPER_HULL{{120, 54, 20}, {196, 104, 36}, {236, 156, 62}, {255, 214, 140}};
constexpr Ramp TEAL_GLASS{{10, 70, 86}, {20, 140, 160}, {90, 210, 220}, {210, 250, 250}};
constexpr Rgb COPPER_OUTLINE{40, 16, 6};

// Dark metal shared by guns and armour seams.
constexpr Ramp GUN_METAL{{30, 32, 40}, {62, 66, 80}, {110, 116, 132}, {176, 182, 196}};

// Boss: violet armour with gold trim and a furnace eye, lighter than the
// station's plates.
constexpr Ramp BOSS_ARMOUR{{58, 44, 90}, {112, 92, 156}, {162, 146, 204}, {220, 212, 244}};
constexpr Ramp BOSS_EYE{{120, 22, 68}, {222, 72, 70}, {255, 150, 80}, {255, 236, 170}};
constexpr Rgb BOSS_GOLD{232, 182, 60};
constexpr Rgb BOSS_OUTLINE{14, 10, 24};

// Enemy bullet: a white-hot core in a pink glow, ringed in dark magenta so it
// also shows on light ground.
constexpr Ramp ORB_GLOW{{255, 176, 244}, {255, 214, 250}, {255, 236, 253}, {255, 255, 255}};
constexpr Rgb ORB_RING{92, 8, 84};

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
