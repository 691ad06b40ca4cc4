// Ways out of the game: closing the window during play and on the title
// screen, and Escape from play and then from the title screen. Each ends the
// main loop cleanly; the real program then exits with status 0 and prints
// nothing. (The start-up failures are covered by startup_test.cpp.)
//
// The real-window cases run the game binary in a private Xvfb server and drive
// it with X events: a WM_DELETE_WINDOW message is what a window manager sends
// when the player closes the window. They are skipped when Xvfb is not installed.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "shell/game_state.h"
#include "shell/shell.h"
#include "test_support.h"
#include "world/world.h"

// After the game's headers: Xlib's macros (Bool, Status, None) would clash with theirs.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

static constexpr const char* WINDOW_TITLE_PREFIX = "Korvane";
static constexpr int NORMAL_EXIT = 0;
static constexpr int NOT_EXITED = -1;
static constexpr int EXEC_FAILED = 127;
static constexpr int XVFB_ATTEMPTS = 5;
static constexpr milliseconds POLL_STEP{20};
static constexpr milliseconds START_TIMEOUT{20000};  // start-up under a sanitizer is slow
static constexpr milliseconds STEP_TIMEOUT{10000};
// The title picture is drawn once per visit; play redraws every 30 ms. A
// window that has not changed for this long is showing the title screen.
static constexpr milliseconds STILL_FOR{600};
// The main loop's Escape timer: longer than a play frame, so one Escape
// normally lands in play and the next on the title screen.
static constexpr Uint32 ESCAPE_INTERVAL_MS = 70;

static void Pause(milliseconds time) {
    std::this_thread::sleep_for(time);
}

// ---- In-process: the main loop itself ----

class MainLoopExitTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        ResetWorld();  // a ship with its lives, so that play does not end by itself
        SDL_InitSubSystem(SDL_INIT_TIMER);
        previousAxisReader = ReadJoystickAxis;
        ReadJoystickAxis = CountingAxisReader;
        axisReads = 0;
        DrainEvents();
    }

    void TearDown() override {
        ReadJoystickAxis = previousAxisReader;
        DrainEvents();
    }

    static void Push(Uint8 type, SDLKey key = SDLK_UNKNOWN) {
        SDL_Event event = {};
        event.type = type;
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }

    static Uint32 PushEscape(Uint32 interval, void*) {
        Push(SDL_KEYDOWN, SDLK_ESCAPE);
        return interval;
    }

    // Each play frame reads the two stick axes once, so this counts play frames.
    static int PlayFramesRun() { return axisReads / 2; }

  private:
    static Sint16 CountingAxisReader(SDL_Joystick*, int) {
        axisReads++;
        return 0;
    }

    static void DrainEvents() {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
    }

    static int axisReads;
    Sint16 (*previousAxisReader)(SDL_Joystick*, int) = nullptr;
};

int MainLoopExitTest::axisReads = 0;

TEST_F(MainLoopExitTest, WindowCloseDuringPlayEndsTheLoopAfterThatFrameWithoutATitlePass) {
    GameState.mode = MODE_PLAY;
    Push(SDL_QUIT);

    RunMainLoop();

    EXPECT_EQ(GameState.quit, 1);
    EXPECT_EQ(PlayFramesRun(), 1);
    EXPECT_EQ(GameState.mode, MODE_PLAY);
    EXPECT_EQ(GameState.frameCounter, 1) << "a title pass would have reset the world";
}

TEST_F(MainLoopExitTest, WindowCloseOnTheTitleEndsTheLoopWithoutPlaying) {
    GameState.mode = MODE_TITLE;
    Push(SDL_QUIT);

    RunMainLoop();

    EXPECT_EQ(GameState.quit, 1);
    EXPECT_EQ(PlayFramesRun(), 0);
}

// Escape keeps coming until the loop ends: the first one during play returns
// to the title screen, and the next one there ends the loop.
TEST_F(MainLoopExitTest, EscapeDuringPlayThenOnTheTitleEndsTheLoop) {
    GameState.mode = MODE_PLAY;
    const SDL_TimerID timer = SDL_AddTimer(ESCAPE_INTERVAL_MS, PushEscape, nullptr);
    ASSERT_NE(timer, nullptr);

    RunMainLoop();
    SDL_RemoveTimer(timer);

    EXPECT_EQ(GameState.quit, 1);
    EXPECT_EQ(GameState.mode, MODE_TITLE);
    EXPECT_GE(PlayFramesRun(), 1);
    EXPECT_EQ(GameState.frameCounter, 0) << "the title screen resets the world";
}

// ---- The real program ----

// A child process with its standard output captured in a file.
struct Child {
    pid_t pid = -1;
    std::string outputPath;
};

// The game's environment: the test's own, with a real X display and silent audio.
static std::vector<std::string> GameEnvironment(const std::string& display) {
    std::vector<std::string> environment = {"DISPLAY=" + display, "SDL_AUDIODRIVER=dummy"};
    for (char** entry = environ; *entry; entry++) {
        const std::string setting = *entry;
        const std::string name = setting.substr(0, setting.find('='));
        if (name != "DISPLAY" && name != "SDL_AUDIODRIVER" && name != "SDL_VIDEODRIVER") {
            environment.push_back(setting);
        }
    }
    return environment;
}

// Starts the game binary in the data directory. Everything the child needs is
// prepared before the fork: the test program has other threads running.
static Child SpawnGame(const std::vector<std::string>& environment, const std::string& outputPath) {
    std::vector<char*> envp;
    for (const std::string& setting : environment) {
        envp.push_back(const_cast<char*>(setting.c_str()));
    }
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(KORVANE_BINARY), nullptr};
    Child child;
    child.outputPath = outputPath;
    const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    child.pid = fork();
    if (child.pid == 0) {
        dup2(out, STDOUT_FILENO);
        if (chdir(KORVANE_DATA_DIR) == 0) {
            execve(KORVANE_BINARY, argv, envp.data());
        }
        _exit(EXEC_FAILED);
    }
    close(out);
    return child;
}

// Waits up to timeout for the child to end; returns its exit status, or
// NOT_EXITED if it is still running or died of a signal.
static int WaitForExit(pid_t pid, milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            return NOT_EXITED;
        }
        Pause(POLL_STEP);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : NOT_EXITED;
}

static bool IsRunning(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

static void Stop(pid_t pid) {
    if (pid > 0 && IsRunning(pid)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

static std::string ReadText(const std::string& path) {
    std::string text;
    FILE* file = fopen(path.c_str(), "r");
    if (!file) {
        return text;
    }
    for (int c = fgetc(file); c != EOF; c = fgetc(file)) {
        text.push_back(static_cast<char>(c));
    }
    fclose(file);
    return text;
}

static bool OnPath(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return system(command.c_str()) == 0;
}

// The parts of libX11 the tests use, loaded at run time: the test program does
// not link X11 itself.
struct XLibrary {
    decltype(&XOpenDisplay) openDisplay;
    decltype(&XCloseDisplay) closeDisplay;
    decltype(&XDefaultRootWindow) defaultRootWindow;
    decltype(&XQueryTree) queryTree;
    decltype(&XFetchName) fetchName;
    decltype(&XFree) free;
    decltype(&XInternAtom) internAtom;
    decltype(&XSendEvent) sendEvent;
    decltype(&XSync) sync;
    decltype(&XKeysymToKeycode) keysymToKeycode;
    decltype(&XGetWindowAttributes) getWindowAttributes;
    decltype(&XGetImage) getImage;
};

template <typename F>
static bool Bind(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

static bool LoadXLibrary(XLibrary& x) {
    void* library = dlopen("libX11.so.6", RTLD_NOW);
    return library && Bind(library, "XOpenDisplay", x.openDisplay) &&
           Bind(library, "XCloseDisplay", x.closeDisplay) &&
           Bind(library, "XDefaultRootWindow", x.defaultRootWindow) &&
           Bind(library, "XQueryTree", x.queryTree) && Bind(library, "XFetchName", x.fetchName) &&
           Bind(library, "XFree", x.free) && Bind(library, "XInternAtom", x.internAtom) &&
           Bind(library, "XSendEvent", x.sendEvent) && Bind(library, "XSync", x.sync) &&
           Bind(library, "XKeysymToKeycode", x.keysymToKeycode) &&
           Bind(library, "XGetWindowAttributes", x.getWindowAttributes) &&
           Bind(library, "XGetImage", x.getImage);
}

// A private Xvfb server on a display number it picks itself, so that runs in
// parallel never share one; stopped when the object goes. A server that dies
// before reporting its number (it happens when several start at once) is
// started again.
class VirtualDisplay {
  public:
    VirtualDisplay() {
        for (int attempt = 0; attempt < XVFB_ATTEMPTS && name.empty(); attempt++) {
            Start();
        }
    }
    ~VirtualDisplay() {
        if (!name.empty()) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    std::string name;  // ":N", or empty when the server did not start

  private:
    void Start() {
        int numberPipe[2];
        if (pipe(numberPipe) != 0) {
            return;
        }
        const std::string fd = std::to_string(numberPipe[1]);
        const int quiet = open("/dev/null", O_WRONLY);
        pid = fork();
        if (pid == 0) {
            close(numberPipe[0]);
            dup2(quiet, STDERR_FILENO);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(EXEC_FAILED);
        }
        close(quiet);
        close(numberPipe[1]);
        char number[16] = "";
        const ssize_t got = read(numberPipe[0], number, sizeof number - 1);
        close(numberPipe[0]);
        if (got > 0 && number[got - 1] == '\n') {
            name = ":" + std::to_string(atoi(number));
        } else {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }

    pid_t pid = -1;
};

// The game binary in its own Xvfb, driven as a player would through X events.
class RealWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!OnPath("Xvfb")) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(LoadXLibrary(x)) << "libX11 could not be loaded";
        ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
        display = x.openDisplay(server.name.c_str());
        ASSERT_NE(display, nullptr) << server.name;

        game = SpawnGame(GameEnvironment(server.name), scratch.path + "/stdout.txt");
        ASSERT_TRUE(WaitForWindow()) << "the game never opened its window";
        ASSERT_TRUE(WaitUntilStill()) << "the title screen never settled";
    }

    void TearDown() override {
        Stop(game.pid);
        if (display) {
            x.closeDisplay(display);
        }
    }

    // The game's top-level window: the one whose title starts with the game's name.
    Window FindGameWindow(Window parent) {
        char* title = nullptr;
        if (x.fetchName(display, parent, &title) && title) {
            const bool ours = std::string(title).rfind(WINDOW_TITLE_PREFIX, 0) == 0;
            x.free(title);
            if (ours) {
                return parent;
            }
        }
        Window root = 0;
        Window up = 0;
        Window* children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (x.queryTree(display, parent, &root, &up, &children, &count)) {
            for (unsigned i = 0; i < count && !found; i++) {
                found = FindGameWindow(children[i]);
            }
            x.free(children);
        }
        return found;
    }

    bool WaitForWindow() {
        const Clock::time_point deadline = Clock::now() + START_TIMEOUT;
        while (Clock::now() < deadline && IsRunning(game.pid)) {
            window = FindGameWindow(x.defaultRootWindow(display));
            if (window) {
                return true;
            }
            Pause(POLL_STEP);
        }
        return false;
    }

    // A checksum of what the window shows, or 0 when it shows nothing yet.
    unsigned long Picture() {
        XWindowAttributes attributes;
        if (!x.getWindowAttributes(display, window, &attributes)) {
            return 0;
        }
        XImage* image = x.getImage(display, window, 0, 0, attributes.width, attributes.height,
                                   AllPlanes, ZPixmap);
        if (!image) {
            return 0;
        }
        unsigned long sum = 0;
        const long bytes = static_cast<long>(image->bytes_per_line) * image->height;
        for (long i = 0; i < bytes; i++) {
            sum = sum * 31 + static_cast<unsigned char>(image->data[i]);
        }
        image->f.destroy_image(image);
        return sum;
    }

    // Waits until the window shows a picture that stays the same for STILL_FOR:
    // the title screen, which is drawn once per visit.
    bool WaitUntilStill() {
        const Clock::time_point deadline = Clock::now() + START_TIMEOUT;
        unsigned long last = 0;
        Clock::time_point since = Clock::now();
        while (Clock::now() < deadline && IsRunning(game.pid)) {
            const unsigned long now = Picture();
            if (now != last) {
                last = now;
                since = Clock::now();
            } else if (now != 0 && Clock::now() - since >= STILL_FOR) {
                return true;
            }
            Pause(POLL_STEP);
        }
        return false;
    }

    // Waits until the window's picture keeps changing: play scrolls every frame.
    bool WaitUntilMoving() {
        const Clock::time_point deadline = Clock::now() + STEP_TIMEOUT;
        const unsigned long first = Picture();
        while (Clock::now() < deadline && IsRunning(game.pid)) {
            Pause(POLL_STEP);
            const unsigned long second = Picture();
            Pause(POLL_STEP);
            if (second != first && Picture() != second) {
                return true;
            }
        }
        return false;
    }

    // A key press and release, sent to the window as the X server would deliver them.
    void PressKey(KeySym key) {
        for (int type : {KeyPress, KeyRelease}) {
            XEvent event = {};
            event.xkey.type = type;
            event.xkey.display = display;
            event.xkey.window = window;
            event.xkey.root = x.defaultRootWindow(display);
            event.xkey.keycode = x.keysymToKeycode(display, key);
            event.xkey.same_screen = True;
            x.sendEvent(display, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask,
                        &event);
        }
        x.sync(display, False);
    }

    // What a window manager sends when the player clicks the window's close button.
    void CloseWindow() {
        XEvent event = {};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = x.internAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(x.internAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        x.sendEvent(display, window, False, NoEventMask, &event);
        x.sync(display, False);
    }

    // Starts a game from the title screen and waits until play is running.
    void StartPlaying() {
        PressKey(XK_space);
        ASSERT_TRUE(WaitUntilMoving()) << "a key on the title screen did not start play";
    }

    std::string Output() const { return ReadText(game.outputPath); }

    XLibrary x = {};
    VirtualDisplay server;
    Display* display = nullptr;
    Window window = 0;
    Child game;

  private:
    struct Scratch {
        Scratch() {
            char pattern[] = "/tmp/korvane-exit-XXXXXX";
            path = mkdtemp(pattern);
        }
        ~Scratch() {
            unlink((path + "/stdout.txt").c_str());
            rmdir(path.c_str());
        }
        std::string path;
    } scratch;
};

TEST_F(RealWindowTest, ClosingTheWindowOnTheTitleExitsWithStatusZero) {
    CloseWindow();

    EXPECT_EQ(WaitForExit(game.pid, STEP_TIMEOUT), NORMAL_EXIT);
    EXPECT_EQ(Output(), "");
}

TEST_F(RealWindowTest, ClosingTheWindowDuringPlayExitsWithStatusZero) {
    StartPlaying();

    CloseWindow();

    EXPECT_EQ(WaitForExit(game.pid, STEP_TIMEOUT), NORMAL_EXIT);
    EXPECT_EQ(Output(), "");
}

TEST_F(RealWindowTest, EscapeFromPlayReturnsToTheTitleAndEscapeThereExitsWithStatusZero) {
    StartPlaying();

    PressKey(XK_Escape);
    ASSERT_TRUE(WaitUntilStill()) << "Escape in play did not return to the title screen";
    EXPECT_TRUE(IsRunning(game.pid));
    PressKey(XK_Escape);

    EXPECT_EQ(WaitForExit(game.pid, STEP_TIMEOUT), NORMAL_EXIT);
    EXPECT_EQ(Output(), "");
}
