/* Plays the game for bench/measure-audio.sh, loaded into the game with LD_PRELOAD.
 *
 * It starts a game whenever the title shows and, from the first play frame on,
 * holds Left Shift for KORVANE_PROBE_FIRE_MS milliseconds (0: never) while it
 * sweeps the ship left and right, so that raiders are shot down.
 * KORVANE_PROBE_EFFECTS=0 drops every sound effect, leaving the music alone.
 *
 * Into KORVANE_PROBE_LOG it writes one line per event, positions counted in
 * samples handed to the audio device:
 *   effect START LENGTH CHANNEL   an effect started (channel -1: none was free)
 *   music START                   the tune started
 *   fire-end AT                   Shift let go
 *   end COUNT                     the device closed after COUNT samples
 * A sound started between two mixer passes begins at the start of the next
 * one, which is the count of samples mixed so far. The device may write
 * silence before the mixer first runs: the recording's length minus the "end"
 * count is that lead-in. */
#ifndef _GNU_SOURCE
#define _GNU_SOURCE /* RTLD_NEXT */
#endif
#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { SWEEP_MS = 1500 }; /* time the ship steers one way before turning */

static FILE* probeLog;
static Uint32 fireMs;
static int effectsOn = 1;
static Uint32 fireStart; /* ticks at the first play frame; 0 before it */
static int fireEnded;

/* The mixer's callback, wrapped to count the samples it mixes. */
static void (*mixerCallback)(void* userdata, Uint8* stream, int len);
static int bytesPerSample = 2;
static int sampleRate = 22050;
static unsigned long samplesMixed;
static int musicStarted;

__attribute__((constructor)) static void ReadSettings(void) {
    const char* path = getenv("KORVANE_PROBE_LOG");
    const char* fire = getenv("KORVANE_PROBE_FIRE_MS");
    const char* effects = getenv("KORVANE_PROBE_EFFECTS");
    probeLog = fopen(path != NULL ? path : "/dev/null", "w");
    setvbuf(probeLog, NULL, _IOLBF, 0); /* the script watches the log as it grows */
    fireMs = fire != NULL ? (Uint32)atol(fire) : 0;
    effectsOn = effects == NULL || strcmp(effects, "0") != 0;
}

/* Until the tune starts, passes keep a sound card's pace, so that a device told
 * to write as fast as it can does not fill the recording with silence first. */
static void CountingCallback(void* userdata, Uint8* stream, int len) {
    mixerCallback(userdata, stream, len);
    const unsigned long samples = (unsigned long)(len / bytesPerSample);
    samplesMixed += samples;
    if (!musicStarted) {
        SDL_Delay((Uint32)(samples * 1000 / (unsigned long)sampleRate));
    }
}

/* Samples mixed so far, read under the audio lock so no pass is half counted. */
static unsigned long MixedNow(void) {
    SDL_LockAudio();
    const unsigned long mixed = samplesMixed;
    SDL_UnlockAudio();
    return mixed;
}

int SDL_OpenAudio(SDL_AudioSpec* desired, SDL_AudioSpec* obtained) {
    int (*next)(SDL_AudioSpec*, SDL_AudioSpec*) = dlsym(RTLD_NEXT, "SDL_OpenAudio");
    mixerCallback = desired->callback;
    desired->callback = CountingCallback;
    const int result = next(desired, obtained);
    const SDL_AudioSpec* used = obtained != NULL ? obtained : desired;
    bytesPerSample = (used->format & 0xFF) / 8 * used->channels;
    sampleRate = used->freq;
    return result;
}

void SDL_CloseAudio(void) {
    void (*next)(void) = dlsym(RTLD_NEXT, "SDL_CloseAudio");
    next();
    fprintf(probeLog, "end %lu\n", samplesMixed);
}

int Mix_PlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks) {
    int (*next)(int, Mix_Chunk*, int, int) = dlsym(RTLD_NEXT, "Mix_PlayChannelTimed");
    if (!effectsOn || chunk == NULL) {
        return -1;
    }
    SDL_LockAudio();
    const int used = next(channel, chunk, loops, ticks);
    fprintf(probeLog, "effect %lu %lu %d\n", samplesMixed,
            (unsigned long)chunk->alen / (unsigned long)bytesPerSample, used);
    SDL_UnlockAudio();
    return used;
}

int Mix_PlayMusic(Mix_Music* music, int loops) {
    int (*next)(Mix_Music*, int) = dlsym(RTLD_NEXT, "Mix_PlayMusic");
    SDL_LockAudio();
    const int result = next(music, loops);
    fprintf(probeLog, "music %lu\n", samplesMixed);
    musicStarted = 1;
    SDL_UnlockAudio();
    return result;
}

/* The title screen halts the music when it is entered and then waits for a key:
 * a Return starts a new game, so a lost game goes straight on. */
int Mix_HaltMusic(void) {
    int (*next)(void) = dlsym(RTLD_NEXT, "Mix_HaltMusic");
    const int result = next();
    SDL_Event press;
    memset(&press, 0, sizeof press);
    press.type = SDL_KEYDOWN;
    press.key.keysym.sym = SDLK_RETURN;
    SDL_PushEvent(&press);
    return result;
}

/* Play reads the keyboard once a frame; the title screen reads events only. */
Uint8* SDL_GetKeyState(int* numkeys) {
    static Uint8 keys[SDLK_LAST];
    Uint8* (*next)(int*) = dlsym(RTLD_NEXT, "SDL_GetKeyState");
    memcpy(keys, next(numkeys), sizeof keys);
    const Uint32 now = SDL_GetTicks();
    if (fireStart == 0) {
        fireStart = now;
    }
    const Uint32 held = now - fireStart;
    if (held < fireMs) {
        keys[SDLK_LSHIFT] = 1;
        keys[held / SWEEP_MS % 2 == 0 ? SDLK_LEFT : SDLK_RIGHT] = 1;
    } else if (fireMs > 0 && !fireEnded) {
        fireEnded = 1;
        fprintf(probeLog, "fire-end %lu\n", MixedNow());
    }
    return keys;
}
