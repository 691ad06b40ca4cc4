// Soak run: plays a long headless session with seeded random input, through
// level changes, game overs and returns to the title screen, and checks that
// memory stops growing once the game has warmed up.
//
// Usage: korvane_soak DATA_DIR [FRAMES]
// Exit status 0 when the run passes, 1 when it fails, 2 on a usage or start-up error.
#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "shell/assets.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "world/world.h"

#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVANE_ASAN 1
#endif
#endif
#ifdef KORVANE_ASAN
// From the sanitizer runtime (gcc does not install its header): bytes in live allocations.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

constexpr int DEFAULT_FRAMES = 100000;
// Memory is sampled once the game has warmed up and again at the end of the
// default run; it must grow by less than MAX_GROWTH_BYTES in between.
constexpr int EARLY_SAMPLE_FRAME = 10000;
constexpr int LATE_SAMPLE_FRAME = DEFAULT_FRAMES;
constexpr long MAX_GROWTH_BYTES = 1024 * 1024;
constexpr double BYTES_PER_MB = 1024.0 * 1024.0;

constexpr unsigned INPUT_SEED = 20240607;  // the player's hand
constexpr unsigned GAME_SEED = 1;          // the game's enemy placement

// The same libraries and modes the game brings up.
constexpr Uint32 INIT_FLAGS = SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_JOYSTICK;

// The player's habits, as chances per frame (one in N).
constexpr int CHANCE_ESCAPE = 30000;    // leave for the title screen
constexpr int CHANCE_JOY_BUTTON = 12;   // a joystick button press
constexpr int CHANCE_CHANGE_KEYS = 8;   // let go of the arrows or press new ones
constexpr int CHANCE_RELEASE_FIRE = 5;  // a frame without Shift
// Once the boss has been in play this long its next hit finishes it, so the
// level changes often enough to be soaked too.
constexpr int BOSS_WEAKEN_FRAMES = 60;
constexpr int BOSS_LAST_HIT = 99;
constexpr int BOSS_AIM_OFFSET = 50;  // the ship aims this far right of the boss's left edge
// In every other game the ship gets its lives back whenever it is down to its
// last, so that game reaches the boss and goes on through the levels; the
// games in between are lost.
constexpr int LAST_LIFE = 1;

struct SoakCounts {
    int games = 0;
    int frames = 0;
    int levelChanges = 0;
    int gameOvers = 0;
    int escapes = 0;
};

static std::mt19937 Hand(INPUT_SEED);

static bool Chance(int oneIn) {
    return std::uniform_int_distribution<int>(1, oneIn)(Hand) == 1;
}

static void PushKey(SDLKey key) {
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
}

static void PushJoyButton() {
    SDL_Event event = {};
    event.type = SDL_JOYBUTTONDOWN;
    event.jbutton.state = SDL_PRESSED;
    SDL_PushEvent(&event);
}

// Resident memory in bytes, from /proc/self/statm.
static long ResidentBytes() {
    FILE* statm = fopen("/proc/self/statm", "r");
    long pages = 0;
    long resident = 0;
    if (statm) {
        if (fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

static bool StartUp(const char* dataDir) {
    if (chdir(dataDir) != 0) {
        fprintf(stderr, "soak: cannot enter %s\n", dataDir);
        return false;
    }
    if (SDL_Init(INIT_FLAGS) < 0) {
        fprintf(stderr, "soak: SDL: %s\n", SDL_GetError());
        return false;
    }
    GameState.screen = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, SDL_DOUBLEBUF);
    if (!GameState.screen || OpenMixer() < 0 || TTF_Init() < 0) {
        fprintf(stderr, "soak: start-up: %s\n", SDL_GetError());
        return false;
    }
    if (!LoadResources() || !LoadGraphics()) {
        return false;
    }
    srand(GAME_SEED);
    return true;
}

static void ShutDown() {
    ReleaseResources();
    TTF_Quit();
    Mix_CloseAudio();
    SDL_Quit();
}

// The active boss, or null.
static Enemy* ActiveBoss() {
    for (Enemy& enemy : WorldState.enemies) {
        if (enemy.active == SLOT_ACTIVE && enemy.kind == ENEMY_BOSS) {
            return &enemy;
        }
    }
    return nullptr;
}

// Arrows wander at random; while the boss is in play the ship steers under it.
static void SteerShip(Uint8* keys, int bossFrames) {
    if (Chance(CHANCE_CHANGE_KEYS)) {
        for (SDLKey arrow : {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT}) {
            keys[arrow] = Chance(2) ? 1 : 0;
        }
    }
    Enemy* boss = ActiveBoss();
    if (!boss) {
        return;
    }
    if (bossFrames > BOSS_WEAKEN_FRAMES && boss->hits < BOSS_LAST_HIT) {
        boss->hits = BOSS_LAST_HIT;
    }
    const int aim = boss->x + BOSS_AIM_OFFSET - WorldState.ship.x;
    keys[SDLK_LEFT] = aim < 0 ? 1 : 0;
    keys[SDLK_RIGHT] = aim > 0 ? 1 : 0;
}

// Sets this frame's key state and queues this frame's events. Returns true
// when Escape was pressed.
static bool PlayerHand(int bossFrames) {
    Uint8* keys = SDL_GetKeyState(nullptr);
    SteerShip(keys, bossFrames);
    keys[SDLK_LSHIFT] = Chance(CHANCE_RELEASE_FIRE) ? 0 : 1;
    if (Chance(CHANCE_JOY_BUTTON)) {
        PushJoyButton();
    }
    if (Chance(CHANCE_ESCAPE)) {
        PushKey(SDLK_ESCAPE);
        return true;
    }
    return false;
}

// The title screen: any key other than Escape, or a joystick button, starts a game.
static void StartFromTitle(SoakCounts& counts) {
    if (Chance(2)) {
        PushKey(SDLK_SPACE);
    } else {
        PushJoyButton();
    }
    TitlePass();
    counts.games += GameState.mode == MODE_PLAY ? 1 : 0;
}

static void KeepShipAlive() {
    if (WorldState.ship.lives == LAST_LIFE) {
        WorldState.ship.lives = SHIP_START_LIVES;
    }
}

// Prints the resident memory and returns what the growth check compares: the
// resident memory, or under AddressSanitizer the allocator's live bytes, since
// its quarantine of freed blocks swells resident memory by design.
static long Sample(int frame) {
    const long resident = ResidentBytes();
    printf("soak: frame %d: resident %.2f MB", frame, resident / BYTES_PER_MB);
#ifdef KORVANE_ASAN
    const long live = static_cast<long>(__sanitizer_get_current_allocated_bytes());
    printf(", live heap %.2f MB\n", live / BYTES_PER_MB);
    return live;
#else
    printf("\n");
    return resident;
#endif
}

// Plays until the given number of play frames has run; samples memory at the
// two sample frames.
static void Soak(int frames, SoakCounts& counts, long& early, long& late) {
    int bossFrames = 0;
    while (counts.frames < frames) {
        if (GameState.mode == MODE_TITLE) {
            StartFromTitle(counts);
            continue;
        }
        if (counts.games % 2 == 1) {
            KeepShipAlive();
        }
        const bool escaped = PlayerHand(bossFrames);
        const int phaseBefore = GameState.bossPhase;
        PlayFrameSteps();
        counts.frames++;

        bossFrames = GameState.bossPhase == BOSS_ACTIVE ? bossFrames + 1 : 0;
        if (phaseBefore == BOSS_DEFEATED && GameState.bossPhase == BOSS_NONE) {
            counts.levelChanges++;
        }
        if (GameState.mode == MODE_TITLE) {
            counts.escapes += escaped ? 1 : 0;
            counts.gameOvers += escaped ? 0 : 1;
        }
        if (counts.frames == EARLY_SAMPLE_FRAME) {
            early = Sample(counts.frames);
        }
        if (counts.frames == LATE_SAMPLE_FRAME) {
            late = Sample(counts.frames);
        }
    }
}

// Escape on the title screen ends the game, as it does for a player.
static bool QuitFromTitle() {
    if (GameState.mode != MODE_TITLE) {
        PushKey(SDLK_ESCAPE);
        PlayFrameSteps();
    }
    PushKey(SDLK_ESCAPE);
    TitlePass();
    return GameState.quit == 1;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s DATA_DIR [FRAMES]\n", argv[0]);
        return 2;
    }
    const int frames = argc > 2 ? atoi(argv[2]) : DEFAULT_FRAMES;
    if (!StartUp(argv[1])) {
        return 2;
    }

    SoakCounts counts;
    long early = 0;
    long late = 0;
    Soak(frames, counts, early, late);
    const bool quit = QuitFromTitle();
    ShutDown();

    printf("soak: %d frames, %d games, %d level changes, %d game overs, %d escapes\n",
           counts.frames, counts.games, counts.levelChanges, counts.gameOvers, counts.escapes);
    bool passed = quit;
    if (!quit) {
        printf("soak: FAIL: Escape on the title screen did not quit\n");
    }
    if (frames >= LATE_SAMPLE_FRAME) {
        const long growth = late - early;
        printf("soak: growth %+.3f MB (limit %.3f MB)\n", growth / BYTES_PER_MB,
               MAX_GROWTH_BYTES / BYTES_PER_MB);
        if (growth >= MAX_GROWTH_BYTES || growth <= -MAX_GROWTH_BYTES) {
            printf("soak: FAIL: memory changed by 1 MB or more\n");
            passed = false;
        }
        if (counts.levelChanges < LEVEL_COUNT || counts.gameOvers == 0) {
            printf("soak: FAIL: the run never wrapped the levels or never lost a game\n");
            passed = false;
        }
    }
    // Flushed here: a sanitizer's exit-time report would end the process before stdio does.
    fflush(stdout);
    return passed ? 0 : 1;
}
