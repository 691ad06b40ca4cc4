#include "gen_icons.h"

#include "gen_files.h"
#include "gen_pictures.h"
#include "gen_png.h"

// Each icon size takes the ship picture that fills it best at a whole scale:
// the small life icon for the small sizes, the full ship for the large ones.
struct IconSize {
    int size;
    Canvas (*picture)();
    int scale;
};

constexpr IconSize ICON_SIZES[] = {
    {32, LifePicture, 2},
    {48, LifePicture, 3},
    {64, PlayerShipPicture, 3},
    {128, PlayerShipPicture, 6},
};

static bool WriteIcon(const std::string& iconDir, const IconSize& icon) {
    std::string side = std::to_string(icon.size);
    std::string dir = iconDir + "/hicolor/" + side + "x" + side + "/apps";
    Canvas picture = icon.picture();
    Canvas canvas = MakeCanvas(icon.size, icon.size, KEY_RED);
    BlitScaled(picture, canvas, (icon.size - picture.width * icon.scale) / 2,
               (icon.size - picture.height * icon.scale) / 2, icon.scale);
    return EnsureDirectory(dir) && WriteBytes(dir + "/korvane.png", EncodePng(canvas));
}

bool WriteIcons(const std::string& iconDir) {
    for (const IconSize& icon : ICON_SIZES) {
        if (!WriteIcon(iconDir, icon)) {
            return false;
        }
    }
    return true;
}
