#include "shell/shell.h"

#include <SDL_thread.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "level/level.h"
#include "shell/assets.h"
#include "shell/frame_clock.h"
#include "shell/game_state.h"
#include "world/firing.h"
#include "world/scene.h"
#include "world/spawn.h"
#include "world/update.h"
#include "world/world.h"

static constexpr const char* GAME_TITLE = "Korvane v0.2";
static constexpr const char* WINDOW_TITLE = "Korvane v0.2 - a vertical space shooter";
static constexpr Uint32 INIT_FLAGS = SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_JOYSTICK;
static constexpr Uint32 VIDEO_FLAGS = SDL_DOUBLEBUF;
static constexpr int AUDIO_RATE = 22050;
static constexpr Uint16 AUDIO_FORMAT = AUDIO_S16MSB;
static constexpr int MONO = 1;
static constexpr int STEREO = 2;
// The compatibility layer numbers its releases 1.2.50 and up; the classic
// library never went past 1.2.15.
static constexpr Uint8 COMPAT_LAYER_FIRST_PATCH = 50;
static constexpr int AUDIO_CHUNK_SAMPLES = 4096;
static constexpr int LOOP_FOREVER = -1;
static constexpr int AXIS_X = 0;
static constexpr int AXIS_Y = 1;
// The title screen sleeps this long whenever its event queue is empty: about
// 33 wake-ups a second cost next to nothing, and a key is still answered well
// within 50 ms.
static constexpr Uint32 TITLE_IDLE_MS = 30;
// SDL gets a few tries at start-up, this far apart (see InitSdlWithRetries).
static constexpr int INIT_ATTEMPTS = 8;
static constexpr Uint32 INIT_RETRY_MS = 50;
// The compatibility layer's own variables for an enlarged window: the scaling
// method, read at SDL_Init, and the window's size factor, read at
// SDL_SetVideoMode.
static constexpr const char* SCALE_METHOD_VARIABLE = "SDL12COMPAT_SCALE_METHOD";
static constexpr const char* WINDOW_SCALING_VARIABLE = "SDL12COMPAT_WINDOW_SCALING";
// Desktop rows and columns an enlarged window leaves free for panels, a dock
// and its title bar. 120 is the most that still lets a 2x window (960 rows)
// onto a 1080-row desktop; it leaves a 4x window (1920 rows) on 2160 rows and
// keeps a 2560x1440 desktop at 2x, since 3x would fill every row.
static constexpr int DESKTOP_MARGIN = 120;
// The factor of the original 640x480 window.
static constexpr int UNSCALED = 1;
// putenv makes these strings part of the environment, so they live as long
// as the process.
static char nearestScaleMethod[] = "SDL12COMPAT_SCALE_METHOD=nearest";
// Room for the name, "=", any int and the terminator.
static constexpr size_t WINDOW_SCALING_ENTRY_BYTES = 40;
static char windowScalingEntry[WINDOW_SCALING_ENTRY_BYTES];

// How long the exit handlers may take, after an exit the game did not choose
// itself, before the watchdog ends the process.
static constexpr Uint32 EXIT_GRACE_MS = 500;

Sint16 (*ReadJoystickAxis)(SDL_Joystick* joystick, int axis) = SDL_JoystickGetAxis;

// SDL_Init, tried again after a short pause while it fails. SDL opens the
// display twice; an X server whose only client was SDL's first probe resets
// when that probe leaves, and refuses the second connection for a moment.
static int InitSdlWithRetries() {
    int result = SDL_Init(INIT_FLAGS);
    for (int attempt = 1; result < 0 && attempt < INIT_ATTEMPTS; attempt++) {
        SDL_Delay(INIT_RETRY_MS);
        result = SDL_Init(INIT_FLAGS);
    }
    return result;
}

bool IsCompatLayer(const SDL_version& linked) {
    return linked.major == 1 && linked.minor == 2 && linked.patch >= COMPAT_LAYER_FIRST_PATCH;
}

int WindowScale(int desktopWidth, int desktopHeight) {
    const int across = (desktopWidth - DESKTOP_MARGIN) / SCREEN_WIDTH;
    const int down = (desktopHeight - DESKTOP_MARGIN) / SCREEN_HEIGHT;
    return std::max(UNSCALED, std::min(across, down));
}

// The game picks the window's scaling only on the compatibility layer, and
// only while the player has set neither of its variables: a player who sets
// one has taken the choice over, and the layer's defaults then hold for the
// other.
static bool GameChoosesScaling() {
    return IsCompatLayer(*SDL_Linked_Version()) && !SDL_getenv(SCALE_METHOD_VARIABLE) &&
           !SDL_getenv(WINDOW_SCALING_VARIABLE);
}

// The window factor for the desktop, which SDL reports as its current size
// until a video mode is set.
static void SetWindowScaling() {
    const SDL_VideoInfo* desktop = SDL_GetVideoInfo();
    if (desktop) {
        snprintf(windowScalingEntry, sizeof windowScalingEntry, "%s=%d", WINDOW_SCALING_VARIABLE,
                 WindowScale(desktop->current_w, desktop->current_h));
        SDL_putenv(windowScalingEntry);
    }
}

// Brings SDL up (InitSdlWithRetries). On the compatibility layer it also
// chooses, unless the player did, crisp pixels before SDL_Init and the window
// factor after it, both before the video mode is set.
static int InitSdl() {
    const bool chooseScaling = GameChoosesScaling();
    if (chooseScaling) {
        SDL_putenv(nearestScaleMethod);
    }
    const int result = InitSdlWithRetries();
    if (result >= 0 && chooseScaling) {
        SetWindowScaling();
    }
    return result;
}

int MixerChannels(const SDL_version& linked) {
    return IsCompatLayer(linked) ? STEREO : MONO;
}

int OpenMixer() {
    return Mix_OpenAudio(AUDIO_RATE, AUDIO_FORMAT, MixerChannels(*SDL_Linked_Version()),
                         AUDIO_CHUNK_SAMPLES);
}

// How far start-up has brought the libraries up. SDL counts only once its
// window is open: after a failed video mode nothing is shut down.
enum StartedLibraries { STARTED_NONE, STARTED_VIDEO, STARTED_MIXER, STARTED_FONT_ENGINE };
static StartedLibraries started = STARTED_NONE;

// A lost X server: Xlib reports it and calls exit(1) from inside SDL, and on
// the compatibility layer SDL_Quit then waits on the dead connection forever
// at full speed. So after any exit but RunGame's own, a watchdog ends the
// process with a failure status unless the shutdowns are over within
// EXIT_GRACE_MS.
static std::atomic<bool> orderlyExit{false};
static std::atomic<bool> shutdownsDone{false};

static int ExitWatchdog(void*) {
    SDL_Delay(EXIT_GRACE_MS);
    if (!shutdownsDone) {
        std::_Exit(EXIT_FAILURE);
    }
    return 0;
}

// The one exit handler, in the order it works: the watchdog once everything
// is up, then each library that came up, newest first.
static void ShutDownLibraries() {
    if (started == STARTED_FONT_ENGINE && !orderlyExit) {
        SDL_CreateThread(ExitWatchdog, nullptr);
    }
    if (started >= STARTED_FONT_ENGINE) {
        TTF_Quit();
    }
    if (started >= STARTED_MIXER) {
        Mix_CloseAudio();
    }
    if (started >= STARTED_VIDEO) {
        SDL_Quit();
    }
    shutdownsDone = true;
}

bool StartUp() {
    atexit(ShutDownLibraries);
    if (InitSdl() < 0) {
        printf("No se pudo iniciar SDL: %s\n", SDL_GetError());
        return false;
    }
    GameState.screen = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, VIDEO_FLAGS);
    if (!GameState.screen) {
        printf("No se puede inicializar el modo gráfico: %s\n", SDL_GetError());
        return false;
    }
    SDL_WM_SetCaption(WINDOW_TITLE, GAME_TITLE);
    started = STARTED_VIDEO;
    if (OpenMixer() < 0) {
        printf("No se pudo iniciar SDL_Mixer: %s\n", SDL_GetError());
        return false;
    }
    started = STARTED_MIXER;
    if (TTF_Init() < 0) {
        printf("No se pudo iniciar SDL_ttf: %s\n", SDL_GetError());
        return false;
    }
    started = STARTED_FONT_ENGINE;
    return LoadResources() && LoadGraphics();
}

int RunGame() {
    int status = 1;
    if (StartUp()) {
        RunMainLoop();
        ReleaseResources();
        status = 0;
    }
    orderlyExit = true;
    return status;
}

void RunMainLoop() {
    while (GameState.quit == 0) {
        if (GameState.mode == MODE_TITLE) {
            TitlePass();
        } else if (GameState.mode == MODE_PLAY) {
            PlayFrame();
        }
    }
}

void StartGame() {
    GameState.score = 0;
    GameState.level = FIRST_LEVEL;
    GameState.mode = MODE_PLAY;
    LoadLevel(FIRST_LEVEL);
    Mix_PlayMusic(GameState.music, LOOP_FOREVER);
}

// Title screen input: Escape or a window close quits, any other key or a
// joystick button starts a game.
static void HandleTitleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            GameState.quit = 1;
            break;
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_ESCAPE) {
                GameState.quit = 1;
            } else {
                StartGame();
            }
            break;
        case SDL_JOYBUTTONDOWN:
            StartGame();
            break;
        default:
            break;
    }
}

void TitlePass() {
    ResetWorld();
    Sprite& title = WorldState.titleSprite;
    title.x = 0;
    title.y = 0;
    title.Draw(GameState.screen);
    SDL_Flip(GameState.screen);
    Mix_HaltMusic();

    // Every queued event is handled, in order, before the screen is left.
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            HandleTitleEvent(event);
        }
        if (GameState.mode != MODE_TITLE || GameState.quit != 0) {
            return;
        }
        SDL_Delay(TITLE_IDLE_MS);
    }
}

// Spawns ordinary enemies until the boss comes, then the boss; after the
// boss's defeat counts down to the next level.
static void RunSchedule() {
    if (GameState.frameCounter % ENEMY_SPAWN_INTERVAL == 0 && GameState.bossPhase == BOSS_NONE) {
        SpawnEnemy();
    }
    if (GameState.frameCounter > BOSS_SPAWN_FRAME - 1 && GameState.bossPhase == BOSS_NONE) {
        SpawnBoss();
        GameState.bossPhase = BOSS_ACTIVE;
    }
    if (GameState.bossPhase == BOSS_DEFEATED) {
        const int countdown = GameState.levelCountdown;
        GameState.levelCountdown = countdown - 1;
        if (countdown <= 0) {
            if (GameState.level > LEVEL_COUNT) {
                GameState.level = FIRST_LEVEL;
            }
            LoadLevel(GameState.level);
        }
    }
}

// A score that lands exactly on a multiple of EXTRA_LIFE_POINTS gives a life;
// the bonus points move it off the multiple so the rule fires once.
static void AwardExtraLife() {
    if (GameState.score > 0 && GameState.score % EXTRA_LIFE_POINTS == 0) {
        GameState.score += EXTRA_LIFE_BONUS;
        WorldState.ship.lives += 1;
    }
}

// Four independent tests: a key and the stick on one side give one step, and
// opposite sides cancel out. The ship moves whatever its status.
static void MoveShip(const Uint8* keys) {
    PlayerShip& ship = WorldState.ship;
    if (keys[SDLK_UP] || GameState.axisY < -AXIS_DEAD_ZONE) {
        if (ship.y > SHIP_MIN_Y) {
            ship.y -= SHIP_STEP;
        }
    }
    if (keys[SDLK_DOWN] || GameState.axisY > AXIS_DEAD_ZONE) {
        if (ship.y <= SHIP_MAX_Y) {
            ship.y += SHIP_STEP;
        }
    }
    if (keys[SDLK_LEFT] || GameState.axisX < -AXIS_DEAD_ZONE) {
        if (ship.x > SHIP_MIN_X) {
            ship.x -= SHIP_STEP;
        }
    }
    if (keys[SDLK_RIGHT] || GameState.axisX > AXIS_DEAD_ZONE) {
        if (ship.x <= SHIP_MAX_X) {
            ship.x += SHIP_STEP;
        }
    }
}

static void FireIfAlive() {
    if (WorldState.ship.status != SHIP_DESTROYED) {
        PlayerFire();
    }
}

// Play input: a joystick button fires, Escape returns to the title after this
// frame, and closing the window ends the program after this frame.
static void HandlePlayEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_JOYBUTTONDOWN:
            FireIfAlive();
            break;
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_ESCAPE) {
                GameState.mode = MODE_TITLE;
            }
            break;
        case SDL_QUIT:
            GameState.quit = 1;
            break;
        default:
            break;
    }
}

void PlayFrameSteps() {
    // The frame's clock starts and the frame is counted.
    StartFrameTimer();
    GameState.frameCounter += 1;
    // Enemies, the boss and the level change come on schedule.
    RunSchedule();
    // Everything in play moves.
    UpdateWorld();
    // The scene is drawn and every collision resolved, then the screen flips.
    DrawScene(GameState.screen);
    // A score on a multiple of 2000 gives a life.
    AwardExtraLife();

    // Keyboard and joystick move the ship; held Shift fires.
    const Uint8* keys = SDL_GetKeyState(nullptr);
    SDL_JoystickUpdate();
    GameState.axisX = ReadJoystickAxis(GameState.joystick, AXIS_X);
    GameState.axisY = ReadJoystickAxis(GameState.joystick, AXIS_Y);
    MoveShip(keys);
    if (keys[SDLK_LSHIFT]) {
        FireIfAlive();
    }

    // Queued events: joystick buttons fire, Escape leaves, a close quits.
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        HandlePlayEvent(event);
    }
}

void PlayFrame() {
    PlayFrameSteps();
    WaitForFrameEnd();
}
