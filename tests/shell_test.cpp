// The shell: title-screen input, the play frame's schedule, the extra life,
// ship movement and firing, play events and frame pacing.
#include "shell/shell.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <climits>

#include "world_fixture.h"

// Held keys are written into SDL's key state and events pushed on its queue;
// both are cleared, and the joystick seam restored, after every test.
class ShellTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        DrainEvents();
    }
    void TearDown() override {
        ReleaseKeys();
        DrainEvents();
        ReadJoystickAxis = realAxis;
    }

    static void DrainEvents() {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
    }
    static void Hold(SDLKey key) { SDL_GetKeyState(nullptr)[key] = 1; }
    static void ReleaseKeys() {
        int count = 0;
        Uint8* keys = SDL_GetKeyState(&count);
        std::fill(keys, keys + count, 0);
    }
    static void Push(Uint8 type, SDLKey key = SDLK_UNKNOWN) {
        SDL_Event event = {};
        event.type = type;
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }

    Sint16 (*const realAxis)(SDL_Joystick*, int) = ReadJoystickAxis;
};

// The title screen, run from the real data so that a started game loads level 1 and the music.
class TitleScreenTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        GameState.mode = MODE_TITLE;
        GameState.music = Mix_LoadMUS("sounds/zelmorta.mid");
    }
    void TearDown() override {
        Mix_FreeMusic(GameState.music);
        ShellTest::TearDown();
    }

    const ScopedWorkingDir data{KORVANE_DATA_DIR};
};

TEST_F(TitleScreenTest, QueuedStartKeyThenEscapeStartsAGameAndThenQuits) {
    GameState.score = 500;
    GameState.level = 2;
    Push(SDL_KEYDOWN, SDLK_RETURN);
    Push(SDL_KEYDOWN, SDLK_ESCAPE);

    TitlePass();

    EXPECT_EQ(GameState.mode, MODE_PLAY);
    EXPECT_EQ(GameState.quit, 1);
    EXPECT_EQ(GameState.score, 0);
    EXPECT_EQ(GameState.level, FIRST_LEVEL);
    EXPECT_EQ(GameState.levelCountdown, LEVEL_COUNTDOWN_FRAMES) << "level 1 was loaded";
}

TEST_F(TitleScreenTest, JoystickButtonStartsAGameAndOtherEventsAreIgnored) {
    Push(SDL_KEYUP, SDLK_ESCAPE);
    Push(SDL_MOUSEBUTTONDOWN);
    Push(SDL_JOYBUTTONDOWN);

    TitlePass();

    EXPECT_EQ(GameState.mode, MODE_PLAY);
    EXPECT_EQ(GameState.quit, 0);
}

TEST_F(TitleScreenTest, EscapeOrWindowCloseQuitsWithoutStarting) {
    for (const Uint8 type : {SDL_KEYDOWN, SDL_QUIT}) {
        GameState.quit = 0;
        Push(type, SDLK_ESCAPE);
        TitlePass();
        EXPECT_EQ(GameState.quit, 1);
        EXPECT_EQ(GameState.mode, MODE_TITLE);
    }
}

TEST_F(TitleScreenTest, MusicPlaysFromTheStartOfAGameUntilTheTitle) {
    ASSERT_NE(GameState.music, nullptr) << Mix_GetError();

    StartGame();
    EXPECT_EQ(Mix_PlayingMusic(), 1);

    Push(SDL_QUIT);
    TitlePass();
    EXPECT_EQ(Mix_PlayingMusic(), 0);
}

// The rules' numbers, written out so that a changed game constant shows up here.
static constexpr int SPAWN_FRAME = 20;
static constexpr int BOSS_FRAME = 5000;
static constexpr int STEP = 5;
static constexpr Uint32 LEAST_FRAME_MS = 30;

// Play frames with a stick the test controls, from the start of a level.
class PlayFrameTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        GameState.mode = MODE_PLAY;
        stickX = 0;
        stickY = 0;
        ReadJoystickAxis = Stick;
    }

    static Sint16 Stick(SDL_Joystick*, int axis) { return axis == 0 ? stickX : stickY; }
    static void RunFrames(int frames) {
        for (int i = 0; i < frames; i++) {
            PlayFrameSteps();
        }
    }
    static int ShotsInPlay() {
        return static_cast<int>(std::count_if(std::begin(WorldState.ShotX),
                                              std::end(WorldState.ShotX),
                                              [](int x) { return x != 0; }));
    }
    static int EnemiesInPlay() { return CountActive(WorldState.enemies, MAX_ENEMIES); }
    static void ExpectShipMovedBy(int dx, int dy) {
        EXPECT_EQ(WorldState.ship.x, SHIP_START_X + dx);
        EXPECT_EQ(WorldState.ship.y, SHIP_START_Y + dy);
    }

    static inline Sint16 stickX;
    static inline Sint16 stickY;
};

TEST_F(PlayFrameTest, FirstEnemySpawnsOnTheTwentiethFrame) {
    RunFrames(SPAWN_FRAME - 1);
    EXPECT_EQ(EnemiesInPlay(), 0);

    PlayFrameSteps();
    EXPECT_EQ(EnemiesInPlay(), 1);
}

TEST_F(PlayFrameTest, FrameFiveThousandBringsAnEnemyAndTheBossThenNoMoreEnemies) {
    constexpr int BOSS_SLOT = 1;
    GameState.frameCounter = BOSS_FRAME - 1;

    PlayFrameSteps();
    EXPECT_EQ(EnemiesInPlay(), 2);
    EXPECT_EQ(WorldState.enemies[BOSS_SLOT].kind, ENEMY_BOSS);
    EXPECT_EQ(GameState.bossPhase, BOSS_ACTIVE);

    RunFrames(SPAWN_FRAME);
    EXPECT_EQ(EnemiesInPlay(), 2);
}

// One frame in which a shot destroys `kills` enemies, starting from `score`.
struct ExtraLifeCase {
    int score;
    int kills;
    int endScore;
    int endLives;
};

static void PrintTo(const ExtraLifeCase& extra, std::ostream* out) {
    *out << extra.score << " and " << extra.kills << " kills";
}

class ExtraLifeTest : public PlayFrameTest, public ::testing::WithParamInterface<ExtraLifeCase> {};

TEST_P(ExtraLifeTest, ComesOnlyWhenTheFrameEndsOnAPositiveMultipleOf2000) {
    // Still enemies stacked on one spot, and a shot that reaches them this frame.
    constexpr int ENEMY_X = 300;
    constexpr int ENEMY_Y = 200;
    constexpr int SHOT_INSET_X = 10;
    constexpr int SHOT_BELOW_Y = 30;
    GameState.score = GetParam().score;
    for (int i = 0; i < GetParam().kills; i++) {
        PutEnemy(MAX_ENEMIES - i, ENEMY_DIAGONAL, ENEMY_X, ENEMY_Y);
    }
    WorldState.ShotX[0] = ENEMY_X + SHOT_INSET_X;
    WorldState.ShotY[0] = ENEMY_Y + SHOT_BELOW_Y;

    PlayFrameSteps();

    EXPECT_EQ(GameState.score, GetParam().endScore);
    EXPECT_EQ(WorldState.ship.lives, GetParam().endLives);
}

// Landing on 2000, stepping over it with two kills, and a score of 0.
INSTANTIATE_TEST_SUITE_P(Scores, ExtraLifeTest,
                         ::testing::Values(ExtraLifeCase{1990, 1, 2010, SHIP_START_LIVES + 1},
                                           ExtraLifeCase{1990, 2, 2010, SHIP_START_LIVES},
                                           ExtraLifeCase{0, 0, 0, SHIP_START_LIVES}));

TEST_F(PlayFrameTest, HeldArrowsStopTheShipAtTheScreenEdges) {
    constexpr int CROSSING_FRAMES = 100;
    constexpr int RIGHT_STOP = 620;
    constexpr int BOTTOM_STOP = 460;
    // A respawning ship moves but cannot be hit by the enemies spawned meanwhile.
    WorldState.ship.status = SHIP_RESPAWNING;
    WorldState.ship.timer = INT_MAX;

    Hold(SDLK_RIGHT);
    Hold(SDLK_DOWN);
    RunFrames(CROSSING_FRAMES);
    EXPECT_EQ(WorldState.ship.x, RIGHT_STOP);
    EXPECT_EQ(WorldState.ship.y, BOTTOM_STOP);

    ReleaseKeys();
    Hold(SDLK_LEFT);
    Hold(SDLK_UP);
    RunFrames(2 * CROSSING_FRAMES);
    EXPECT_EQ(WorldState.ship.x, SHIP_MIN_X);
    EXPECT_EQ(WorldState.ship.y, SHIP_MIN_Y);
}

TEST_F(PlayFrameTest, StickMovesTheShipOnlyBeyondTheDeadZone) {
    constexpr Sint16 DEAD_ZONE_EDGE = 10;
    for (const Sint16 reading : {DEAD_ZONE_EDGE, static_cast<Sint16>(-DEAD_ZONE_EDGE)}) {
        stickX = reading;
        stickY = reading;
        PlayFrameSteps();
    }
    ExpectShipMovedBy(0, 0);

    stickX = DEAD_ZONE_EDGE + 1;
    stickY = -(DEAD_ZONE_EDGE + 1);
    PlayFrameSteps();
    ExpectShipMovedBy(STEP, -STEP);
}

TEST_F(PlayFrameTest, KeyAndStickOnOneSideMoveOneStepAndOppositeSidesCancel) {
    Hold(SDLK_RIGHT);
    Hold(SDLK_UP);
    Hold(SDLK_DOWN);
    stickX = AXIS_DEAD_ZONE + 1;

    PlayFrameSteps();

    ExpectShipMovedBy(STEP, 0);
}

TEST_F(PlayFrameTest, DestroyedShipFiresNothingAndHeldShiftFiresOnRespawn) {
    constexpr int FRAMES_TO_RESPAWN = 2;
    WorldState.ship.status = SHIP_DESTROYED;
    WorldState.ship.timer = FRAMES_TO_RESPAWN;
    WorldState.shipSprite.x = SHIP_START_X;  // where the ship was last drawn
    Hold(SDLK_LSHIFT);
    Push(SDL_JOYBUTTONDOWN);

    PlayFrameSteps();
    EXPECT_EQ(ShotsInPlay(), 0);

    PlayFrameSteps();
    EXPECT_EQ(WorldState.ship.status, SHIP_RESPAWNING);
    EXPECT_EQ(ShotsInPlay(), 1);
}

TEST_F(PlayFrameTest, EscapeLeavesPlayAfterTheFrameAndLaterEventsStillCount) {
    Push(SDL_KEYDOWN, SDLK_ESCAPE);
    Push(SDL_JOYBUTTONDOWN);

    PlayFrameSteps();

    EXPECT_EQ(GameState.mode, MODE_TITLE);
    EXPECT_EQ(GameState.quit, 0);
    EXPECT_EQ(ShotsInPlay(), 1);
}

TEST_F(PlayFrameTest, WindowCloseDuringPlayEndsTheProgram) {
    Push(SDL_QUIT);

    PlayFrameSteps();

    EXPECT_EQ(GameState.quit, 1);
}

TEST_F(PlayFrameTest, EveryPlayFrameLastsAtLeastThirtyMilliseconds) {
    constexpr int FRAMES = 5;
    for (int i = 0; i < FRAMES; i++) {
        const Uint32 start = SDL_GetTicks();
        PlayFrame();
        EXPECT_GE(SDL_GetTicks() - start, LEAST_FRAME_MS) << "frame " << i;
    }
}

TEST_F(PlayFrameTest, FrameElapsedCountsAcrossTheTickCounterWrap) {
    constexpr Uint32 BEFORE_WRAP_MS = 8;
    GameState.frameStart = UINT_MAX - (BEFORE_WRAP_MS - 1);

    const Uint32 before = SDL_GetTicks();
    const Uint32 elapsed = FrameElapsed();
    const Uint32 after = SDL_GetTicks();

    EXPECT_GE(elapsed, before + BEFORE_WRAP_MS);
    EXPECT_LE(elapsed, after + BEFORE_WRAP_MS);
}
