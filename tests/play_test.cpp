// Headless play on the shipped levels: real play frames (without their wait)
// from the start of a game through two level changes.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "level/level.h"
#include "shell/shell.h"
#include "world_fixture.h"

using PlayTest = GameTest;

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

TEST_F(PlayTest, LevelsRunOneTwoOneWithTheScoreCarriedOver) {
    constexpr int INTO_BOSS = 50;  // a shot put this far inside the boss lands after its move
    const ScopedWorkingDir data{KORVANE_DATA_DIR};
    srand(20240611);
    StartGame();
    std::vector<int> levelsRun = {LoadedLevel()};
    int bossFellAt = 0;

    for (int frame = 1; levelsRun.size() < 3 && frame <= 3 * 5500; frame++) {
        const int phaseBefore = GameState.bossPhase;
        const int scoreBefore = GameState.score;
        // One shot a frame lands on the boss until it falls.
        const Enemy& boss = WorldState.enemies[BOSS_SLOT];
        if (GameState.bossPhase == BOSS_ACTIVE) {
            PutShot(0, boss.x + INTO_BOSS, boss.y + INTO_BOSS);
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
            EXPECT_EQ(frame - bossFellAt, 51);
            EXPECT_EQ(GameState.score, scoreBefore);
            EXPECT_EQ(GameState.level, LoadedLevel());
            levelsRun.push_back(LoadedLevel());
        }
        // Nobody dodges: keep a spare life so the run reaches its bosses.
        WorldState.ship.lives = std::max(WorldState.ship.lives, 2);
    }

    EXPECT_EQ(levelsRun, (std::vector<int>{1, 2, 1}));
    EXPECT_GT(GameState.score, 0);
    FreeLevelTiles();
}
