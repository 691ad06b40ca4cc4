// Headless play on the shipped levels: real play frames (without their wait)
// from the start of a game through two level changes.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "level/level.h"
#include "shell/shell.h"
#include "world_fixture.h"

constexpr unsigned PLAY_SEED = 20240611;
constexpr int FRAMES_TO_LEVEL_LOAD = 51;  // counted from the frame the boss falls
constexpr int LEVEL_RUNS_WATCHED = 3;     // level 1, then 2, then 1 again
constexpr int FRAME_LIMIT = 3 * (BOSS_SPAWN_FRAME + 500);
constexpr int INTO_BOSS = 50;  // a shot put this far inside the boss lands after its move
constexpr int SPARE_LIVES = 2;

// Which shipped level's map and first tile are in the world (0 for neither).
static int LoadedLevel() {
    constexpr int MIDDLE = TILE_SIZE / 2;
    SDL_Surface* loaded = WorldState.tileBitmaps[0];
    for (int n = 1; n <= LEVEL_COUNT && loaded; n++) {
        const std::string dir = "levels/level" + std::to_string(n) + "/";
        std::ifstream file(dir + "map.map", std::ios::binary);
        std::vector<char> map(MAP_BYTES);
        file.read(map.data(), MAP_BYTES);
        SDL_Surface* tile = SDL_LoadBMP((dir + "tile0.bmp").c_str());
        SDL_LockSurface(loaded);
        const bool same = file && tile && memcmp(map.data(), WorldState.levelMap, MAP_BYTES) == 0 &&
                          PixelAt(tile, MIDDLE, MIDDLE) == PixelAt(loaded, MIDDLE, MIDDLE);
        SDL_UnlockSurface(loaded);
        SDL_FreeSurface(tile);
        if (same) {
            return n;
        }
    }
    return 0;
}

// A game fixture running in the data directory; frees the last level's tiles.
class PlayTest : public GameTest {
  protected:
    void TearDown() override {
        for (SDL_Surface* tile : WorldState.tileBitmaps) {
            SDL_FreeSurface(tile);
        }
    }
    ScopedWorkingDir inData{KORVANE_DATA_DIR};
};

TEST_F(PlayTest, LevelsRunOneTwoOneWithTheScoreCarriedOver) {
    srand(PLAY_SEED);
    StartGame();
    std::vector<int> levelsRun = {LoadedLevel()};
    int bossFellAt = 0;

    for (int frame = 1; levelsRun.size() < LEVEL_RUNS_WATCHED && frame <= FRAME_LIMIT; frame++) {
        const int phaseBefore = GameState.bossPhase;
        const int scoreBefore = GameState.score;
        // One shot a frame lands on the boss until it falls.
        const Enemy& boss = WorldState.enemies[BOSS_SLOT];
        if (GameState.bossPhase == BOSS_ACTIVE) {
            WorldState.ShotX[0] = boss.x + INTO_BOSS;
            WorldState.ShotY[0] = boss.y + INTO_BOSS;
        }

        PlayFrameSteps();

        ASSERT_EQ(GameState.mode, MODE_PLAY) << "frame " << frame;
        if (phaseBefore == BOSS_NONE && GameState.bossPhase == BOSS_ACTIVE) {
            EXPECT_EQ(GameState.frameCounter, BOSS_SPAWN_FRAME);
        }
        if (phaseBefore == BOSS_ACTIVE && GameState.bossPhase == BOSS_DEFEATED) {
            bossFellAt = frame;
        }
        if (phaseBefore == BOSS_DEFEATED && GameState.bossPhase == BOSS_NONE) {
            EXPECT_EQ(frame - bossFellAt, FRAMES_TO_LEVEL_LOAD);
            EXPECT_EQ(GameState.score, scoreBefore);
            EXPECT_EQ(GameState.level, LoadedLevel());
            levelsRun.push_back(LoadedLevel());
        }
        // Nobody dodges: keep a spare life so the run reaches its bosses.
        if (WorldState.ship.lives < SPARE_LIVES) {
            WorldState.ship.lives = SPARE_LIVES;
        }
    }

    EXPECT_EQ(levelsRun, (std::vector<int>{1, 2, 1}));
    EXPECT_GT(GameState.score, 0);
}
