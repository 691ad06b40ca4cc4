// korvane-gen DATA_DIR ICON_DIR
// Writes every data file the game ships: the font, pictures, sounds, music and
// levels under DATA_DIR, desktop icons under ICON_DIR. The output depends on
// nothing but the program, so two runs give identical files.

#include <cstdio>
#include <string>

#include "gen_audio.h"
#include "gen_files.h"
#include "gen_font.h"
#include "gen_icons.h"
#include "gen_levels.h"
#include "gen_music.h"
#include "gen_pictures.h"
#include "gen_title.h"

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DATA_DIR ICON_DIR\n", argv[0]);
        return EXIT_USAGE;
    }
    std::string dataDir = argv[1];
    std::string iconDir = argv[2];
    // The title's text is set in the font the game itself uses.
    std::string fontPath = dataDir + "/ariblk.ttf";
    bool ok = EnsureDirectory(dataDir) && WriteFont(fontPath) && WritePictures(dataDir) &&
              WriteTitle(dataDir, fontPath) && WriteSounds(dataDir) && WriteMusic(dataDir) &&
              WriteLevels(dataDir) && WriteIcons(iconDir);
    if (!ok) {
        std::fprintf(stderr, "%s: could not write the data files\n", argv[0]);
        return EXIT_FAILED;
    }
    return 0;
}
