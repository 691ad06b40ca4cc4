// Time from launch to the title picture on screen, seen from the X server.
//
// Launches the game, waits for its window to be mapped, then reads the window's
// pixels back every millisecond until they show the title picture at every
// probe point: points of a grid where the picture is neither black (the fresh
// screen) nor the transparent red. Prints the game's pid and both times, then
// stays the game's parent until it ends, so the caller can go on measuring it.
// Usage: korvane_title_probe <game binary> <title bmp>, from data/, with DISPLAY set.
#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "timing.h"

static constexpr int GRID_COLUMNS = 16;
static constexpr int GRID_ROWS = 12;
static constexpr int MIN_PROBES = 8;
static constexpr Uint32 RGB_MASK = 0xFFFFFF;
static constexpr Uint32 RED_MASK = 0xFF0000;
static constexpr Uint32 GREEN_MASK = 0x00FF00;
static constexpr Uint32 BLUE_MASK = 0x0000FF;
static constexpr Uint32 TRANSPARENT_RED = 0xFF0000;
static constexpr Uint32 BLACK = 0;
static constexpr int RED_SHIFT = 16;
static constexpr int GREEN_SHIFT = 8;
static constexpr int RGB_BYTES = 4;
static constexpr int BITS_PER_BYTE = 8;
static constexpr int TIMEOUT_MS = 10000;
static constexpr int POLL_MS = 1;
static constexpr useconds_t US_PER_MS = 1000;

struct Probe {
    int x;
    int y;
    Uint32 rgb;
};

// Grid points of the picture that the title pass visibly paints.
static std::vector<Probe> ProbesOf(const char* path, int& width, int& height) {
    std::vector<Probe> probes;
    SDL_Surface* loaded = SDL_LoadBMP(path);
    if (!loaded) {
        return probes;
    }
    SDL_PixelFormat rgb = {};
    rgb.BitsPerPixel = RGB_BYTES * BITS_PER_BYTE;
    rgb.BytesPerPixel = RGB_BYTES;
    rgb.Rmask = RED_MASK;
    rgb.Gmask = GREEN_MASK;
    rgb.Bmask = BLUE_MASK;
    rgb.Rshift = RED_SHIFT;
    rgb.Gshift = GREEN_SHIFT;
    rgb.alpha = SDL_ALPHA_OPAQUE;
    SDL_Surface* picture = SDL_ConvertSurface(loaded, &rgb, SDL_SWSURFACE);
    SDL_FreeSurface(loaded);
    width = picture->w;
    height = picture->h;
    for (int row = 0; row < GRID_ROWS; row++) {
        for (int column = 0; column < GRID_COLUMNS; column++) {
            const int x = (2 * column + 1) * width / (2 * GRID_COLUMNS);
            const int y = (2 * row + 1) * height / (2 * GRID_ROWS);
            const Uint32* line = reinterpret_cast<const Uint32*>(
                static_cast<const Uint8*>(picture->pixels) + y * picture->pitch);
            const Uint32 colour = line[x] & RGB_MASK;
            if (colour != BLACK && colour != TRANSPARENT_RED) {
                probes.push_back({x, y, colour});
            }
        }
    }
    SDL_FreeSurface(picture);
    return probes;
}

// Waits for the first top-level window to be mapped; None on timeout.
static Window AwaitMappedWindow(Display* display, Clock::time_point start) {
    pollfd connection = {ConnectionNumber(display), POLLIN, 0};
    while (MsSince(start) < TIMEOUT_MS) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify) {
                return event.xmap.window;
            }
        }
        poll(&connection, 1, POLL_MS);
    }
    return None;
}

static bool ShowsTitle(Display* display, Window window, int width, int height,
                       const std::vector<Probe>& probes) {
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) {
        return false;
    }
    bool all = true;
    for (const Probe& probe : probes) {
        all = all && (XGetPixel(image, probe.x, probe.y) & RGB_MASK) == probe.rgb;
    }
    XDestroyImage(image);
    return all;
}

// A window that goes away between two reads only makes XGetImage return null.
static int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

static pid_t Launch(const char* game) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl(game, game, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

static int GiveUp(pid_t game, const char* why) {
    fprintf(stderr, "%s\n", why);
    kill(game, SIGTERM);
    waitpid(game, nullptr, 0);
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s <game binary> <title bmp>\n", argv[0]);
        return 2;
    }
    int width = 0;
    int height = 0;
    const std::vector<Probe> probes = ProbesOf(argv[2], width, height);
    Display* display = XOpenDisplay(nullptr);
    if (static_cast<int>(probes.size()) < MIN_PROBES || !display) {
        fprintf(stderr, "need a title picture with visible pixels and an X display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreXError);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    const pid_t game = Launch(argv[1]);
    const Window window = AwaitMappedWindow(display, start);
    if (window == None) {
        return GiveUp(game, "the game's window never appeared");
    }
    const double mapped = MsSince(start);
    while (!ShowsTitle(display, window, width, height, probes)) {
        if (MsSince(start) > TIMEOUT_MS) {
            return GiveUp(game, "the title picture never appeared");
        }
        usleep(POLL_MS * US_PER_MS);
    }
    printf("pid %d mapped_ms %.1f title_ms %.1f\n", static_cast<int>(game), mapped, MsSince(start));
    fflush(stdout);
    XCloseDisplay(display);
    int status = 0;
    waitpid(game, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
