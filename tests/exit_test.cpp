// The game binary's ways out, each run as a child process with the test shim
// preloaded (see shim/fail_shim.c): a start-up failure prints its one Spanish
// line and exits with status 1 after only the exit handlers registered before
// it; a quit prints nothing, releases the font and the music, and exits with 0.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "shell/shell.h"
#include "world_fixture.h"

extern char** environ;

using CallLog = std::vector<std::string>;

static const std::string SHIM_PREFIX = "shim: ";  // how the shim's log lines begin
static const std::string SHIM_ERROR = "refused by the test shim";
static constexpr int NORMAL_EXIT = 0;
static constexpr int STARTUP_FAILURE = 1;
// The shutdowns the exit handlers make, newest registration first.
static const CallLog EXIT_HANDLERS = {"TTF_Quit", "Mix_CloseAudio", "SDL_Quit"};
static constexpr int ALL_HANDLERS = 3;
// The releases of a normal quit; without a joystick its close is skipped.
static const CallLog RELEASES = {"TTF_CloseFont", "Mix_FreeMusic"};

// Runs the game in dir with the dummy drivers, the shim and settings (NAME=value)
// that win over the test's environment; keeps what it printed and the
// calls the shim logged. Returns the exit status, or -1 after a signal: a run
// that hangs is killed (the game ignores SIGALRM).
static int RunGameBinary(const std::filesystem::path& dir, std::vector<std::string> settings,
                         std::string& output, CallLog& calls) {
    constexpr std::chrono::seconds RUN_TIMEOUT{20};
    constexpr std::chrono::milliseconds POLL_STEP{10};
    constexpr int EXEC_FAILED = 127;
    settings.insert(settings.end(), {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy",
                                     std::string("LD_PRELOAD=") + KORVANE_SHIM,
                                     "ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0"});
    for (char** entry = environ; *entry; entry++) {
        settings.push_back(*entry);
    }
    // Everything the child needs is prepared before the fork: the test program has threads.
    std::vector<char*> envp;
    for (std::string& entry : settings) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(KORVANE_BINARY), nullptr};
    const ScratchDir logs;
    const std::string outPath = logs.path / "stdout.txt";
    const std::string errPath = logs.path / "stderr.txt";

    const pid_t child = fork();
    if (child == 0) {
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        if (chdir(dir.c_str()) == 0) {
            execve(KORVANE_BINARY, argv, envp.data());
        }
        _exit(EXEC_FAILED);
    }
    const auto deadline = std::chrono::steady_clock::now() + RUN_TIMEOUT;
    int wait = 0;
    while (waitpid(child, &wait, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
        }
        std::this_thread::sleep_for(POLL_STEP);
    }
    std::ifstream out(outPath, std::ios::binary);
    output.assign(std::istreambuf_iterator<char>(out), std::istreambuf_iterator<char>());
    std::ifstream log(errPath);
    for (std::string line; std::getline(log, line);) {
        if (line.rfind(SHIM_PREFIX, 0) == 0) {
            calls.push_back(line.substr(SHIM_PREFIX.size()));
        }
    }
    return WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
}

// How a run is made to end (a setting, or a file left out of a copy of the data)
// and how it ends: its output and status, and how many exit handlers had been
// registered. KORVANE_SCRIPT plays one event after each screen flip (see
// fail_shim.c); the title screen flips once per visit and play once per frame.
struct WayOut {
    const char* name;
    std::vector<std::string> settings;
    const char* missingFile;
    std::string output;
    int status;
    int exitHandlers;
};

static void PrintTo(const WayOut& way, std::ostream* out) {
    *out << way.name;
}

class WayOutTest : public ::testing::TestWithParam<WayOut> {};

TEST_P(WayOutTest, PrintsItsLineAndExitsWithItsStatusAfterItsShutdownCalls) {
    const WayOut& way = GetParam();
    const ScratchDir data;
    std::filesystem::copy(KORVANE_DATA_DIR, data.path, std::filesystem::copy_options::recursive);
    if (way.missingFile) {
        std::filesystem::remove(data.path / way.missingFile);
    }
    // A quit releases first; the exit handlers registered so far run, newest first.
    CallLog expected = way.status == NORMAL_EXIT ? RELEASES : CallLog{};
    expected.insert(expected.end(), EXIT_HANDLERS.end() - way.exitHandlers, EXIT_HANDLERS.end());
    std::string output;
    CallLog calls;

    const int status = RunGameBinary(data.path, way.settings, output, calls);

    // A line ending in ": " is followed by SDL's own reason, whose wording
    // differs between the classic library and the compatibility layer.
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

INSTANTIATE_TEST_SUITE_P(
    Runs, WayOutTest,
    ::testing::Values(
        // The classic library refuses an unknown video driver in SDL_Init; the
        // compatibility layer accepts it there and fails to open the window.
        WayOut{"SdlFails",
               {"SDL_VIDEODRIVER=nonexistent"},
               nullptr,
               IsCompatLayer(*SDL_Linked_Version()) ? "No se puede inicializar el modo gráfico: "
                                                    : "No se pudo iniciar SDL: ",
               STARTUP_FAILURE,
               0},
        WayOut{"VideoModeFails",
               {"KORVANE_FAIL=video"},
               nullptr,
               "No se puede inicializar el modo gráfico: " + SHIM_ERROR + "\n",
               STARTUP_FAILURE,
               0},
        WayOut{"MixerFails",
               {"KORVANE_FAIL=mixer"},
               nullptr,
               "No se pudo iniciar SDL_Mixer: " + SHIM_ERROR + "\n",
               STARTUP_FAILURE,
               1},
        WayOut{"FontEngineFails",
               {"KORVANE_FAIL=ttf"},
               nullptr,
               "No se pudo iniciar SDL_ttf: " + SHIM_ERROR + "\n",
               STARTUP_FAILURE,
               2},
        WayOut{"FontMissing",
               {},
               "ariblk.ttf",
               "No se pudo cargar ariblk.ttf: ",
               STARTUP_FAILURE,
               ALL_HANDLERS},
        // The last picture of the load order.
        WayOut{"PictureMissing",
               {},
               "pics/life.bmp",
               "No se pudo cargar pics/life.bmp: ",
               STARTUP_FAILURE,
               ALL_HANDLERS},
        // A display that is resetting refuses SDL once; the next try gets through.
        WayOut{"SdlRefusedOnceStartsAnyway",
               {"KORVANE_FAIL=init-once", "KORVANE_SCRIPT=q"},
               nullptr,
               "",
               NORMAL_EXIT,
               ALL_HANDLERS},
        WayOut{
            "WindowCloseOnTheTitle", {"KORVANE_SCRIPT=q"}, nullptr, "", NORMAL_EXIT, ALL_HANDLERS},
        WayOut{"WindowCloseInPlay", {"KORVANE_SCRIPT=k.q"}, nullptr, "", NORMAL_EXIT, ALL_HANDLERS},
        WayOut{"EscapeFromPlayThenFromTheTitle",
               {"KORVANE_SCRIPT=k.ee"},
               nullptr,
               "",
               NORMAL_EXIT,
               ALL_HANDLERS}),
    [](const ::testing::TestParamInfo<WayOut>& info) { return info.param.name; });
