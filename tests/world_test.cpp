// The world's start-of-level reset and its free-slot rule.
#include <cstring>

#include "world_fixture.h"

using ResetWorldTest = GameTest;
using FreeSlotTest = WorldTest;

// Gives every field of every slot a distinct non-zero value, all slots in play.
static void FillTablesWithMarkers() {
    int marker = 1;
    for (Enemy& enemy : WorldState.enemies) {
        enemy = {SLOT_ACTIVE, marker++, marker++, marker++, marker++,
                 marker++,    marker++, marker++, marker++};
    }
    for (EnemyBullet& bullet : WorldState.enemyBullets) {
        bullet = {SLOT_ACTIVE, marker++, marker++, marker++, marker++, marker++, marker++};
    }
    for (Explosion& explosion : WorldState.explosions) {
        explosion = {SLOT_ACTIVE, marker++, marker++, marker++};
    }
    for (int i = 0; i <= MAX_PLAYER_SHOTS; i++) {
        WorldState.ShotX[i] = marker++;
        WorldState.ShotY[i] = marker++;
    }
}

// A copy of a table with every slot freed and nothing else changed.
template <typename Slot, size_t N>
static void ExpectOnlyFreed(const Slot (&before)[N], const Slot (&after)[N]) {
    for (size_t i = 0; i < N; i++) {
        Slot expected = before[i];
        expected.active = SLOT_FREE;
        EXPECT_EQ(memcmp(&expected, &after[i], sizeof expected), 0) << "slot " << i;
    }
}

TEST_F(ResetWorldTest, FreesEverySlotAndTouchesNoOtherSlotField) {
    FillTablesWithMarkers();
    const WorldRecord& w = WorldState;
    Enemy enemies[MAX_ENEMIES + 1];
    EnemyBullet bullets[MAX_ENEMY_BULLETS + 1];
    Explosion explosions[MAX_EXPLOSIONS + 1];
    memcpy(enemies, w.enemies, sizeof enemies);
    memcpy(bullets, w.enemyBullets, sizeof bullets);
    memcpy(explosions, w.explosions, sizeof explosions);

    ResetWorld();

    ExpectOnlyFreed(enemies, w.enemies);
    ExpectOnlyFreed(bullets, w.enemyBullets);
    ExpectOnlyFreed(explosions, w.explosions);
    for (int i = 0; i <= MAX_PLAYER_SHOTS; i++) {
        EXPECT_EQ(w.ShotX[i], 0);
        EXPECT_EQ(w.ShotY[i], 0);
    }
}

TEST_F(ResetWorldTest, PutsTheShipAtItsStartButKeepsItsTimer) {
    WorldState.ship = {SHIP_DESTROYED, 5, 6, 9, 17};

    ResetWorld();

    const PlayerShip& ship = WorldState.ship;
    EXPECT_EQ(ship.status, SHIP_ACTIVE);
    EXPECT_EQ(ship.x, SHIP_START_X);
    EXPECT_EQ(ship.y, SHIP_START_Y);
    EXPECT_EQ(ship.lives, SHIP_START_LIVES);
    EXPECT_EQ(ship.timer, 17);
}

TEST_F(ResetWorldTest, RestartsScrollAndScheduleButKeepsScoreLevelAndCountdown) {
    GameRecord& g = GameState;
    g.mode = MODE_PLAY;
    g.score = 1234;
    g.level = 2;
    g.levelCountdown = 55;
    g.bossPhase = BOSS_DEFEATED;
    g.frameCounter = 4999;
    g.mapPosition = 120;
    g.scrollOffset = 40;
    g.textColour.unused = 77;
    g.textBackground.unused = 66;

    ResetWorld();

    EXPECT_EQ(g.mode, MODE_PLAY);
    EXPECT_EQ(g.score, 1234);
    EXPECT_EQ(g.level, 2);
    EXPECT_EQ(g.levelCountdown, 55);
    EXPECT_EQ(g.bossPhase, BOSS_NONE);
    EXPECT_EQ(g.frameCounter, 0);
    EXPECT_EQ(g.mapPosition, MAP_START_POSITION);
    EXPECT_EQ(g.scrollOffset, 0);
    const SDL_Color text = g.textColour;
    const SDL_Color background = g.textBackground;
    EXPECT_EQ(text.r, 200);
    EXPECT_EQ(text.g, 200);
    EXPECT_EQ(text.b, 10);
    EXPECT_EQ(text.unused, 77);
    EXPECT_EQ(background.r, COLOUR_KEY_R);
    EXPECT_EQ(background.g, COLOUR_KEY_G);
    EXPECT_EQ(background.b, COLOUR_KEY_B);
    EXPECT_EQ(background.unused, 66);
}

TEST_F(FreeSlotTest, HighestFreeIndexWins) {
    EXPECT_EQ(FindFreeSlot(WorldState.enemies, MAX_ENEMIES), MAX_ENEMIES);
    EXPECT_EQ(FindFreeSlot(WorldState.explosions, MAX_EXPLOSIONS), MAX_EXPLOSIONS);

    for (int i = 0; i <= MAX_ENEMIES; i++) {
        WorldState.enemies[i].active = SLOT_ACTIVE;
    }
    EXPECT_EQ(FindFreeSlot(WorldState.enemies, MAX_ENEMIES), NO_SLOT);

    WorldState.enemies[0].active = SLOT_FREE;
    WorldState.enemies[3].active = SLOT_FREE;
    EXPECT_EQ(FindFreeSlot(WorldState.enemies, MAX_ENEMIES), 3);
}
