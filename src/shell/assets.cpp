#include "shell/assets.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "shell/data_file.h"
#include "shell/game_state.h"
#include "shell/platform.h"
#include "world/world.h"

static constexpr const char* FONT_PATH = "ariblk.ttf";
static constexpr int FONT_POINTS = 20;
static constexpr const char* EXPLOSION_SOUND_PATH = "sounds/explosion.wav";
static constexpr const char* SHOT_SOUND_PATH = "sounds/disparo.wav";
static constexpr int FIRST_JOYSTICK = 0;
static constexpr int FIRST_FREE_CHANNEL = -1;

// Which of the world's sprites a picture becomes the next frame of.
using SpriteMember = Sprite WorldRecord::*;

// Every picture in load order, with the sprite it becomes the next frame of.
struct AssetRow {
    const char* path;
    SpriteMember sprite;
};

static constexpr AssetRow ASSET_TABLE[BITMAP_COUNT] = {
    {"pics/pantalla.bmp", &WorldRecord::titleSprite},
    {"pics/explode1.bmp", &WorldRecord::explosionSprite},
    {"pics/explode2.bmp", &WorldRecord::explosionSprite},
    {"pics/explode3.bmp", &WorldRecord::explosionSprite},
    {"pics/explode4.bmp", &WorldRecord::explosionSprite},
    {"pics/explode5.bmp", &WorldRecord::explosionSprite},
    {"pics/explode6.bmp", &WorldRecord::explosionSprite},
    {"pics/explode7.bmp", &WorldRecord::explosionSprite},
    {"pics/dispene.bmp", &WorldRecord::bulletSprite},
    {"pics/dispene2.bmp", &WorldRecord::bulletSprite},
    {"pics/minave.bmp", &WorldRecord::shipSprite},
    {"pics/nave.bmp", &WorldRecord::enemySprite},
    {"pics/nave2.bmp", &WorldRecord::enemy2Sprite},
    {"pics/gordo.bmp", &WorldRecord::bossSprite},
    {"pics/balas.bmp", &WorldRecord::shotSprite},
    {"pics/life.bmp", &WorldRecord::lifeSprite},
};

static void ReportMissing(const char* path) {
    printf("No se pudo cargar %s: %s\n", path, SDL_GetError());
}

// The sounds taken: one or two channels, 4 to 192 kHz, at most 1 MiB of
// samples. SDL's WAV reader hands over only 8- or 16-bit samples on every
// library (it decodes compressed ones and refuses wider ones). Into the
// mixer's 22050 Hz, SDL 1.2 then needs at most 6 of the 9 conversion steps it
// has room for (a longer chain writes past its table), SDL2 under the
// compatibility layer takes every such rate, and the converted buffer, sized
// in an int, grows at most 96-fold on either.
static constexpr int SOUND_MIN_RATE = 4000;
static constexpr int SOUND_MAX_RATE = 192000;
static constexpr Uint32 SOUND_MAX_BYTES = 1 << 20;
static constexpr int MONO = 1;
static constexpr int STEREO = 2;

static bool IsPlayableSound(const SDL_AudioSpec& sound, Uint32 bytes) {
    return (sound.channels == MONO || sound.channels == STEREO) && sound.freq >= SOUND_MIN_RATE &&
           sound.freq <= SOUND_MAX_RATE && bytes <= SOUND_MAX_BYTES;
}

// Reads the header of the WAV file stream holds with SDL's own WAV reader, the
// one the mixer uses, so that both see the same fields; rewinds the stream.
// False for anything that is not a readable WAV file.
static bool ReadWavFormat(SDL_RWops* stream, SDL_AudioSpec& sound, Uint32& bytes) {
    Uint8* samples = nullptr;
    if (!SDL_LoadWAV_RW(stream, 0, &sound, &samples, &bytes)) {
        return false;
    }
    SDL_FreeWAV(samples);
    SDL_RWseek(stream, 0, RW_SEEK_SET);
    return true;
}

// Loads a sound effect. Only WAV files are taken, and only playable ones (see
// IsPlayableSound); anything else leaves the game without that sound, and a
// WAV it cannot play is reported.
static Mix_Chunk* LoadSound(const char* path) {
    SDL_RWops* stream = OpenRegularStream(path);
    if (!stream) {
        return nullptr;
    }
    SDL_AudioSpec sound = {};
    Uint32 bytes = 0;
    const bool wav = ReadWavFormat(stream, sound, bytes);
    const bool playable = wav && IsPlayableSound(sound, bytes);
    if (wav && !playable) {
        fprintf(
            stderr,
            "%s: a sound of %d Hz, %d channel(s) and %u bytes is not taken; playing without it\n",
            path, sound.freq, sound.channels, bytes);
    }
    if (!playable) {
        SDL_RWclose(stream);
        return nullptr;
    }
    return Mix_LoadWAV_RW(stream, 1);
}

bool LoadResources() {
    GameState.font = OpenRegularFile(
        FONT_PATH, [](const char* name) { return TTF_OpenFont(name, FONT_POINTS); });
    if (!GameState.font) {
        ReportMissing(FONT_PATH);
        return false;
    }
    if (SDL_NumJoysticks() > 0) {
        GameState.joystick = SDL_JoystickOpen(FIRST_JOYSTICK);
        SDL_JoystickEventState(SDL_ENABLE);
    }
    GameState.music = OpenRegularFile(MUSIC_PATH, Mix_LoadMUS);
    GameState.explosionSound = LoadSound(EXPLOSION_SOUND_PATH);
    GameState.shotSound = LoadSound(SHOT_SOUND_PATH);
    return true;
}

bool LoadGraphics() {
    srand(static_cast<unsigned>(time(nullptr)));
    ClearShotsEnemiesExplosions();
    for (int i = 0; i < BITMAP_COUNT; i++) {
        const AssetRow& row = ASSET_TABLE[i];
        LoadBitmap(GameState.bitmaps[i], row.path);
        if (!GameState.bitmaps[i]) {
            ReportMissing(row.path);
            return false;
        }
        (WorldState.*row.sprite).AddFrame(GameState.bitmaps[i]);
    }
    return true;
}

void ReleaseResources() {
    if (GameState.font) {
        TTF_CloseFont(GameState.font);
        GameState.font = nullptr;
    }
    Mix_FreeMusic(GameState.music);
    GameState.music = nullptr;
    if (SDL_JoystickOpened(FIRST_JOYSTICK)) {
        SDL_JoystickClose(GameState.joystick);
        GameState.joystick = nullptr;
    }
}

void PlaySound(Mix_Chunk* chunk) {
    Mix_PlayChannel(FIRST_FREE_CHANNEL, chunk, 0);
}
