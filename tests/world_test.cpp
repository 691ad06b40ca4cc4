// The world: spawning enemies and the boss, firing bullets and shots, one frame
// of movement (the ship's status machine, shots, enemies and bullets), and the
// drawing pass (collisions and scoring, the HUD, and explosions).
#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "world/explosions.h"
#include "world/firing.h"
#include "world/scene.h"
#include "world/spawn.h"
#include "world/update.h"
#include "world_fixture.h"

constexpr int SHOT_SLOTS = MAX_PLAYER_SHOTS + 1;

using SpawnTest = WorldTest;

// Draws fed to SpawnEnemy through its random seam, in order.
static const int* nextDraw = nullptr;
static int FedDraw() {
    return *nextDraw++;
}

// An enemy takes the highest free slot. x is the first draw up to 640 and
// wraps above it; the kind is the second draw's parity. A diagonal enemy heads
// toward the ship sprite's x (right when level with it).
TEST_F(SpawnTest, EnemyTakesXAndKindFromTwoDrawsAndHeadsTowardTheShipSprite) {
    const struct {
        int draws[2];
        int shipX, x, kind, dx;
    } cases[] = {
        {{0, 2}, 0, 0, ENEMY_STRAIGHT, 0},       {{639, 4}, 0, 639, ENEMY_STRAIGHT, 0},
        {{640, 1}, 640, 640, ENEMY_DIAGONAL, 3}, {{640, 3}, 639, 640, ENEMY_DIAGONAL, -3},
        {{641, 1}, 300, 1, ENEMY_DIAGONAL, 3},   {{1280, 1}, 0, 0, ENEMY_DIAGONAL, 3},
        {{1281, 0}, 0, 1, ENEMY_STRAIGHT, 0},    {{RAND_MAX, 1}, 0, 127, ENEMY_DIAGONAL, -3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "draws " << c.draws[0] << ", " << c.draws[1]);
        ResetWorld();
        WorldState.shipSprite.x = c.shipX;
        WorldState.enemies[MAX_ENEMIES].hasFired = 1;
        nextDraw = c.draws;
        RandomDraw = FedDraw;

        SpawnEnemy();
        RandomDraw = rand;

        const Enemy& enemy = WorldState.enemies[MAX_ENEMIES];
        EXPECT_EQ(nextDraw, c.draws + 2);
        EXPECT_EQ(std::tie(enemy.x, enemy.y, enemy.kind, enemy.dx, enemy.dy, enemy.hasFired),
                  std::make_tuple(c.x, -30, c.kind, c.dx, 5, 0));
    }
}

// A shot fired from x 0 leaves its slot looking free: it never moves and the
// next shot takes the slot.
TEST_F(SpawnTest, PlayerShotStarts15PixelsAboveTheShipSprite) {
    WorldState.ship.x = 10;
    WorldState.ship.y = 20;
    WorldState.shipSprite.y = 400;
    PlayerFire();
    UpdateWorld();
    EXPECT_EQ(std::tie(WorldState.ShotX[MAX_PLAYER_SHOTS], WorldState.ShotY[MAX_PLAYER_SHOTS]),
              std::make_tuple(0, 385));

    WorldState.shipSprite.x = 320;
    for (int i = 0; i < SHOT_SLOTS; i++) {
        PlayerFire();
    }
    EXPECT_EQ(std::count(WorldState.ShotX, WorldState.ShotX + SHOT_SLOTS, 320), SHOT_SLOTS);
}

TEST_F(SpawnTest, BossReplacesSlotOneWithoutExplosionOrScore) {
    // A fired, hit enemy in slot 1.
    WorldState.enemies[1] = Enemy{SLOT_ACTIVE, 500, 300, 0, 5, ENEMY_STRAIGHT, 1, 7, 0};
    WorldState.shipSprite.x = 260;

    SpawnBoss();

    const Enemy& boss = WorldState.enemies[1];
    EXPECT_EQ(std::tie(boss.active, boss.kind, boss.x, boss.y, boss.dx, boss.dy, boss.hasFired,
                       boss.hits),
              std::make_tuple(SLOT_ACTIVE, ENEMY_BOSS, 260, 100, 3, 0, 0, 0));
    EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), 0);
    EXPECT_EQ(GameState.score, 0);
}

// A shot or explosion with no free slot is dropped, but its sound is still
// asked for, each sound on a channel of its own. The sound device is paused
// while they are counted, so that neither can end first: at most a buffer
// already under way is mixed, and the chunk lasts over ten (2 s or more).
TEST_F(SpawnTest, FullTablesDropShotsAndExplosionsButStillPlayTheirSounds) {
    static Uint8 silence[MIX_DEFAULT_FREQUENCY * 8];
    GameState.shotSound = GameState.explosionSound = Mix_QuickLoad_RAW(silence, sizeof silence);
    std::fill(std::begin(WorldState.ShotX), std::end(WorldState.ShotX), 1);
    for (Explosion& explosion : WorldState.explosions) {
        explosion = Explosion{SLOT_ACTIVE, 10, 10, 3};
    }
    SDL_PauseAudio(1);
    Mix_HaltChannel(-1);

    PlayerFire();
    EXPECT_EQ(Mix_Playing(-1), 1) << "the shot sound";
    StartExplosion(EXPLODE_PLAYER);
    EXPECT_EQ(Mix_Playing(-1), 2) << "the explosion sound";

    Mix_HaltChannel(-1);
    SDL_PauseAudio(0);
    Mix_FreeChunk(GameState.shotSound);
    EXPECT_EQ(std::count(WorldState.ShotX, WorldState.ShotX + SHOT_SLOTS, 1), SHOT_SLOTS);
    EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS].frame, 3);
}

using UpdateTest = WorldTest;

constexpr int FALL = 5;    // an ordinary enemy's dy on the way down
constexpr int CLIMB = -3;  // a straight enemy's dy once it has fired
constexpr int DRIFT = 3;   // sideways speed of diagonal enemies, bullets and the boss

static void Update(int times) {
    for (int i = 0; i < times; i++) {
        UpdateWorld();
    }
}

// The bullet starts 30 right of and 20 below the enemy, drifting toward the
// ship sprite as seen from the enemy's x. Firing turns the enemy even when no
// bullet slot is free.
TEST_F(UpdateTest, OnlyAStraightEnemyFiresAndOnlyOnceItsNewYPasses240) {
    const Enemy& atLine = PutEnemy(2, ENEMY_STRAIGHT, 100, 235, 0, FALL);
    const Enemy& pastLine = PutEnemy(4, ENEMY_STRAIGHT, 300, 236, 0, FALL);
    PutEnemy(5, ENEMY_DIAGONAL, 400, 236, DRIFT, FALL);
    PutEnemy(6, ENEMY_STRAIGHT, 200, 236, 0, FALL).hasFired = 1;
    EnemyBullet& bullet = WorldState.enemyBullets[MAX_ENEMY_BULLETS];
    bullet.frame = 1;  // left over from an earlier bullet in this slot
    bullet.ticks = 3;
    WorldState.shipSprite.x = 300;

    UpdateWorld();

    EXPECT_EQ(std::tie(atLine.y, atLine.hasFired, atLine.dy), std::make_tuple(240, 0, FALL));
    EXPECT_EQ(std::tie(pastLine.y, pastLine.hasFired, pastLine.dy), std::make_tuple(241, 1, CLIMB));
    ASSERT_EQ(CountActive(WorldState.enemyBullets, MAX_ENEMY_BULLETS), 1);
    // Fired from (330, 261) and moved once in the same update.
    EXPECT_EQ(std::tie(bullet.x, bullet.y, bullet.frame, bullet.ticks),
              std::make_tuple(333, 264, 0, 0));

    for (int i = 0; i <= MAX_ENEMY_BULLETS; i++) {
        PutBullet(i, 0, 0);
    }
    const Enemy& unarmed = PutEnemy(3, ENEMY_STRAIGHT, 100, 236, 0, FALL);
    UpdateWorld();
    EXPECT_EQ(std::tie(unarmed.hasFired, unarmed.dy), std::make_tuple(1, CLIMB));
}

// Enemies stay in play from y -50 to 480, bullets until they pass 480 (never
// bounded sideways), and a shot vanishes on the update that would take it to y
// 10. The boss turns only once past x 500 or x 20.
TEST_F(UpdateTest, ObjectsLeavePlayAtTheFieldEdgesAndTheBossTurnsPastItsPoints) {
    GameState.frameCounter = 1;  // not a firing frame
    const struct {
        int x, y, dx, dy, endX, endDx;
        bool stays;
    } bosses[] = {{498, 475, DRIFT, FALL, 501, -DRIFT, true},
                  {497, 476, DRIFT, FALL, 500, DRIFT, false},
                  {22, -47, -DRIFT, CLIMB, 19, DRIFT, true},
                  {23, -48, -DRIFT, CLIMB, 20, -DRIFT, false}};
    for (int i = 0; i < 4; i++) {
        PutEnemy(i, ENEMY_BOSS, bosses[i].x, bosses[i].y, bosses[i].dx, bosses[i].dy);
    }
    const EnemyBullet& atBottom = PutBullet(0, 100, 477, DRIFT, DRIFT);
    const EnemyBullet& pastBottom = PutBullet(1, 100, 478, DRIFT, DRIFT);
    const EnemyBullet& offLeft = PutBullet(2, -500, 100, -DRIFT, DRIFT);
    PutShot(0, 100, 20);
    PutShot(1, 100, 21);

    UpdateWorld();

    for (int i = 0; i < 4; i++) {
        const Enemy& boss = WorldState.enemies[i];
        EXPECT_EQ(std::tie(boss.x, boss.dx), std::make_tuple(bosses[i].endX, bosses[i].endDx)) << i;
        EXPECT_EQ(boss.active == SLOT_ACTIVE, bosses[i].stays) << i;
    }
    EXPECT_EQ(std::tie(atBottom.active, atBottom.y), std::make_tuple(SLOT_ACTIVE, 480));
    EXPECT_EQ(pastBottom.active, SLOT_FREE);
    EXPECT_EQ(std::tie(offLeft.active, offLeft.x), std::make_tuple(SLOT_ACTIVE, -503));
    EXPECT_EQ(std::tie(WorldState.ShotX[0], WorldState.ShotY[0]), std::make_tuple(0, 0));
    EXPECT_EQ(std::tie(WorldState.ShotX[1], WorldState.ShotY[1]), std::make_tuple(100, 11));
}

TEST_F(UpdateTest, BossFiresOnFramesThatAreMultiplesOf30FromTheReset) {
    PutEnemy(BOSS_SLOT, ENEMY_BOSS, 260, 100, DRIFT);
    for (const int frame : {29, 30, 31, 59, 60}) {
        GameState.frameCounter = frame;
        const int before = CountActive(WorldState.enemyBullets, MAX_ENEMY_BULLETS);
        UpdateWorld();
        EXPECT_EQ(CountActive(WorldState.enemyBullets, MAX_ENEMY_BULLETS) - before,
                  frame == 30 || frame == 60 ? 1 : 0)
            << frame;
    }
}

// Destroyed for 29 updates and respawning from the 30th, at the start, which
// ends the game when no life is left; then blinking and untouchable for 49
// updates, and active from the 50th: a bullet resting on the ship hits it only
// then, and taking the last life does not end the game at once.
TEST_F(UpdateTest, DestroyedShipRespawnsOnThe30thUpdateOrEndsTheGameWithoutLives) {
    const PlayerShip& ship = WorldState.ship;
    for (int lives : {0, 1}) {
        SCOPED_TRACE(lives);
        GameState.mode = MODE_PLAY;
        WorldState.ship = {SHIP_DESTROYED, 10, 20, lives, 30};

        Update(29);
        EXPECT_EQ(std::tie(ship.status, ship.x), std::make_tuple(SHIP_DESTROYED, 10));
        EXPECT_EQ(GameState.mode, MODE_PLAY);

        UpdateWorld();
        EXPECT_EQ(std::tie(ship.status, ship.timer, ship.x, ship.y),
                  std::make_tuple(SHIP_RESPAWNING, 50, SHIP_START_X, SHIP_START_Y));
        EXPECT_EQ(GameState.mode, lives > 0 ? MODE_PLAY : MODE_TITLE);
    }
    WorldState.shipSprite.x = SHIP_START_X;
    WorldState.shipSprite.y = SHIP_START_Y;
    PutBullet(0, SHIP_START_X, SHIP_START_Y);
    Update(50 - 1);
    DrawScene(screen);
    EXPECT_EQ(std::tie(ship.status, ship.lives), std::make_tuple(SHIP_RESPAWNING, 1));

    UpdateWorld();
    EXPECT_EQ(std::tie(ship.status, ship.timer), std::make_tuple(SHIP_ACTIVE, 0));
    DrawScene(screen);
    EXPECT_EQ(std::tie(ship.status, ship.lives, ship.timer),
              std::make_tuple(SHIP_DESTROYED, 0, 30));
    EXPECT_EQ(GameState.mode, MODE_PLAY);
}

using SceneTest = WorldTest;

static void ExpectExplosionAt(int slot, int x, int y) {
    const Explosion& explosion = WorldState.explosions[slot];
    EXPECT_EQ(std::tie(explosion.active, explosion.x, explosion.y),
              std::make_tuple(SLOT_ACTIVE, x, y))
        << "slot " << slot;
}

// One shot takes a hit off the boss and destroys every enemy it overlaps,
// explosions filling from the top slot in slot order. It is spent, but still
// drawn in the frame of its hit. The boss falls on its hundredth hit and starts
// the level change; the same frame's caption step counts the countdown from 100.
TEST_F(SceneTest, ShotHitsTheBossAndEveryEnemyItOverlaps) {
    for (int hitsBefore : {98, 99}) {
        SCOPED_TRACE(hitsBefore);
        const bool falls = hitsBefore == 99;
        ResetWorld();
        GameState.score = 0;
        GameState.bossPhase = BOSS_ACTIVE;
        Enemy& boss = PutEnemy(BOSS_SLOT, ENEMY_BOSS, 100, 100);
        boss.hits = hitsBefore;
        PutEnemy(2, ENEMY_STRAIGHT, 130, 110);
        PutEnemy(4, ENEMY_DIAGONAL, 150, 140);
        PutShot(0, 160, 140);

        DrawScene(screen);

        EXPECT_EQ(std::tie(boss.hits, boss.active),
                  std::make_tuple(hitsBefore + 1, falls ? SLOT_FREE : SLOT_ACTIVE));
        EXPECT_EQ(CountActive(WorldState.enemies, MAX_ENEMIES), falls ? 0 : 1);
        const int firstEnemyExplosion = falls ? MAX_EXPLOSIONS - 1 : MAX_EXPLOSIONS;
        ExpectExplosionAt(firstEnemyExplosion, 130, 110);
        ExpectExplosionAt(firstEnemyExplosion - 1, 150, 140);
        EXPECT_EQ(WorldState.ShotX[0], 0);
        EXPECT_EQ(PixelAt(screen, 165, 145), SHOT_COLOUR);
        EXPECT_EQ(std::tie(GameState.score, GameState.bossPhase, GameState.level,
                           GameState.levelCountdown),
                  falls ? std::make_tuple(120, BOSS_DEFEATED, 2, 99)
                        : std::make_tuple(20, BOSS_ACTIVE, 1, 0));
    }
    ExpectExplosionAt(MAX_EXPLOSIONS, 100, 100);
}

// Whatever touches an active ship costs one of its three lives and flies on,
// and an explosion starts at the ship. A respawning ship blinks, drawn on even
// timer values, and nothing hurts it; a destroyed one is not drawn.
TEST_F(SceneTest, ShipHitsAndBlinking) {
    constexpr int X = SHIP_START_X;
    constexpr int Y = SHIP_START_Y;
    constexpr int ONLY_A_BULLET = -1;
    const struct {
        int kind, status, timer;
        bool hit, drawn;
    } cases[] = {
        {ENEMY_STRAIGHT, SHIP_ACTIVE, 0, true, false},
        {ENEMY_BOSS, SHIP_ACTIVE, 0, true, false},
        {ONLY_A_BULLET, SHIP_ACTIVE, 0, true, false},
        {ONLY_A_BULLET, SHIP_RESPAWNING, 2, false, true},
        {ENEMY_STRAIGHT, SHIP_RESPAWNING, 3, false, false},
        {ONLY_A_BULLET, SHIP_DESTROYED, 2, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        ResetWorld();
        ClearScreen(screen);
        WorldState.ship.status = c.status;
        WorldState.ship.timer = c.timer;
        WorldState.shipSprite.x = X;
        WorldState.shipSprite.y = Y;
        // An enemy and a bullet touch the ship (one hit counts), or a bullet alone.
        if (c.kind != ONLY_A_BULLET) {
            PutEnemy(3, c.kind, X + 10, Y + 10);
        }
        const EnemyBullet& bullet = PutBullet(0, X + 5, Y + 5);

        DrawScene(screen);

        const PlayerShip& ship = WorldState.ship;
        EXPECT_EQ(
            std::tie(ship.lives, ship.status, ship.timer),
            c.hit ? std::make_tuple(2, SHIP_DESTROYED, 30) : std::make_tuple(3, c.status, c.timer));
        if (c.hit) {
            ExpectExplosionAt(MAX_EXPLOSIONS, X, Y);
        } else {
            EXPECT_EQ(PixelAt(screen, X + 1, Y + 1), c.drawn ? SHIP_COLOUR : BLACK);
        }
        EXPECT_EQ(CountActive(WorldState.explosions, MAX_EXPLOSIONS), c.hit ? 1 : 0);
        EXPECT_EQ(bullet.active, SLOT_ACTIVE);
        EXPECT_EQ(CountActive(WorldState.enemies, MAX_ENEMIES), c.kind == ONLY_A_BULLET ? 0 : 1);
    }
}

// Life icons stand at x 32, 54 and 76, the score at (530, 5), and the level
// caption shows on the even frames of the first hundred after a load.
TEST_F(SceneTest, HudShowsLivesScoreAndTheLevelCaptionOnEvenFrames) {
    constexpr SDL_Rect CAPTION = {310, 240, 40, 20};  // its first letters always cover this
    GameState.font = TTF_OpenFont(KORVANE_DATA_DIR "/ariblk.ttf", 20);
    ASSERT_NE(GameState.font, nullptr) << TTF_GetError();
    GameState.levelCountdown = 100;

    for (int frame = 1; frame <= 102; frame++) {
        ClearScreen(screen);
        DrawScene(screen);
        const bool shown = LitPixels(screen, CAPTION.x, CAPTION.y, CAPTION.w, CAPTION.h) > 0;
        EXPECT_EQ(shown, frame % 2 == 0 && frame <= 100) << "frame " << frame;
    }
    EXPECT_EQ(GameState.levelCountdown, 0);
    EXPECT_GT(LitPixels(screen, 530, 5, 20, 20), 0);
    EXPECT_EQ(LitPixels(screen, 520, 0, 10, 30), 0);
    for (int x : {32, 54, 76}) {
        EXPECT_EQ(LitPixels(screen, x, 5, TEST_LIFE_SIZE, TEST_LIFE_SIZE), 16 * 16) << x;
        EXPECT_EQ(PixelAt(screen, x + TEST_LIFE_SIZE, 5), BLACK) << x;
    }
    TTF_CloseFont(GameState.font);
    GameState.font = nullptr;

    ClearScreen(screen);
    WorldState.ship.lives = 0;
    DrawScene(screen);
    EXPECT_EQ(LitPixels(screen, 0, 0, 120, 25), 0);
}

// The bullet is drawn over a shot in the same place.
TEST_F(SceneTest, BulletFrameTogglesOnEveryFifthDrawnFrame) {
    const EnemyBullet& bullet = PutBullet(0, 100, 100);
    PutShot(0, 100, 100);

    for (int shown : {0, 0, 0, 0, 1, 1, 1, 1, 1, 0}) {
        DrawScene(screen);
        EXPECT_EQ(PixelAt(screen, 101, 101), shown ? Rgb(128, 0, 255) : Rgb(255, 0, 255));
        EXPECT_EQ(std::tie(bullet.frame, WorldState.bulletSprite.currentFrame),
                  std::make_tuple(shown, shown));
    }
}

// It stays where the enemy was when it started, whatever moves into that slot.
TEST_F(SceneTest, ExplosionShowsFramesOneToSixWhereTheEnemyWasThenFreesItsSlot) {
    PutEnemy(2, ENEMY_DIAGONAL, 100, 100);
    StartExplosion(2);
    PutEnemy(2, ENEMY_DIAGONAL, 400, 400);

    for (int frame = 1; frame <= 7; frame++) {
        ClearScreen(screen);
        DrawExplosions(screen);
        EXPECT_EQ(PixelAt(screen, 110, 110), frame <= 6 ? ExplosionColour(frame) : BLACK)
            << "frame " << frame;
        EXPECT_EQ(WorldState.explosions[MAX_EXPLOSIONS].active,
                  frame < 6 ? SLOT_ACTIVE : SLOT_FREE);
    }
}
