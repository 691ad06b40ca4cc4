// The shell: title-screen input, the play frame's schedule, the extra life,
// ship movement and firing, play events and frame pacing, and headless play
// on the shipped levels through two level changes.
#include "shell/shell.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "level/level.h"
#include "shell/frame_clock.h"
#include "world_fixture.h"

// Play from the start of a level. Held keys, queued events and the stick
// (through its seam) are reset after every test.
class ShellTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        GameState.mode = MODE_PLAY;
        stickX = stickY = 0;
        ReadJoystickAxis = [](SDL_Joystick*, int axis) { return axis == 0 ? stickX : stickY; };
    }
    void TearDown() override {
        Hold({});
        for (SDL_Event event; SDL_PollEvent(&event);) {
        }
        ReadJoystickAxis = realAxis;
    }

    // Holds exactly the given keys.
    static void Hold(const std::vector<SDLKey>& held) {
        int count = 0;
        Uint8* keys = SDL_GetKeyState(&count);
        std::fill(keys, keys + count, 0);
        for (const SDLKey key : held) {
            keys[key] = 1;
        }
    }
    static void Push(Uint8 type, SDLKey key = SDLK_UNKNOWN) {
        SDL_Event event = {};
        event.type = type;
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }
    // TitlePass, ended by a queued window close if it has not returned within
    // TITLE_BOUND_MS, so that a title screen deaf to its events fails instead of
    // hanging. Returns whether it returned by itself.
    static bool TitlePassReturns() {
        constexpr Uint32 TITLE_BOUND_MS = 10000;
        static std::atomic<bool> closed;
        closed = false;
        SDL_InitSubSystem(SDL_INIT_TIMER);
        const SDL_TimerID bound = SDL_AddTimer(
            TITLE_BOUND_MS,
            [](Uint32, void*) -> Uint32 {
                closed = true;
                Push(SDL_QUIT);
                return 0;
            },
            nullptr);
        TitlePass();
        SDL_RemoveTimer(bound);
        return !closed;
    }
    static int ShotsInPlay() {
        return int(std::count_if(std::begin(WorldState.ShotX), std::end(WorldState.ShotX),
                                 [](int x) { return x != 0; }));
    }

    static inline Sint16 stickX;
    static inline Sint16 stickY;
    Sint16 (*const realAxis)(SDL_Joystick*, int) = ReadJoystickAxis;
};

// Run from the real data, so that a started game loads level 1 and the music.
// In this order, each started game's music must be stopped by the next pass.
TEST_F(ShellTest, TitleHandlesEveryQueuedEventInOrderThenStartsAGameOrQuits) {
    const ScopedWorkingDir data{KORVANE_DATA_DIR};
    GameState.music = Mix_LoadMUS("sounds/zelmorta.mid");
    ASSERT_NE(GameState.music, nullptr) << Mix_GetError();
    const struct {
        std::vector<std::pair<Uint8, SDLKey>> events;
        int starts, quit;
    } cases[] = {
        {{{SDL_KEYDOWN, SDLK_RETURN}, {SDL_KEYDOWN, SDLK_ESCAPE}}, 1, 1},
        {{{SDL_KEYUP, SDLK_ESCAPE}, {SDL_MOUSEBUTTONDOWN, {}}, {SDL_JOYBUTTONDOWN, {}}}, 1, 0},
        {{{SDL_QUIT, {}}}, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "events of case " << &c - cases);
        GameState.mode = MODE_TITLE;
        GameState.quit = 0;
        GameState.score = 500;
        GameState.level = 2;
        for (const auto& [type, key] : c.events) {
            Push(type, key);
        }

        ASSERT_TRUE(TitlePassReturns()) << "the title screen ignored its events";

        EXPECT_EQ(GameState.quit, c.quit);
        EXPECT_EQ(GameState.mode, c.starts ? MODE_PLAY : MODE_TITLE);
        EXPECT_EQ(GameState.score, c.starts ? 0 : 500);
        EXPECT_EQ(GameState.level, c.starts ? 1 : 2);
        EXPECT_EQ(Mix_PlayingMusic(), c.starts ? 1 : 0);
    }
    Mix_FreeMusic(GameState.music);
    FreeLevelTiles();
}

TEST_F(ShellTest, EnemiesComeOnEveryTwentiethFrameUntilTheBoss) {
    for (int frame = 1; frame <= 40; frame++) {
        GameState.bossPhase = frame > 20 ? BOSS_ACTIVE : BOSS_NONE;
        PlayFrameSteps();
        EXPECT_EQ(CountActive(WorldState.enemies, MAX_ENEMIES), frame >= 20 ? 1 : 0)
            << "frame " << frame;
    }
}

TEST_F(ShellTest, ExtraLifeComesOnlyWhenAFrameEndsOnAPositiveMultipleOf2000) {
    const struct {
        int score, kills, lives, endScore, endLives;
    } cases[] = {{1990, 1, 3, 2010, 4},  // lands on 2000: a fourth ship
                 {3990, 1, 1, 4010, 2},  // and on every multiple
                 {1990, 2, 3, 2010, 3},  // steps over it
                 {0, 0, 3, 0, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.score << " and " << c.kills << " kills");
        ResetWorld();
        GameState.score = c.score;
        WorldState.ship.lives = c.lives;
        for (int i = 0; i < c.kills; i++) {
            PutEnemy(MAX_ENEMIES - i, ENEMY_DIAGONAL, 300, 200);  // stacked, still
        }
        PutShot(0, 310, 230);  // reaches them this frame

        PlayFrameSteps();

        EXPECT_EQ(GameState.score, c.endScore);
        EXPECT_EQ(WorldState.ship.lives, c.endLives);
    }
}

// The stick moves nothing from -10 to 10. The ship moves right while x <= 619,
// down while y <= 459, left while x > 0 and up while y > 0.
TEST_F(ShellTest, KeysAndTheStickMoveOneStepPerSideWithinTheScreen) {
    constexpr Sint16 EDGE = 10;  // the largest reading that moves nothing
    constexpr int X = SHIP_START_X;
    constexpr int Y = SHIP_START_Y;
    const struct {
        std::vector<SDLKey> keys;
        Sint16 stickX, stickY;
        int fromX, fromY, toX, toY;
    } cases[] = {
        {{}, EDGE, EDGE, X, Y, X, Y},
        {{}, -EDGE, -EDGE, X, Y, X, Y},
        {{}, EDGE + 1, -(EDGE + 1), X, Y, X + 5, Y - 5},
        {{}, -(EDGE + 1), EDGE + 1, X, Y, X - 5, Y + 5},
        // A key and the stick on one side give one step; opposite sides cancel.
        {{SDLK_RIGHT, SDLK_UP, SDLK_DOWN}, EDGE + 1, 0, X, Y, X + 5, Y},
        {{SDLK_RIGHT, SDLK_DOWN}, 0, 0, 619, 459, 624, 464},
        {{SDLK_RIGHT, SDLK_DOWN}, 0, 0, 620, 460, 620, 460},
        {{SDLK_LEFT, SDLK_UP}, 0, 0, 1, 1, -4, -4},
        {{SDLK_LEFT, SDLK_UP}, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        Hold(c.keys);
        stickX = c.stickX;
        stickY = c.stickY;
        WorldState.ship.x = c.fromX;
        WorldState.ship.y = c.fromY;

        PlayFrameSteps();

        EXPECT_EQ(WorldState.ship.x, c.toX);
        EXPECT_EQ(WorldState.ship.y, c.toY);
    }
}

// A bullet resting where the ship starts hits it in the first frame's drawing.
// The 30th frame after that respawns the ship and, when the hit took its last
// life, ends the game; that frame still runs to its end. Held keys move the
// ship whatever its status, but neither Shift nor a joystick button fires
// before the respawn.
TEST_F(ShellTest, LosingTheLastLifeEndsTheGameOnThe30thFrameAfterTheHit) {
    for (const int lives : {1, 2}) {
        SCOPED_TRACE(testing::Message() << lives << " lives");
        ResetWorld();
        GameState.mode = MODE_PLAY;
        WorldState.ship.lives = lives;
        PutBullet(0, SHIP_START_X, SHIP_START_Y);
        Hold({SDLK_RIGHT, SDLK_LSHIFT});
        Push(SDL_JOYBUTTONDOWN);

        for (int frame = 0; frame <= 30; frame++) {
            PlayFrameSteps();
            const bool respawned = frame == 30;
            EXPECT_EQ(std::make_tuple(GameState.mode, WorldState.ship.x, ShotsInPlay()),
                      std::make_tuple(respawned && lives == 1 ? MODE_TITLE : MODE_PLAY,
                                      SHIP_START_X + SHIP_STEP * (respawned ? 1 : frame + 1),
                                      respawned ? 1 : 0))
                << "frame " << frame;
        }
        const PlayerShip& ship = WorldState.ship;
        EXPECT_EQ(std::tie(ship.status, ship.lives), std::make_tuple(SHIP_RESPAWNING, lives - 1));
    }
}

TEST_F(ShellTest, EscapeLeavesPlayAfterTheFrameAndLaterEventsStillCount) {
    Push(SDL_KEYDOWN, SDLK_ESCAPE);
    Push(SDL_JOYBUTTONDOWN);

    PlayFrameSteps();

    EXPECT_EQ(GameState.mode, MODE_TITLE);
    EXPECT_EQ(GameState.quit, 0);
    EXPECT_EQ(ShotsInPlay(), 1);
}

// A tick clock the frame-clock test drives: reading it never moves it, and a
// sleep moves it on by what was asked for, or by at most wakeAfter when that is
// set (a sleep that ends early). A wait that spins or never ends runs out of reads.
class FrameClockTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        ReadTicks = [] {
            if (++reads > MAX_READS) {
                throw std::runtime_error("the frame's wait does not end");
            }
            return now;
        };
        SleepTicks = [](Uint32 ms) {
            sleeps.push_back(ms);
            now += wakeAfter != 0 ? std::min(ms, wakeAfter) : ms;
        };
    }
    void TearDown() override {
        ReadTicks = realRead;
        SleepTicks = realSleep;
        ShellTest::TearDown();
    }

    static constexpr int MAX_READS = 1000;
    static inline Uint32 now, wakeAfter;
    static inline int reads;
    static inline std::vector<Uint32> sleeps;
    Uint32 (*const realRead)() = ReadTicks;
    void (*const realSleep)(Uint32) = SleepTicks;
};

// The frame ends once more than 29 ticks have passed since it began: at 30, not
// at 29, also across the tick counter's wrap. Each sleep asks for what is left
// of the frame; one that ends early is followed by another. A long frame is not
// made up for. A play frame's clock starts as the frame begins.
TEST_F(FrameClockTest, FrameEndsOnceMoreThan29TicksHavePassedSleepingForWhatIsLeft) {
    constexpr Uint32 BEFORE_WRAP = UINT_MAX - 7;  // 8 ticks before the counter wraps to 0
    const struct {
        Uint32 start, atWait, wakeAfter;
        std::vector<Uint32> sleeps;
        Uint32 end;
    } cases[] = {
        {1000, 1029, 0, {1}, 1030},   {1000, 1030, 0, {}, 1030},
        {1000, 1000, 0, {30}, 1030},  {1000, 1000, 12, {30, 18, 6}, 1030},
        {1000, 1200, 0, {}, 1200},    {BEFORE_WRAP, 21, 0, {1}, 22},
        {BEFORE_WRAP, 22, 0, {}, 22},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        now = c.start;
        StartFrameTimer();
        now = c.atWait;
        wakeAfter = c.wakeAfter;
        reads = 0;
        sleeps.clear();

        WaitForFrameEnd();

        EXPECT_EQ(sleeps, c.sleeps);
        EXPECT_EQ(now, c.end);
    }
    now = 5000;
    wakeAfter = 0;
    PlayFrame();
    EXPECT_EQ(std::make_pair(GameState.frameStart, now), std::make_pair(5000u, 5030u));
}

// Only the compatibility layer (1.2.50 and later) gets a stereo mixer; the
// classic releases, and whatever SDL this test runs on, keep their rule.
TEST(MixerChannels, StereoOnlyOnTheCompatibilityLayer) {
    const std::pair<SDL_version, int> cases[] = {
        {{1, 2, 49}, 1}, {{1, 2, 50}, 2}, {{1, 2, 68}, 2}, {{1, 3, 0}, 1}, {{2, 0, 60}, 1},
    };
    for (const auto& [linked, channels] : cases) {
        EXPECT_EQ(MixerChannels(linked), channels) << int(linked.minor) << "." << int(linked.patch);
    }
    TestScreen();
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_EQ(Mix_QuerySpec(&frequency, &format, &channels), 1) << Mix_GetError();
    EXPECT_EQ(channels, MixerChannels(*SDL_Linked_Version()));
    EXPECT_EQ(frequency, 22050);
}

// The largest whole factor whose window leaves 120 rows and columns of the
// desktop free, and never less than 1: each boundary is tested from both sides.
TEST(WindowScale, LargestWholeFactorLeavingRoomForPanelsAndTitleBar) {
    struct Case {
        int width, height, scale;
    };
    const Case cases[] = {
        {1920, 1080, 2}, {1920, 1079, 1}, {1400, 1080, 2}, {1399, 1080, 1}, {3840, 2160, 4},
        {2560, 1440, 2}, {2560, 1560, 3}, {2560, 1559, 2}, {1280, 1024, 1}, {800, 600, 1},
        {640, 480, 1},   {0, 0, 1},       {7680, 4320, 8},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WindowScale(c.width, c.height), c.scale) << c.width << "x" << c.height;
    }
}

// Which shipped level's map is in the world (0 for neither).
static int LoadedLevel() {
    for (int n = 1; n <= 2; n++) {
        std::ifstream file("levels/level" + std::to_string(n) + "/map.map", std::ios::binary);
        std::vector<char> map(MAP_BYTES);
        if (file.read(map.data(), MAP_BYTES) &&
            memcmp(map.data(), WorldState.levelMap, MAP_BYTES) == 0) {
            return n;
        }
    }
    return 0;
}

TEST_F(ShellTest, LevelsRunOneTwoOneWithTheScoreCarriedOver) {
    const ScopedWorkingDir data{KORVANE_DATA_DIR};
    srand(20240611);
    StartGame();
    std::vector<int> levelsRun = {LoadedLevel()};
    int bossFellAt = 0;

    for (int frame = 1; levelsRun.size() < 3 && frame <= 3 * 5500; frame++) {
        const int phaseBefore = GameState.bossPhase;
        const int scoreBefore = GameState.score;
        // One shot a frame, put far enough inside the boss to land after its move.
        const Enemy& boss = WorldState.enemies[BOSS_SLOT];
        if (GameState.bossPhase == BOSS_ACTIVE) {
            PutShot(0, boss.x + 50, boss.y + 50);
        }

        PlayFrameSteps();

        ASSERT_EQ(GameState.mode, MODE_PLAY) << "frame " << frame;
        if (phaseBefore == BOSS_NONE && GameState.bossPhase == BOSS_ACTIVE) {
            EXPECT_EQ(GameState.frameCounter, 5000);
        }
        if (phaseBefore == BOSS_ACTIVE && GameState.bossPhase == BOSS_DEFEATED) {
            bossFellAt = frame;
        }
        if (phaseBefore == BOSS_DEFEATED && GameState.bossPhase == BOSS_NONE) {
            // The countdown of 100 set as the boss falls: the caption takes it to 99
            // in that frame, then the schedule and the caption take one each a frame
            // (1 left after 49 frames, 0 after 50), and the schedule loads the level
            // when it finds 0, in the 51st.
            EXPECT_EQ(frame - bossFellAt, 51);
            EXPECT_EQ(GameState.score, scoreBefore);
            levelsRun.push_back(LoadedLevel());
        }
        // Nobody dodges: keep a spare life so the run reaches its bosses.
        WorldState.ship.lives = std::max(WorldState.ship.lives, 2);
    }

    EXPECT_EQ(levelsRun, (std::vector<int>{1, 2, 1}));
    FreeLevelTiles();
}
