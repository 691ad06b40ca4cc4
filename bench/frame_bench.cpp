// What one play frame costs, against the floor of the blits it cannot avoid.
//
// PlayFrameWork times PlayFrameSteps (schedule, UpdateWorld, DrawScene with its
// flip, input) on the busy scene, refilled before every frame; the 30 ms wait
// is not part of it. RawBlitFloor times the same number of plain blits of the
// same surfaces at the same places, the two texts rendered once beforehand,
// and one flip. Run from data/ with the dummy video and audio drivers.
#include <SDL.h>
#include <SDL_mixer.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "busy_scene.h"
#include "level/level.h"
#include "shell/assets.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "sprites/sprite.h"
#include "startup.h"
#include "timing.h"
#include "world/scene.h"
#include "world/world.h"

static constexpr int TIMED_FRAMES = 5000;
static constexpr int WARM_UP_FRAMES = 200;  // RLE encoding and the glyph cache settle first

// The caption and score as the busy scene draws them.
static constexpr const char* SCORE_TEXT = "1230";
static constexpr const char* CAPTION_TEXT = "Level 1";

struct Blit {
    SDL_Surface* surface;
    int x;
    int y;
};

struct FrameTimes {
    std::vector<double> ms;
    double median = 0;
    double p99 = 0;
};

static FrameTimes workTimes;
static FrameTimes floorTimes;
static std::vector<Blit> floorBlits;

// Times one call of frame, in manual-time mode, and keeps the sample.
template <typename Frame>
static void TimeFrame(benchmark::State& state, FrameTimes& times, Frame frame) {
    const Clock::time_point start = Clock::now();
    frame();
    const double ms = MsSince(start);
    state.SetIterationTime(ms / MS_PER_S);
    times.ms.push_back(ms);
}

static void Summarise(benchmark::State& state, FrameTimes& times) {
    times.median = Percentile(times.ms, MEDIAN);
    times.p99 = Percentile(times.ms, P99);
    state.counters["median_ms"] = times.median;
    state.counters["p99_ms"] = times.p99;
}

static void PlayFrameWork(benchmark::State& state) {
    workTimes.ms.clear();
    workTimes.ms.reserve(TIMED_FRAMES);
    for (auto _ : state) {
        FillBusyScene();
        TimeFrame(state, workTimes, PlayFrameSteps);
    }
    Summarise(state, workTimes);
}

static void BlitFloorFrame() {
    for (const Blit& blit : floorBlits) {
        SDL_Rect at = {};
        at.x = static_cast<Sint16>(blit.x);
        at.y = static_cast<Sint16>(blit.y);
        SDL_BlitSurface(blit.surface, nullptr, GameState.screen, &at);
    }
    SDL_Flip(GameState.screen);
}

static void RawBlitFloor(benchmark::State& state) {
    floorTimes.ms.clear();
    floorTimes.ms.reserve(TIMED_FRAMES);
    for (auto _ : state) {
        TimeFrame(state, floorTimes, BlitFloorFrame);
    }
    Summarise(state, floorTimes);
}

BENCHMARK(PlayFrameWork)->Iterations(TIMED_FRAMES)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RawBlitFloor)->Iterations(TIMED_FRAMES)->UseManualTime()->Unit(benchmark::kMillisecond);

static SDL_Surface* FrameOf(const Sprite& sprite, int frame) {
    return sprite.frames[frame];
}

static SDL_Surface* RenderText(const char* text) {
    SDL_Surface* surface =
        TTF_RenderText_Shaded(GameState.font, text, GameState.textColour, GameState.textBackground);
    if (surface) {
        SetRedColourKey(surface);
    }
    return surface;
}

// The 100 background tiles of the window at the start of a level.
static void AddTileBlits() {
    for (int row = 0; row < WINDOW_ROWS; row++) {
        for (int column = 0; column < MAP_COLUMNS; column++) {
            const int tile = WorldState.levelMap[MAP_START_POSITION + MAP_COLUMNS * row + column];
            floorBlits.push_back({FrameOf(WorldState.tileSprites[tile], 0), TILE_SIZE * column,
                                  TILE_SIZE * row + SCROLL_STEP - TILE_SIZE});
        }
    }
}

// Every sprite the busy scene draws, where it draws it.
static void AddSpriteBlits() {
    const WorldRecord& w = WorldState;
    floorBlits.push_back({FrameOf(w.shipSprite, 0), w.ship.x, w.ship.y});
    for (int i = 0; i <= MAX_ENEMIES; i++) {
        const Enemy& enemy = w.enemies[i];
        const Sprite& sprite = i == BOSS_SLOT                 ? w.bossSprite
                               : enemy.kind == ENEMY_STRAIGHT ? w.enemySprite
                                                              : w.enemy2Sprite;
        floorBlits.push_back({FrameOf(sprite, 0), enemy.x, enemy.y});
    }
    for (const Explosion& explosion : w.explosions) {
        floorBlits.push_back(
            {FrameOf(w.explosionSprite, explosion.frame), explosion.x, explosion.y});
    }
    for (int i = 0; i <= MAX_PLAYER_SHOTS; i++) {
        floorBlits.push_back({FrameOf(w.shotSprite, 0), w.ShotX[i], w.ShotY[i]});
    }
    for (const EnemyBullet& bullet : w.enemyBullets) {
        floorBlits.push_back({FrameOf(w.bulletSprite, bullet.frame), bullet.x, bullet.y});
    }
    for (int k = 0; k < w.ship.lives; k++) {
        floorBlits.push_back(
            {FrameOf(w.lifeSprite, 0), LIFE_ICON_X + LIFE_ICON_PITCH * k, LIFE_ICON_Y});
    }
}

static bool BuildFloor() {
    FillBusyScene();
    AddTileBlits();
    AddSpriteBlits();
    SDL_Surface* score = RenderText(SCORE_TEXT);
    SDL_Surface* caption = RenderText(CAPTION_TEXT);
    if (!score || !caption) {
        fprintf(stderr, "The font cannot render the HUD text\n");
        return false;
    }
    floorBlits.push_back({score, SCORE_X, SCORE_Y});
    floorBlits.push_back({caption, CAPTION_X, CAPTION_Y});
    return true;
}

// Plays the busy scene until every lazily built cache exists, then blits the
// floor once so its surfaces are encoded too.
static void WarmUp() {
    for (int i = 0; i < WARM_UP_FRAMES; i++) {
        FillBusyScene();
        PlayFrameSteps();
    }
    BlitFloorFrame();
}

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv) || !StartUp()) {
        return 1;
    }
    // The tune is decoded on the mixer's own thread; measure.sh counts it, this does not.
    StartGameFromTitle();
    Mix_HaltMusic();
    if (!BuildFloor()) {
        return 1;
    }
    WarmUp();
    printf("%zu blits a frame\n", floorBlits.size());
    benchmark::RunSpecifiedBenchmarks();
    if (!workTimes.ms.empty() && !floorTimes.ms.empty()) {
        printf("work  median %.4f ms  p99 %.4f ms\n", workTimes.median, workTimes.p99);
        printf("floor median %.4f ms  p99 %.4f ms\n", floorTimes.median, floorTimes.p99);
        printf("ratio work/floor (medians) %.2f\n", workTimes.median / floorTimes.median);
    }
    benchmark::Shutdown();
    ReleaseResources();
    return 0;
}
