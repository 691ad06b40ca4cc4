// A long headless session with seeded random input through level changes, game
// overs and returns to the title screen, failing if memory or open files grow,
// if the levels never wrap or no game is lost, or if Escape on the title does not quit.
// Usage: korvane_soak DATA_DIR [FRAMES]; exits 0 (pass), 1 (fail) or 2 (cannot start).
#include <SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "shell/assets.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "world/world.h"

// AddressSanitizer's live heap when its runtime is linked in; null otherwise.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

constexpr int DEFAULT_FRAMES = 100000;
// Memory sampled once the game has warmed up and at the end of the default run
// must change by less than MAX_GROWTH_BYTES.
constexpr int EARLY_SAMPLE_FRAME = 10000;
constexpr long MAX_GROWTH_BYTES = 1024 * 1024;
constexpr double MB = 1024.0 * 1024.0;
constexpr unsigned INPUT_SEED = 20240607;  // the player's hand
constexpr unsigned GAME_SEED = 1;          // the enemies' placement
// The player's habits, as chances per frame (one in N).
constexpr int CHANCE_ESCAPE = 30000;    // leave for the title screen
constexpr int CHANCE_JOY_BUTTON = 12;   // a joystick button press
constexpr int CHANCE_CHANGE_KEYS = 8;   // let go of the arrows or press new ones
constexpr int CHANCE_RELEASE_FIRE = 5;  // a frame without Shift
// Once the boss has been in play this long its next hit finishes it, so that
// level changes are soaked too; the ship aims this far into the boss.
constexpr int BOSS_WEAKEN_FRAMES = 60;
constexpr int BOSS_LAST_HIT = 99;
constexpr int BOSS_AIM_OFFSET = 50;

static std::mt19937 Hand(INPUT_SEED);

static bool Chance(int oneIn) {
    return std::uniform_int_distribution<int>(1, oneIn)(Hand) == 1;
}

// Queues an event: a key press, a joystick button press or a window close.
static void Queue(Uint8 type, SDLKey key = SDLK_UNKNOWN) {
    SDL_Event event = {};
    event.type = type;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
}

// Prints the memory and the open files. Returns the resident memory, or under
// AddressSanitizer (whose quarantine swells it) the live heap.
static long SampleMemory(int frame, int& openFiles) {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    openFiles = static_cast<int>(std::distance(begin(fds), end(fds)));
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    resident *= sysconf(_SC_PAGESIZE);
    printf("soak: frame %d: %d open files, resident %.2f MB", frame, openFiles, resident / MB);
    if (__sanitizer_get_current_allocated_bytes) {
        resident = static_cast<long>(__sanitizer_get_current_allocated_bytes());
        printf(", live heap %.2f MB", resident / MB);
    }
    printf("\n");
    return resident;
}

// Sets this frame's keys and queues its events: the arrows wander, or steer
// under the boss; Shift is mostly held. Returns whether Escape was pressed.
static bool PlayerHand(int bossFrames) {
    Uint8* keys = SDL_GetKeyState(nullptr);
    if (Chance(CHANCE_CHANGE_KEYS)) {
        for (SDLKey arrow : {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT}) {
            keys[arrow] = Chance(2) ? 1 : 0;
        }
    }
    Enemy& boss = WorldState.enemies[BOSS_SLOT];
    if (GameState.bossPhase == BOSS_ACTIVE) {
        if (bossFrames > BOSS_WEAKEN_FRAMES && boss.hits < BOSS_LAST_HIT) {
            boss.hits = BOSS_LAST_HIT;
        }
        keys[SDLK_LEFT] = boss.x + BOSS_AIM_OFFSET < WorldState.ship.x ? 1 : 0;
        keys[SDLK_RIGHT] = boss.x + BOSS_AIM_OFFSET > WorldState.ship.x ? 1 : 0;
    }
    keys[SDLK_LSHIFT] = Chance(CHANCE_RELEASE_FIRE) ? 0 : 1;
    if (Chance(CHANCE_JOY_BUTTON)) {
        Queue(SDL_JOYBUTTONDOWN);
    }
    const bool escape = Chance(CHANCE_ESCAPE);
    if (escape) {
        Queue(SDL_KEYDOWN, SDLK_ESCAPE);
    }
    return escape;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s DATA_DIR [FRAMES]\n", argv[0]);
        return 2;
    }
    const int frames = argc > 2 ? atoi(argv[2]) : DEFAULT_FRAMES;
    if (chdir(argv[1]) != 0 || SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_JOYSTICK) < 0 ||
        !(GameState.screen =
              SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, SDL_DOUBLEBUF)) ||
        OpenMixer() < 0 || TTF_Init() < 0 || !LoadResources() || !LoadGraphics()) {
        fprintf(stderr, "soak: cannot start in %s: %s\n", argv[1], SDL_GetError());
        return 2;
    }
    srand(GAME_SEED);

    // A game starts from the title screen with a key or a joystick button.
    // Every other game gets its lives back whenever it is down to its last, so
    // that it goes on through the levels; the games in between are lost.
    int played = 0, games = 0, levelChanges = 0, gameOvers = 0, escapes = 0, bossFrames = 0;
    long early = 0, late = 0;
    int earlyFiles = 0, lateFiles = 0;
    while (played < frames) {
        // A window close queued behind the start ends a title screen that
        // ignores the start, which then fails the run instead of hanging it.
        if (GameState.mode == MODE_TITLE) {
            Chance(2) ? Queue(SDL_KEYDOWN, SDLK_SPACE) : Queue(SDL_JOYBUTTONDOWN);
            Queue(SDL_QUIT);
            TitlePass();
            if (GameState.mode != MODE_PLAY) {
                printf("soak: FAIL: the title screen ignored a start\n");
                return 1;
            }
            GameState.quit = 0;
            games++;
            continue;
        }
        if (games % 2 == 1 && WorldState.ship.lives == 1) {
            WorldState.ship.lives = SHIP_START_LIVES;
        }
        const bool escaped = PlayerHand(bossFrames);
        const int phaseBefore = GameState.bossPhase;
        PlayFrameSteps();
        played++;
        bossFrames = GameState.bossPhase == BOSS_ACTIVE ? bossFrames + 1 : 0;
        levelChanges += phaseBefore == BOSS_DEFEATED && GameState.bossPhase == BOSS_NONE ? 1 : 0;
        if (GameState.mode == MODE_TITLE) {
            (escaped ? escapes : gameOvers)++;
        }
        early = played == EARLY_SAMPLE_FRAME ? SampleMemory(played, earlyFiles) : early;
        late = played == DEFAULT_FRAMES ? SampleMemory(played, lateFiles) : late;
    }
    // Escape leaves play for the title screen, and there ends the game.
    if (GameState.mode != MODE_TITLE) {
        Queue(SDL_KEYDOWN, SDLK_ESCAPE);
        PlayFrameSteps();
    }
    Queue(SDL_KEYDOWN, SDLK_ESCAPE);
    TitlePass();
    const bool quit = GameState.quit == 1;
    ReleaseResources();
    TTF_Quit();
    Mix_CloseAudio();
    SDL_Quit();

    printf("soak: %d frames, %d games, %d level changes, %d game overs, %d escapes\n", played,
           games, levelChanges, gameOvers, escapes);
    // A shorter run, as under valgrind, is too short to judge growth or to wrap the levels.
    const bool full = frames >= DEFAULT_FRAMES;
    printf("soak: growth %+.3f MB (limit %.3f MB%s)\n", (late - early) / MB, MAX_GROWTH_BYTES / MB,
           full ? "" : ", not judged");
    const struct {
        bool failed;
        const char* what;
    } checks[] = {
        {!quit, "Escape on the title screen did not quit"},
        {full && labs(late - early) >= MAX_GROWTH_BYTES, "memory changed by 1 MB or more"},
        {full && lateFiles != earlyFiles, "the game keeps files open"},
        {full && (levelChanges < LEVEL_COUNT || gameOvers == 0),
         "the run never wrapped the levels or never lost a game"},
    };
    bool passed = true;
    for (const auto& check : checks) {
        if (check.failed) {
            printf("soak: FAIL: %s\n", check.what);
            passed = false;
        }
    }
    // Flushed here: a sanitizer's exit-time report would end the process before stdio does.
    fflush(stdout);
    return passed ? 0 : 1;
}
