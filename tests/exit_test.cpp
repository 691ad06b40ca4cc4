// The game binary's ways out, each run as a child process with the test shim
// preloaded (see shim/fail_shim.c).
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/shell.h"
#include "world_fixture.h"

namespace fs = std::filesystem;
using CallLog = std::vector<std::string>;

static const std::string SHIM_PREFIX = "shim: ";  // how the shim's log lines begin
static const std::string SHIM_ERROR = "refused by the test shim";

// Runs the game in dir with settings ("NAME=value ..."); keeps its output and the
// calls the shim logged, and returns its status. A hang is killed (SIGTERM would
// quit). Sanitizer options are extended, so that a report still fails the run.
static int RunGameBinary(const fs::path& dir, const std::string& settings, std::string& output,
                         CallLog& calls) {
    const std::string asan =
        "${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0:verify_asan_link_order=0";
    const std::string command = "cd '" + dir.string() + "' && ASAN_OPTIONS=\"" + asan +
                                "\" timeout -s KILL 20 env SDL_VIDEODRIVER=dummy "
                                "SDL_AUDIODRIVER=dummy LD_PRELOAD='" KORVANE_SHIM "' " +
                                settings + " '" KORVANE_BINARY "' >stdout.txt 2>stderr.txt";
    const int wait = std::system(command.c_str());
    std::ostringstream out;
    out << std::ifstream(dir / "stdout.txt", std::ios::binary).rdbuf();
    output = out.str();
    std::ifstream log(dir / "stderr.txt");
    for (std::string line; std::getline(log, line);) {
        if (line.rfind(SHIM_PREFIX, 0) == 0) {
            calls.push_back(line.substr(SHIM_PREFIX.size()));
        }
    }
    return WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
}

// Each way out (settings, or a file left out of the data) with its output, its
// status and how many libraries came up, which are the ones shut down at exit.
// An output ending in ": " is followed by SDL's reason, worded differently on
// the compatibility layer. The title screen flips once per visit, play once
// per frame.
TEST(WayOutTest, PrintsItsLineAndExitsWithItsStatusAfterItsShutdownCalls) {
    // The shutdowns at exit, newest library first, and a quit's releases before
    // them (without a joystick there is none to close).
    const CallLog shutdowns = {"TTF_Quit", "Mix_CloseAudio", "SDL_Quit"};
    const CallLog releases = {"TTF_CloseFont", "Mix_FreeMusic"};
    const std::string noVideo = "No se puede inicializar el modo gráfico: ";
    const struct {
        std::string settings;
        const char* missingFile;
        std::string output;
        int status, librariesUp;
    } cases[] = {
        // The classic library refuses an unknown video driver in SDL_Init; the
        // compatibility layer accepts it there and fails to open the window.
        {"SDL_VIDEODRIVER=nonexistent", nullptr,
         IsCompatLayer(*SDL_Linked_Version()) ? noVideo : "No se pudo iniciar SDL: ", 1, 0},
        {"KORVANE_FAIL=video", nullptr, noVideo + SHIM_ERROR + "\n", 1, 0},
        {"KORVANE_FAIL=mixer", nullptr, "No se pudo iniciar SDL_Mixer: " + SHIM_ERROR + "\n", 1, 1},
        {"KORVANE_FAIL=ttf", nullptr, "No se pudo iniciar SDL_ttf: " + SHIM_ERROR + "\n", 1, 2},
        {"", "ariblk.ttf", "No se pudo cargar ariblk.ttf: ", 1, 3},
        {"", "pics/life.bmp", "No se pudo cargar pics/life.bmp: ", 1, 3},  // the last picture
        // A display that is resetting refuses SDL once; the next try gets through.
        {"KORVANE_FAIL=init-once KORVANE_SCRIPT=q", nullptr, "", 0, 3},
        {"KORVANE_SCRIPT=q", nullptr, "", 0, 3},     // window closed on the title screen
        {"KORVANE_SCRIPT=k.q", nullptr, "", 0, 3},   // window closed in play
        {"KORVANE_SCRIPT=k.ee", nullptr, "", 0, 3},  // Escape in play, then on the title
    };
    for (const auto& way : cases) {
        SCOPED_TRACE(way.settings + (way.missingFile ? way.missingFile : ""));
        const ScratchDir data;
        fs::copy(KORVANE_DATA_DIR, data.path, fs::copy_options::recursive);
        if (way.missingFile) {
            fs::remove(data.path / way.missingFile);
        }
        CallLog expected = way.status == 0 ? releases : CallLog{};
        expected.insert(expected.end(), shutdowns.end() - way.librariesUp, shutdowns.end());
        std::string output;
        CallLog calls;

        const int status = RunGameBinary(data.path, way.settings, output, calls);

        if (way.output.size() > 1 && way.output.compare(way.output.size() - 2, 2, ": ") == 0) {
            EXPECT_EQ(output.rfind(way.output, 0), 0u) << output;
            EXPECT_GT(output.size(), way.output.size() + 1) << "SDL's reason is missing";
            EXPECT_EQ(output.find('\n'), output.size() - 1) << "one line expected: " << output;
        } else {
            EXPECT_EQ(output, way.output);
        }
        EXPECT_EQ(status, way.status);
        EXPECT_EQ(calls, expected);
    }
}
