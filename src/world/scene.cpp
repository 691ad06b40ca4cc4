#include "world/scene.h"

#include <cstdio>

#include "level/level.h"
#include "shell/game_state.h"
#include "world/explosions.h"
#include "world/world.h"

static constexpr int ENEMY_POINTS = 10;
static constexpr int BOSS_POINTS = 100;
static constexpr int BOSS_HITS_TO_DESTROY = 100;
static constexpr int DESTROYED_FRAMES = 30;        // the ship's timer after a hit
static constexpr int BULLET_DRAWS_PER_TOGGLE = 5;  // a bullet's frame toggles on every 5th draw

static constexpr int TEXT_SIZE = 32;

// The sprite that draws an enemy of the given kind, or null for an unknown kind.
static Sprite* SpriteForKind(int kind) {
    switch (kind) {
        case ENEMY_STRAIGHT:
            return &WorldState.enemySprite;
        case ENEMY_DIAGONAL:
            return &WorldState.enemy2Sprite;
        case ENEMY_BOSS:
            return &WorldState.bossSprite;
        default:
            return nullptr;
    }
}

// Moves a shared sprite onto an object.
static void Place(Sprite& sprite, int x, int y) {
    sprite.x = x;
    sprite.y = y;
}

// Costs a life and blows the ship up; it cannot be hit again until it is active.
static void HitPlayer() {
    PlayerShip& ship = WorldState.ship;
    ship.lives -= 1;
    StartExplosion(EXPLODE_PLAYER);
    ship.timer = DESTROYED_FRAMES;
    ship.status = SHIP_DESTROYED;
}

// Contact with the ship hurts only while it is active.
static void TouchShip(const Sprite& sprite) {
    if (sprite.Overlaps(WorldState.shipSprite) != 0 && WorldState.ship.status == SHIP_ACTIVE) {
        HitPlayer();
    }
}

// The ship is drawn while active, and on even timer frames while respawning.
static void DrawShip(SDL_Surface* screen) {
    const PlayerShip& ship = WorldState.ship;
    const bool visible =
        ship.status == SHIP_ACTIVE || (ship.status == SHIP_RESPAWNING && ship.timer % 2 == 0);
    if (visible) {
        Place(WorldState.shipSprite, ship.x, ship.y);
        WorldState.shipSprite.Draw(screen);
    }
}

// Moves the sprite of enemy slot j onto it and returns it; null when the slot
// is free or holds a kind that is never drawn.
static Sprite* PlaceEnemy(int j) {
    const Enemy& enemy = WorldState.enemies[j];
    Sprite* sprite = SpriteForKind(enemy.kind);
    if (enemy.active != SLOT_ACTIVE || !sprite) {
        return nullptr;
    }
    Place(*sprite, enemy.x, enemy.y);
    return sprite;
}

static void DrawEnemies(SDL_Surface* screen) {
    for (int j = 0; j <= MAX_ENEMIES; j++) {
        Sprite* sprite = PlaceEnemy(j);
        if (!sprite) {
            continue;
        }
        const Enemy& enemy = WorldState.enemies[j];
        if (enemy.kind == ENEMY_STRAIGHT) {
            sprite->SelectFrame(enemy.frame);
        }
        sprite->Draw(screen);
        TouchShip(*sprite);
    }
}

// The boss takes a hit; its last one destroys it and starts the level change.
static void HitBoss(int j) {
    Enemy& boss = WorldState.enemies[j];
    boss.hits += 1;
    if (boss.hits > BOSS_HITS_TO_DESTROY - 1) {
        StartExplosion(j);
        boss.active = SLOT_FREE;
        GameState.score += BOSS_POINTS;
        GameState.bossPhase = BOSS_DEFEATED;
        GameState.level += 1;
        GameState.levelCountdown = LEVEL_COUNTDOWN_FRAMES;
    }
}

static void DestroyEnemy(int j) {
    StartExplosion(j);
    WorldState.enemies[j].active = SLOT_FREE;
    GameState.score += ENEMY_POINTS;
}

// Draws shot i and tests it against every enemy. The scan does not stop at a
// hit: one shot destroys everything it overlaps in this frame.
static void DrawShotAndResolveHits(int i, SDL_Surface* screen) {
    Sprite& shot = WorldState.shotSprite;
    Place(shot, WorldState.ShotX[i], WorldState.ShotY[i]);
    shot.Draw(screen);
    for (int j = 0; j <= MAX_ENEMIES; j++) {
        const Sprite* sprite = PlaceEnemy(j);
        if (!sprite || shot.Overlaps(*sprite) != 1) {
            continue;
        }
        WorldState.ShotX[i] = 0;
        if (WorldState.enemies[j].kind == ENEMY_BOSS) {
            HitBoss(j);
        } else {
            DestroyEnemy(j);
        }
    }
}

static void DrawShots(SDL_Surface* screen) {
    for (int i = 0; i <= MAX_PLAYER_SHOTS; i++) {
        if (WorldState.ShotX[i] != 0) {
            DrawShotAndResolveHits(i, screen);
        }
    }
}

// Each bullet counts its own animation ticks but selects the shared sprite's
// frame only when it toggles, so between toggles it shows the latest frame chosen.
static void DrawBullets(SDL_Surface* screen) {
    Sprite& sprite = WorldState.bulletSprite;
    for (int i = 0; i <= MAX_ENEMY_BULLETS; i++) {
        EnemyBullet& bullet = WorldState.enemyBullets[i];
        if (bullet.active != SLOT_ACTIVE) {
            continue;
        }
        const int t = bullet.ticks + 1;
        Place(sprite, bullet.x, bullet.y);
        if (t < BULLET_DRAWS_PER_TOGGLE) {
            bullet.ticks = t;
        } else {
            bullet.ticks = 0;
            bullet.frame = bullet.frame != 0 ? 0 : 1;
            sprite.SelectFrame(bullet.frame);
        }
        sprite.Draw(screen);
        TouchShip(sprite);
    }
}

static void DrawLives(SDL_Surface* screen) {
    Sprite& icon = WorldState.lifeSprite;
    for (int k = 1; k <= WorldState.ship.lives; k++) {
        Place(icon, LIFE_ICON_X + LIFE_ICON_PITCH * (k - 1), LIFE_ICON_Y);
        icon.Draw(screen);
    }
}

// Renders text in the HUD colours with its red background keyed out, blits it
// at (x, y) and releases it at once. Text that cannot be rendered is skipped.
static void DrawText(SDL_Surface* screen, const char* text, int x, int y) {
    if (!GameState.font) {
        return;
    }
    SDL_Surface* surface =
        TTF_RenderText_Shaded(GameState.font, text, GameState.textColour, GameState.textBackground);
    if (!surface) {
        return;
    }
    GameState.textRect.x = static_cast<Sint16>(x);
    GameState.textRect.y = static_cast<Sint16>(y);
    GameState.textRect.w = static_cast<Uint16>(surface->w);
    GameState.textRect.h = static_cast<Uint16>(surface->h);
    GameState.textSurface = surface;
    SetRedColourKey(surface);
    SDL_BlitSurface(surface, nullptr, screen, &GameState.textRect);
    SDL_FreeSurface(surface);
    GameState.textSurface = nullptr;
}

static void DrawScore(SDL_Surface* screen) {
    char text[TEXT_SIZE];
    snprintf(text, sizeof text, "%d", GameState.score);
    DrawText(screen, text, SCORE_X, SCORE_Y);
}

// The caption blinks while the countdown runs: shown when the value before
// this frame's decrease is odd.
static void DrawCaption(SDL_Surface* screen) {
    const int before = GameState.levelCountdown;
    if (before <= 0) {
        return;
    }
    GameState.levelCountdown = before - 1;
    if (before % 2 == 1) {
        char text[TEXT_SIZE];
        snprintf(text, sizeof text, "Level %d", GameState.level);
        DrawText(screen, text, CAPTION_X, CAPTION_Y);
    }
}

void DrawScene(SDL_Surface* screen) {
    DrawBackground(screen);
    DrawShip(screen);
    DrawEnemies(screen);
    DrawExplosions(screen);
    DrawShots(screen);
    DrawBullets(screen);
    DrawLives(screen);
    DrawScore(screen);
    DrawCaption(screen);
    SDL_Flip(screen);
}
