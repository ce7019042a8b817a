// The sound libraries, loaded when the game first wants sound rather than
// at start: SDL2 (and ALSA, to keep its messages quiet) to learn whether
// there is a device at all, then SDL2_mixer with FluidSynth only once there
// is one. Without a device they are let go again, so a game that can make no
// sound carries next to none of them: no synthesizer, no mixing thread, and
// not the seventy libraries SDL2_mixer brings along.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

// The calls the game makes, under the libraries' own names.
struct SdlCalls {
    decltype(&::SDL_LogSetOutputFunction) SDL_LogSetOutputFunction;
    decltype(&::SDL_InitSubSystem) SDL_InitSubSystem;
    decltype(&::SDL_Quit) SDL_Quit;
    decltype(&::SDL_OpenAudioDevice) SDL_OpenAudioDevice;
    decltype(&::SDL_CloseAudioDevice) SDL_CloseAudioDevice;
    decltype(&::SDL_GetCurrentAudioDriver) SDL_GetCurrentAudioDriver;
    decltype(&::SDL_RWFromConstMem) SDL_RWFromConstMem;
    decltype(&::SDL_RWFromFile) SDL_RWFromFile;
    // ALSA's handler for its error messages.
    int (*snd_lib_error_set_handler)(void (*)(const char*, int, const char*, int, const char*, ...));
};

struct MixerCalls {
    decltype(&::Mix_Init) Mix_Init;
    decltype(&::Mix_Quit) Mix_Quit;
    decltype(&::Mix_OpenAudio) Mix_OpenAudio;
    decltype(&::Mix_CloseAudio) Mix_CloseAudio;
    decltype(&::Mix_SetSoundFonts) Mix_SetSoundFonts;
    decltype(&::Mix_LoadMUSType_RW) Mix_LoadMUSType_RW;
    decltype(&::Mix_FreeMusic) Mix_FreeMusic;
    decltype(&::Mix_PlayMusic) Mix_PlayMusic;
    decltype(&::Mix_HaltMusic) Mix_HaltMusic;
    decltype(&::Mix_LoadWAV_RW) Mix_LoadWAV_RW;
    decltype(&::Mix_FreeChunk) Mix_FreeChunk;
    decltype(&::Mix_PlayChannelTimed) Mix_PlayChannelTimed;
    decltype(&::Mix_HaltChannel) Mix_HaltChannel;
    decltype(&::Mix_VolumeMusic) Mix_VolumeMusic;
    decltype(&::Mix_Volume) Mix_Volume;
    // FluidSynth's log function for one level.
    void* (*fluid_set_log_function)(int, void (*)(int, const char*, void*), void*);
};

// Loads SDL2 and ALSA; null if they are not installed. Stays loaded until
// unload_sdl, which needs SDL shut down first.
const SdlCalls* load_sdl();
void unload_sdl();

// Loads SDL2_mixer and FluidSynth, once SDL2 is loaded; null if they are not
// installed.
const MixerCalls* load_mixer();
void unload_mixer();
