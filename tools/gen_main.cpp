// korvane-gen DATA_DIR ICON_DIR [FONT_FILE]
// Writes every data file the game ships: pictures, sounds, music and levels
// under DATA_DIR, desktop icons under ICON_DIR. The output depends on nothing
// but the program and the font, so two runs give identical files.

#include <cstdio>
#include <string>

#include "gen_audio.h"
#include "gen_icons.h"
#include "gen_levels.h"
#include "gen_music.h"
#include "gen_pictures.h"

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s DATA_DIR ICON_DIR [FONT_FILE]\n", argv[0]);
        return EXIT_USAGE;
    }
    std::string dataDir = argv[1];
    std::string iconDir = argv[2];
    std::string fontPath = argc == 4 ? argv[3] : KORVANE_FONT_FILE;
    bool ok = WritePictures(dataDir, fontPath) && WriteSounds(dataDir) && WriteMusic(dataDir) &&
              WriteLevels(dataDir) && WriteIcons(iconDir);
    if (!ok) {
        std::fprintf(stderr, "%s: could not write the data files\n", argv[0]);
        return EXIT_FAILED;
    }
    return 0;
}
