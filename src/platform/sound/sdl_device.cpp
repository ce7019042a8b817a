#include "platform/sound/sdl_device.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "platform/sound/sdl_audio.h"
#include "platform/sound/sdl_mixer.h"

namespace {

void quiet_sdl_log(void*, int, SDL_LogPriority, const char*) {}
void quiet_alsa_log(const char*, int, const char*, int, const char*, ...) {}

void shut_device() {
    AudioState& a = sdl_audio_state();
    if (a.device != Device::open) {
        if (a.device == Device::silent) a.songs.clear();
        if (a.device != Device::unopened) a.device = Device::shut;
        return;
    }
    const MixerCalls& mix = *a.mix;
    mix.Mix_HaltChannel(-1);
    mix.Mix_HaltMusic();
    if (a.effect) mix.Mix_FreeChunk(a.effect);
    a.effect = nullptr;
    for (auto& song : a.songs) mix.Mix_FreeMusic(song->music);
    a.songs.clear();
    mix.Mix_CloseAudio();
    mix.Mix_Quit();
    a.sdl->SDL_Quit();
    a.device = Device::shut;
}

}  // namespace

AudioState& sdl_audio_state() {
    static AudioState* state = new AudioState;
    return *state;
}

// The mixer when there is a device, else the silent path, which lets every
// library go again. Everything these libraries would print would land on
// the game's screen, or after it: they get log functions that say nothing
// before they start.
bool sdl_device_open() {
    AudioState& a = sdl_audio_state();
    if (a.device == Device::unopened) {
        a.device = Device::silent;
        if (const SdlCalls* sdl = load_sdl()) {
            sdl->SDL_LogSetOutputFunction(quiet_sdl_log, nullptr);
            sdl->snd_lib_error_set_handler(quiet_alsa_log);
            a.sdl = sdl;
            if (device_exists(*sdl)) a.mix = open_mixer(a.music_percent, a.effects_percent);
            if (a.mix) {
                a.device = Device::open;
                std::atexit(shut_device);
            } else {
                sdl->SDL_Quit();
                a.sdl = nullptr;
                unload_sdl();
            }
        }
    }
    return a.device == Device::open || a.device == Device::silent;
}

bool sdl_playing_aloud() { return sdl_audio_state().device == Device::open; }

bool regular_sound_file(const char* name, int& error) {
    struct stat info {};
    if (stat(name, &info) != 0) {
        error = errno;
        return false;
    }
    error = 0;
    return S_ISREG(info.st_mode);
}

void shut_sdl_audio() { shut_device(); }

void set_sound_levels(int music_percent, int effects_percent) {
    sdl_audio_state().music_percent = music_percent;
    sdl_audio_state().effects_percent = effects_percent;
}

const char* sdl_audio_driver() {
    const AudioState& a = sdl_audio_state();
    if (a.device == Device::silent) return "none";
    const char* name = a.device == Device::open ? a.sdl->SDL_GetCurrentAudioDriver() : nullptr;
    return name ? name : "";
}
