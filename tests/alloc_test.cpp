// A play frame touches the heap only for the HUD text that SDL_ttf renders,
// and frees that text in the same frame. malloc and its relatives are wrapped
// to count a thread's calls only while it asks, leaving the mixer's thread alone.
#include <SDL_ttf.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <vector>

#include "shell/assets.h"
#include "shell/shell.h"
#include "world_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVANE_OWN_ALLOCATOR 1
#endif
#endif

struct HeapCalls {
    int allocations, frees;
    int reallocations;  // blocks resized in place or moved: neither new nor gone
};

static thread_local bool counting = false;
static thread_local HeapCalls counted = {};

#ifndef KORVANE_OWN_ALLOCATOR
// glibc's allocator under its own names, which cannot recurse into the wrappers.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

static void* Counted(void* block) {
    counted.allocations += counting && block ? 1 : 0;
    return block;
}

extern "C" void* malloc(size_t size) noexcept {
    return Counted(__libc_malloc(size));
}
extern "C" void* calloc(size_t count, size_t size) noexcept {
    return Counted(__libc_calloc(count, size));
}
extern "C" void* memalign(size_t alignment, size_t size) noexcept {
    return Counted(__libc_memalign(alignment, size));
}
extern "C" void* aligned_alloc(size_t alignment, size_t size) noexcept {
    return memalign(alignment, size);
}
extern "C" int posix_memalign(void** block, size_t alignment, size_t size) noexcept {
    *block = memalign(alignment, size);
    return *block ? 0 : ENOMEM;
}
extern "C" void free(void* block) noexcept {
    counted.frees += counting && block ? 1 : 0;
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

template <typename Work>
static HeapCalls CountHeapCalls(Work work) {
    counted = {};
    counting = true;
    work();
    counting = false;
    return counted;
}

constexpr unsigned PLAY_SEED = 7;
constexpr int COUNTED_FRAMES = 300;
constexpr int SWEEP_FRAMES = 60;
// Two rendered texts take 16 allocations and 16 frees with SDL 1.2.15 and
// SDL_ttf 2.0.11, and 22 of each on the compatibility layer, which also takes
// and returns a block or two of its own in some frames.
constexpr int MOST_HEAP_CALLS_PER_FRAME = 48;
constexpr int LAYER_BLOCKS_PER_FRAME = 2;

// A game started from the shipped data, warmed up for good: every picture
// blitted (RLE-encoded), every HUD glyph cached and the screen flipped once.
class PlayFrameHeap : public GameTest {
  protected:
    void SetUp() override {
        // A surface counts nothing when a sanitizer or valgrind owns the allocator.
        // The first goes uncounted: the compatibility layer sets up a cache then.
        SDL_FreeSurface(MakeSurface(1, 1, 0, 0, 0));
        const HeapCalls probe = CountHeapCalls([] { SDL_FreeSurface(MakeSurface(1, 1, 0, 0, 0)); });
        if (probe.allocations == 0 || probe.allocations != probe.frees) {
            GTEST_SKIP() << "a sanitizer or valgrind owns the allocator";
        }
        GameTest::SetUp();
        ClearGlobalRecords();
        GameState.screen = screen;
        ASSERT_TRUE(LoadResources() && LoadGraphics());
        srand(PLAY_SEED);
        StartGame();
        for (SDL_Surface* picture : GameState.bitmaps) {
            SDL_BlitSurface(picture, nullptr, screen, nullptr);
        }
        for (SDL_Surface* tile : WorldState.tileBitmaps) {
            if (tile) {
                SDL_BlitSurface(tile, nullptr, screen, nullptr);
            }
        }
        const SDL_Color white{255, 255, 255, 0};
        SDL_FreeSurface(TTF_RenderText_Shaded(GameState.font, "0123456789 Level", white, white));
        SDL_Flip(screen);
    }

    void TearDown() override {
        if (IsSkipped()) {
            return;
        }
        memset(SDL_GetKeyState(nullptr), 0, SDLK_LAST);
        std::for_each(std::begin(GameState.bitmaps), std::end(GameState.bitmaps), SDL_FreeSurface);
        std::for_each(std::begin(WorldState.tileBitmaps), std::end(WorldState.tileBitmaps),
                      SDL_FreeSurface);
        ReleaseResources();
        Mix_FreeChunk(GameState.shotSound);
        Mix_FreeChunk(GameState.explosionSound);
        ClearGlobalRecords();
    }

    const ScopedWorkingDir data{KORVANE_DATA_DIR};
};

TEST_F(PlayFrameHeap, FramesTouchTheHeapOnlyForHudTextFreedInTheSameFrame) {
    // Fire held, the ship sweeping from side to side and never out of lives.
    std::vector<HeapCalls> frames;
    for (int i = 0; i < COUNTED_FRAMES; i++) {
        Uint8* keys = SDL_GetKeyState(nullptr);
        keys[SDLK_LSHIFT] = 1;
        keys[SDLK_RIGHT] = (i / SWEEP_FRAMES) % 2 == 0;
        keys[SDLK_LEFT] = !keys[SDLK_RIGHT];
        frames.push_back(CountHeapCalls(PlayFrameSteps));
        WorldState.ship.lives = SHIP_START_LIVES;
    }

    EXPECT_GT(GameState.score, 0) << "a shot must have hit";
    // Each text costs the same every frame: frames showing only the score cost the least.
    const int perText = std::min_element(frames.begin(), frames.end(), [](auto& a, auto& b) {
                            return a.allocations < b.allocations;
                        })->allocations;
    ASSERT_GT(perText, 0) << "the counter must see SDL_ttf's work";
    const int libraryBlocks = IsCompatLayer(*SDL_Linked_Version()) ? LAYER_BLOCKS_PER_FRAME : 0;
    int captionFrames = 0;
    for (size_t i = 0; i < frames.size(); i++) {
        SCOPED_TRACE(i);
        const HeapCalls& frame = frames[i];
        const int texts = frame.allocations >= 2 * perText ? 2 : 1;
        captionFrames += texts == 2 ? 1 : 0;
        ASSERT_LE(frame.allocations - texts * perText, libraryBlocks);
        ASSERT_EQ(frame.frees, frame.allocations);
        ASSERT_EQ(frame.reallocations, 0);
        ASSERT_LE(frame.allocations + frame.frees, MOST_HEAP_CALLS_PER_FRAME);
    }
    EXPECT_EQ(captionFrames, 50) << "the caption blinks through a level's first 100 frames";
}
