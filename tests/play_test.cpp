// Scripted headless play on the shipped levels: real play frames (without
// their wait) driven by a simple autopilot on the keyboard state.
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "shell/shell.h"
#include "world_fixture.h"

constexpr unsigned PLAY_SEED = 20240611;
constexpr int BOSS_LAST_HIT = 99;
constexpr int FRAMES_TO_LEVEL_LOAD = 51;  // counted from the frame the boss falls
constexpr int LEVEL_RUNS_WATCHED = 3;     // level 1, then 2, then 1 again
constexpr int FRAME_LIMIT = 3 * (BOSS_SPAWN_FRAME + 500);
constexpr int SWEEP_FRAMES = 150;  // the autopilot crosses the screen this often
constexpr int SWEEP_LEFT_X = 100;
constexpr int SWEEP_RIGHT_X = 520;
constexpr int AIM_INTO_BOSS = 50;  // shots land this far inside the boss's left edge
constexpr int SPARE_LIVES = 2;
constexpr int SHIP_LIMIT_X = 620;
constexpr int SHIP_LIMIT_Y = 460;

// Holds Shift and steers the ship toward targetX with the arrow keys.
static void SteerToward(int targetX) {
    Uint8* keys = SDL_GetKeyState(nullptr);
    const int x = WorldState.ship.x;
    keys[SDLK_LSHIFT] = 1;
    keys[SDLK_LEFT] = x > targetX ? 1 : 0;
    keys[SDLK_RIGHT] = x < targetX ? 1 : 0;
}

// Chases the boss while it is in play, otherwise sweeps from side to side.
static void Autopilot(int frame) {
    const Enemy& boss = WorldState.enemies[BOSS_SLOT];
    if (GameState.bossPhase == BOSS_ACTIVE) {
        SteerToward(boss.x + AIM_INTO_BOSS);
    } else {
        SteerToward((frame / SWEEP_FRAMES) % 2 == 0 ? SWEEP_LEFT_X : SWEEP_RIGHT_X);
    }
}

template <typename Slot>
static void CheckFlags(std::ostringstream& out, const char* table, const Slot* slots, int max) {
    for (int i = 0; i <= max; i++) {
        if (slots[i].active != SLOT_FREE && slots[i].active != SLOT_ACTIVE) {
            out << table << "[" << i << "].active is " << slots[i].active << "; ";
        }
    }
}

// Describes every broken rule of the tables and the ship; empty when all hold.
static std::string WorldViolations() {
    std::ostringstream out;
    CheckFlags(out, "enemies", WorldState.enemies, MAX_ENEMIES);
    CheckFlags(out, "enemyBullets", WorldState.enemyBullets, MAX_ENEMY_BULLETS);
    CheckFlags(out, "explosions", WorldState.explosions, MAX_EXPLOSIONS);
    for (int i = 0; i <= MAX_PLAYER_SHOTS; i++) {
        const int x = WorldState.ShotX[i];
        if (x < 0 || x > SHIP_LIMIT_X) {
            out << "ShotX[" << i << "] is " << x << "; ";
        }
    }
    const PlayerShip& ship = WorldState.ship;
    if (ship.x < 0 || ship.x > SHIP_LIMIT_X || ship.y < 0 || ship.y > SHIP_LIMIT_Y) {
        out << "ship at " << ship.x << "," << ship.y << "; ";
    }
    return out.str();
}

// A game fixture running in the data directory, with the keyboard released afterwards.
class PlayTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        srand(PLAY_SEED);
    }
    void TearDown() override { memset(SDL_GetKeyState(nullptr), 0, SDLK_LAST); }

    ScopedWorkingDir inData{KORVANE_DATA_DIR};
};

TEST_F(PlayTest, LevelsRunOneTwoOneWithScoreCarriedOverAndFreshLives) {
    ASSERT_TRUE(std::filesystem::exists("levels/level1/map.map"));
    ASSERT_TRUE(std::filesystem::exists("levels/level2/map.map"));
    StartGame();
    std::vector<int> levelsRun = {GameState.level};
    int bossFellAt = 0;

    for (int frame = 1; levelsRun.size() < LEVEL_RUNS_WATCHED && frame <= FRAME_LIMIT; frame++) {
        const int phaseBefore = GameState.bossPhase;
        const int scoreBefore = GameState.score;
        Autopilot(frame);

        PlayFrameSteps();

        ASSERT_EQ(WorldViolations(), "") << "frame " << frame;
        ASSERT_EQ(GameState.mode, MODE_PLAY) << "frame " << frame;
        if (phaseBefore == BOSS_NONE && GameState.bossPhase == BOSS_ACTIVE) {
            EXPECT_EQ(GameState.frameCounter, BOSS_SPAWN_FRAME);
            // Hurry the fight: the next shot that lands is the boss's last.
            WorldState.enemies[BOSS_SLOT].hits = BOSS_LAST_HIT;
        }
        if (phaseBefore == BOSS_ACTIVE && GameState.bossPhase == BOSS_DEFEATED) {
            bossFellAt = frame;
        }
        if (phaseBefore == BOSS_DEFEATED && GameState.bossPhase == BOSS_NONE) {
            EXPECT_EQ(frame - bossFellAt, FRAMES_TO_LEVEL_LOAD);
            EXPECT_EQ(GameState.score, scoreBefore);
            EXPECT_EQ(WorldState.ship.lives, SHIP_START_LIVES);
            EXPECT_EQ(GameState.frameCounter, 0);
            levelsRun.push_back(GameState.level);
        }
        // The autopilot dodges nothing: keep a spare life so the run reaches its bosses.
        if (WorldState.ship.lives < SPARE_LIVES) {
            WorldState.ship.lives = SPARE_LIVES;
        }
    }

    EXPECT_EQ(levelsRun, (std::vector<int>{1, 2, 1}));
    EXPECT_GT(GameState.score, 0);
}
