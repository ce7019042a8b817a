#include "platform/sound/sound_libraries.h"

#include <dlfcn.h>

namespace {

struct Loaded {
    void* sdl = nullptr;
    void* alsa = nullptr;
    void* mixer = nullptr;
    void* fluid = nullptr;
    SdlCalls sdl_calls{};
    MixerCalls mixer_calls{};
};

Loaded& loaded() {
    static Loaded* state = new Loaded;  // never destroyed: sound is shut at exit
    return *state;
}

void* open_library(const char* name) { return dlopen(name, RTLD_LAZY | RTLD_LOCAL); }

void close_library(void*& handle) {
    if (handle) dlclose(handle);
    handle = nullptr;
}

// Finds `name` in the library and stores it in `call`; false if missing.
template <class Call>
bool find(void* library, const char* name, Call& call) {
    call = reinterpret_cast<Call>(dlsym(library, name));
    return call != nullptr;
}

#define FIND(library, calls, name) find(library, #name, calls.name)

}  // namespace

const SdlCalls* load_sdl() {
    Loaded& l = loaded();
    if (l.sdl) return &l.sdl_calls;
    l.sdl = open_library("libSDL2-2.0.so.0");
    l.alsa = open_library("libasound.so.2");
    SdlCalls& c = l.sdl_calls;
    const bool found = l.sdl && l.alsa && FIND(l.sdl, c, SDL_LogSetOutputFunction) && FIND(l.sdl, c, SDL_InitSubSystem) &&
                       FIND(l.sdl, c, SDL_Quit) &&
                       FIND(l.sdl, c, SDL_OpenAudioDevice) && FIND(l.sdl, c, SDL_CloseAudioDevice) &&
                       FIND(l.sdl, c, SDL_GetCurrentAudioDriver) && FIND(l.sdl, c, SDL_RWFromConstMem) &&
                       FIND(l.sdl, c, SDL_RWFromFile) && FIND(l.alsa, c, snd_lib_error_set_handler);
    if (!found) {
        unload_sdl();
        return nullptr;
    }
    return &c;
}

void unload_sdl() {
    Loaded& l = loaded();
    unload_mixer();
    close_library(l.alsa);
    close_library(l.sdl);
    l.sdl_calls = {};
}

const MixerCalls* load_mixer() {
    Loaded& l = loaded();
    if (l.mixer) return &l.mixer_calls;
    if (!l.sdl) return nullptr;
    l.mixer = open_library("libSDL2_mixer-2.0.so.0");
    l.fluid = open_library("libfluidsynth.so.3");
    MixerCalls& c = l.mixer_calls;
    const bool found = l.mixer && l.fluid && FIND(l.mixer, c, Mix_Init) && FIND(l.mixer, c, Mix_Quit) &&
                       FIND(l.mixer, c, Mix_OpenAudio) && FIND(l.mixer, c, Mix_CloseAudio) &&
                       FIND(l.mixer, c, Mix_SetSoundFonts) && FIND(l.mixer, c, Mix_LoadMUSType_RW) &&
                       FIND(l.mixer, c, Mix_FreeMusic) && FIND(l.mixer, c, Mix_PlayMusic) &&
                       FIND(l.mixer, c, Mix_HaltMusic) && FIND(l.mixer, c, Mix_LoadWAV_RW) &&
                       FIND(l.mixer, c, Mix_FreeChunk) && FIND(l.mixer, c, Mix_PlayChannelTimed) &&
                       FIND(l.mixer, c, Mix_HaltChannel) && FIND(l.mixer, c, Mix_VolumeMusic) &&
                       FIND(l.mixer, c, Mix_Volume) && FIND(l.fluid, c, fluid_set_log_function);
    if (!found) {
        unload_mixer();
        return nullptr;
    }
    return &c;
}

void unload_mixer() {
    Loaded& l = loaded();
    close_library(l.fluid);
    close_library(l.mixer);
    l.mixer_calls = {};
}
