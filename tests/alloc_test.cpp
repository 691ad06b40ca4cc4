// A play frame touches the heap only for the HUD text that SDL_ttf renders,
// and frees that text in the same frame.
//
// The test binary replaces malloc and its relatives with counting wrappers
// around glibc's own allocator. Counting is off, and the wrappers only pass
// calls on, unless a test turns it on for its own thread, so the mixer's
// thread and every other test are left alone. Sanitizer builds bring their
// own allocator, and so does valgrind: the tests skip when the wrappers do
// not see the heap.
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "../bench/busy_scene.h"
#include "level/level.h"
#include "shell/shell.h"
#include "sprites/sprite.h"
#include "test_support.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KORVANE_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define KORVANE_OWN_ALLOCATOR 1
#endif
#endif

struct HeapCalls {
    int allocations;
    int frees;
    int reallocations;  // blocks resized in place or moved: neither new nor gone
};

static thread_local bool counting = false;
static thread_local HeapCalls counted = {};

#ifndef KORVANE_OWN_ALLOCATOR
// glibc's allocator under its own names; calling these cannot recurse into
// the wrappers, as dlsym-based forwarding can.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

static void* CountAllocation(void* block) {
    if (counting && block) {
        counted.allocations++;
    }
    return block;
}

extern "C" void* malloc(size_t size) noexcept {
    return CountAllocation(__libc_malloc(size));
}

extern "C" void* calloc(size_t count, size_t size) noexcept {
    return CountAllocation(__libc_calloc(count, size));
}

extern "C" void* memalign(size_t alignment, size_t size) noexcept {
    return CountAllocation(__libc_memalign(alignment, size));
}

extern "C" void* aligned_alloc(size_t alignment, size_t size) noexcept {
    return memalign(alignment, size);
}

extern "C" int posix_memalign(void** block, size_t alignment, size_t size) noexcept {
    *block = memalign(alignment, size);
    return *block ? 0 : ENOMEM;
}

extern "C" void free(void* block) noexcept {
    if (counting && block) {
        counted.frees++;
    }
    __libc_free(block);
}

// realloc(null, n) allocates and realloc(p, 0) frees; anything else resizes.
extern "C" void* realloc(void* block, size_t size) noexcept {
    void* resized = __libc_realloc(block, size);
    if (counting) {
        counted.allocations += !block && resized ? 1 : 0;
        counted.frees += block && size == 0 ? 1 : 0;
        counted.reallocations += block && resized ? 1 : 0;
    }
    return resized;
}
#endif

// The heap calls made by this thread while work runs.
template <typename Work>
static HeapCalls CountHeapCalls(Work work) {
    counted = {};
    counting = true;
    work();
    counting = false;
    return counted;
}

// True when the wrappers see the heap calls that the libraries make; false
// when a sanitizer or valgrind supplies the allocator.
// The first surface is made uncounted: the compatibility layer sets up
// lasting state (its pixel format cache) on first use.
static bool HeapCallsAreCounted() {
    SDL_FreeSurface(MakeSurface(1, 1, 0, 0, 0));
    const HeapCalls calls = CountHeapCalls([] { SDL_FreeSurface(MakeSurface(1, 1, 0, 0, 0)); });
    return calls.allocations > 0 && calls.allocations == calls.frees;
}

static constexpr const char* FONT_PATH = KORVANE_DATA_DIR "/ariblk.ttf";
static constexpr int FONT_POINTS = 20;
// The first blits RLE-encode the art and the first texts fill the glyph cache.
static constexpr int WARM_UP_FRAMES = 20;
static constexpr int COUNTED_FRAMES = 300;
// Two rendered texts (each a surface with its pixel format, palette, pixels and
// blit mapping) take 16 allocations and 16 frees with SDL 1.2.15 and SDL_ttf
// 2.0.11, and 22 of each on the compatibility layer over SDL2; the bound
// leaves a little room for other releases, not for new ones.
static constexpr int MOST_HEAP_CALLS_PER_FRAME = 48;
static constexpr int LAYER_BLOCKS_PER_FRAME = 2;
static constexpr int SOUND_BYTES = 64;
static constexpr int ENEMY_POINTS = 10;

// The busy scene on keyed art like the shipped pictures, with a real font and
// a sound for every shot and explosion.
class PlayFrameHeap : public GameTest {
  protected:
    void SetUp() override {
        if (!HeapCallsAreCounted()) {
            GTEST_SKIP() << "a sanitizer or valgrind owns the allocator";
        }
        GameTest::SetUp();
        font = TTF_OpenFont(FONT_PATH, FONT_POINTS);
        ASSERT_NE(font, nullptr) << TTF_GetError();
        GameState.font = font;
        tile = MakeSurface(TILE_SIZE, TILE_SIZE, 0, 0, 0);
        WorldState.tileSprites[0].AddFrame(tile);
        KeyAllArt();
        sound = Mix_QuickLoad_RAW(soundBytes, SOUND_BYTES);
        GameState.shotSound = sound;
        GameState.explosionSound = sound;
        ResetWorld();
    }

    void TearDown() override {
        SDL_GetKeyState(nullptr)[SDLK_LSHIFT] = 0;
        EmptySprite(WorldState.tileSprites[0]);
        SDL_FreeSurface(tile);
        Mix_FreeChunk(sound);
        TTF_CloseFont(font);
        GameState.font = nullptr;
    }

    // Every frame keyed on red with RLE, as LoadBitmap leaves the game's pictures.
    static void KeyAllArt() {
        WorldRecord& w = WorldState;
        for (Sprite* sprite :
             {&w.lifeSprite, &w.bulletSprite, &w.shotSprite, &w.enemySprite, &w.bossSprite,
              &w.enemy2Sprite, &w.shipSprite, &w.explosionSprite, &w.tileSprites[0]}) {
            for (int i = 0; i < sprite->frameCount; i++) {
                SetRedColourKey(sprite->frames[i]);
            }
        }
    }

    // Plays frames of the busy scene, refilled (and changed by prepare) before
    // each, and returns the heap calls of every PlayFrameSteps.
    template <typename Prepare>
    static std::vector<HeapCalls> PlayBusyFrames(int count, Prepare prepare) {
        std::vector<HeapCalls> frames;
        frames.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; i++) {
            FillBusyScene();
            prepare();
            frames.push_back(CountHeapCalls(PlayFrameSteps));
        }
        return frames;
    }

    static std::vector<HeapCalls> PlayBusyFrames(int count) {
        return PlayBusyFrames(count, [] {});
    }

    TTF_Font* font = nullptr;
    SDL_Surface* tile = nullptr;
    Mix_Chunk* sound = nullptr;
    Uint8 soundBytes[SOUND_BYTES] = {};
};

TEST_F(PlayFrameHeap, FramesFullOfHitsAndFireTouchNoHeapWithoutText) {
    // Every frame shot 0 destroys an enemy; every other frame a bullet hits the
    // ship, and on the others Shift fires: explosions, sounds, a lost life, new shots.
    int frame = 0;
    const auto hitEverything = [&frame] {
        const Enemy& target = WorldState.enemies[0];
        WorldState.ShotX[0] = target.x;
        WorldState.ShotY[0] = target.y + TEST_ENEMY_H / 2;
        const bool hitShip = frame++ % 2 == 0;
        if (hitShip) {
            WorldState.enemyBullets[0].x = WorldState.ship.x;
            WorldState.enemyBullets[0].y = WorldState.ship.y;
        }
        SDL_GetKeyState(nullptr)[SDLK_LSHIFT] = hitShip ? 0 : 1;
    };
    PlayBusyFrames(WARM_UP_FRAMES, hitEverything);
    GameState.font = nullptr;

    const std::vector<HeapCalls> frames = PlayBusyFrames(COUNTED_FRAMES, hitEverything);

    EXPECT_EQ(GameState.score, BUSY_SCORE + ENEMY_POINTS) << "the shot must have hit";
    // The compatibility layer itself takes and returns a block or two in
    // every frame; the classic library none.
    const int libraryBlocks = IsCompatLayer(*SDL_Linked_Version()) ? LAYER_BLOCKS_PER_FRAME : 0;
    for (size_t i = 0; i < frames.size(); i++) {
        ASSERT_LE(frames[i].allocations, libraryBlocks) << "frame " << i;
        ASSERT_EQ(frames[i].frees, frames[i].allocations) << "frame " << i;
        ASSERT_EQ(frames[i].reallocations, 0) << "frame " << i;
    }
}

TEST_F(PlayFrameHeap, HudTextIsFreedInTheFrameThatRendersIt) {
    PlayBusyFrames(WARM_UP_FRAMES);

    const std::vector<HeapCalls> withCaption = PlayBusyFrames(COUNTED_FRAMES);
    const std::vector<HeapCalls> scoreOnly =
        PlayBusyFrames(COUNTED_FRAMES, [] { GameState.levelCountdown = 0; });

    // The counter sees SDL_ttf's work, so zero elsewhere means nothing happened.
    ASSERT_GT(scoreOnly[0].allocations, 0);
    for (size_t i = 0; i < withCaption.size(); i++) {
        const HeapCalls& both = withCaption[i];
        ASSERT_EQ(both.allocations, both.frees) << "frame " << i;
        ASSERT_EQ(scoreOnly[i].allocations, scoreOnly[i].frees) << "frame " << i;
        // Each text costs the same calls every frame: the caption adds one text's worth.
        ASSERT_EQ(both.allocations, 2 * scoreOnly[i].allocations) << "frame " << i;
        ASSERT_LE(both.allocations + both.frees + both.reallocations, MOST_HEAP_CALLS_PER_FRAME)
            << "frame " << i;
    }
}
