// The game binary's start-up, run as a child process with the fault-injection
// shim preloaded: the console line and exit status of each failure, and which
// release and shutdown calls run on the way out.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "world_fixture.h"

extern char** environ;

using CallLog = std::vector<std::string>;

static constexpr unsigned RUN_TIMEOUT_S = 20;  // a run that hangs is killed by SIGALRM
static constexpr int EXEC_FAILED = 127;
static constexpr int STARTUP_FAILURE = 1;
static constexpr int NORMAL_EXIT = 0;

// What the shim logs and the error text it gives a step it makes fail.
static const std::string SHIM_PREFIX = "shim: ";
static const std::string SHIM_ERROR = "refused by the test shim";

// SDL's error text when SDL_VIDEODRIVER names no driver it has.
static const std::string NO_VIDEO_DEVICE = "No available video device";

// Shutdowns that only the exit handlers make, newest registration first.
static const CallLog ALL_EXIT_HANDLERS = {"TTF_Quit", "Mix_CloseAudio", "SDL_Quit"};

// A normal quit without a joystick: the font and the music are released, the
// joystick close is skipped, then the exit handlers run.
static const CallLog NORMAL_QUIT_CALLS = {"TTF_CloseFont", "Mix_FreeMusic", "TTF_Quit",
                                          "Mix_CloseAudio", "SDL_Quit"};

// Copies the game's data into dir, leaving out one file or directory named relative to data/.
static void CopyDataWithout(const std::filesystem::path& dir, const char* missing) {
    std::filesystem::copy(KORVANE_DATA_DIR, dir, std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(dir / missing);
}

struct GameRun {
    std::string output;  // everything written to standard output
    CallLog calls;       // names logged by the shim, in call order
    int status = -1;     // exit status, or -1 when the process died of a signal
};

// The environment of a run: its own settings first, so they win over the
// test's environment, then the headless drivers and the shim.
static std::vector<std::string> RunEnvironment(const std::vector<std::string>& settings) {
    std::vector<std::string> environment = settings;
    environment.insert(environment.end(), {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy",
                                           std::string("LD_PRELOAD=") + KORVANE_SHIM,
                                           "ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0"});
    for (char** entry = environ; *entry; entry++) {
        environment.push_back(*entry);
    }
    return environment;
}

static std::string ReadAll(int fd) {
    std::string text;
    char buffer[BUFSIZ];
    for (ssize_t got = read(fd, buffer, sizeof buffer); got > 0;
         got = read(fd, buffer, sizeof buffer)) {
        text.append(buffer, static_cast<size_t>(got));
    }
    return text;
}

static CallLog ShimCalls(const std::filesystem::path& errorFile) {
    CallLog calls;
    std::ifstream in(errorFile);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(SHIM_PREFIX, 0) == 0) {
            calls.push_back(line.substr(SHIM_PREFIX.size()));
        }
    }
    return calls;
}

// Runs the game binary with dir as its working directory and the given extra
// environment settings (NAME=value), and waits for it to end.
static GameRun RunGameIn(const std::filesystem::path& dir,
                         const std::vector<std::string>& settings) {
    // Everything the child needs is prepared before the fork.
    const std::vector<std::string> environment = RunEnvironment(settings);
    std::vector<char*> envp;
    for (const std::string& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(KORVANE_BINARY), nullptr};
    const ScratchDir logs;
    const std::string errorPath = (logs.path / "stderr.txt").string();
    const std::string workingDir = dir.string();
    int out[2];
    if (pipe(out) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }

    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        const int errorFd = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(errorFd, STDERR_FILENO);
        if (chdir(workingDir.c_str()) == 0) {
            alarm(RUN_TIMEOUT_S);
            execve(KORVANE_BINARY, argv, envp.data());
        }
        _exit(EXEC_FAILED);
    }
    close(out[1]);
    GameRun run;
    run.output = ReadAll(out[0]);
    close(out[0]);
    int wait = 0;
    waitpid(child, &wait, 0);
    run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    run.calls = ShimCalls(errorPath);
    return run;
}

// One failing start-up step: how to make it fail, the line it prints, and the
// exit handlers registered before it, which are all that run.
struct FailingStep {
    const char* name;
    std::vector<std::string> settings;
    std::string message;
    CallLog calls;
};

// Names a step in test output instead of dumping its bytes.
static void PrintTo(const FailingStep& step, std::ostream* out) {
    *out << step.name;
}

class StartupFailure : public ::testing::TestWithParam<FailingStep> {};

TEST_P(StartupFailure, PrintsItsLineExitsOneAndRunsOnlyEarlierExitHandlers) {
    const FailingStep& step = GetParam();

    const GameRun run = RunGameIn(KORVANE_DATA_DIR, step.settings);

    EXPECT_EQ(run.output, step.message);
    EXPECT_EQ(run.status, STARTUP_FAILURE);
    EXPECT_EQ(run.calls, step.calls);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, StartupFailure,
    ::testing::Values(FailingStep{"Sdl",
                                  {"SDL_VIDEODRIVER=nonexistent"},
                                  "No se pudo iniciar SDL: " + NO_VIDEO_DEVICE + "\n",
                                  {}},
                      FailingStep{"VideoMode",
                                  {"KORVANE_FAIL=video"},
                                  "No se puede inicializar el modo gráfico: " + SHIM_ERROR + "\n",
                                  {}},
                      FailingStep{"Mixer",
                                  {"KORVANE_FAIL=mixer"},
                                  "No se pudo iniciar SDL_Mixer: " + SHIM_ERROR + "\n",
                                  {"SDL_Quit"}},
                      FailingStep{"FontEngine",
                                  {"KORVANE_FAIL=ttf"},
                                  "No se pudo iniciar SDL_ttf: " + SHIM_ERROR + "\n",
                                  {"Mix_CloseAudio", "SDL_Quit"}}),
    [](const ::testing::TestParamInfo<FailingStep>& info) { return info.param.name; });

// A start-up file left out of a copy of the data, named as the game reports it.
class MissingStartupFile : public ::testing::TestWithParam<const char*> {};

TEST_P(MissingStartupFile, IsReportedAndEndsTheRunWithStatusOne) {
    const char* missing = GetParam();
    const ScratchDir data;
    CopyDataWithout(data.path, missing);

    const GameRun run = RunGameIn(data.path, {});

    const std::string prefix = std::string("No se pudo cargar ") + missing + ": ";
    EXPECT_EQ(run.output.rfind(prefix, 0), 0u) << run.output;
    EXPECT_GT(run.output.size(), prefix.size() + 1) << "SDL's reason is missing";
    EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << "one line expected";
    EXPECT_EQ(run.status, STARTUP_FAILURE);
    EXPECT_EQ(run.calls, ALL_EXIT_HANDLERS);
}

// The font, and the last picture of the load order.
INSTANTIATE_TEST_SUITE_P(FontAndPicture, MissingStartupFile,
                         ::testing::Values("ariblk.ttf", "pics/life.bmp"));

TEST(GameRunTest, WindowCloseOnTheTitleReleasesResourcesAndExitsZero) {
    const GameRun run = RunGameIn(KORVANE_DATA_DIR, {"KORVANE_CLOSE_WINDOW=1"});

    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.status, NORMAL_EXIT);
    EXPECT_EQ(run.calls, NORMAL_QUIT_CALLS);
}

TEST(GameRunTest, MissingSoundsAndMusicDoNotStopTheStartUp) {
    const ScratchDir data;
    CopyDataWithout(data.path, "sounds");

    const GameRun run = RunGameIn(data.path, {"KORVANE_CLOSE_WINDOW=1"});

    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.status, NORMAL_EXIT);
    EXPECT_EQ(run.calls, NORMAL_QUIT_CALLS);
}
