#include "platform/sound/sdl_mixer.h"

#include <cstdlib>

#include "platform/sound/sdl_device.h"
#include "platform/sound/soundfont.h"

#include <fluidsynth.h>

namespace {

constexpr int OUTPUT_RATE = 44100;
constexpr int OUTPUT_CHANNELS = 2;
constexpr int OUTPUT_SAMPLES = 2048;

void quiet_fluid_log(int, const char*, void*) {}

}  // namespace

bool device_exists(const SdlCalls& sdl) {
    // A desktop's mixer shows the game's stream under its name and icon
    // (SDL reads its hints from the environment, PulseAudio and PipeWire
    // the stream's properties); a player's own setting stays.
    setenv("SDL_AUDIO_DEVICE_APP_NAME", "Dunmar", 0);
    setenv("PULSE_PROP_application.icon_name", "dunmar", 0);
    if (sdl.SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = OUTPUT_RATE;
    wanted.format = MIX_DEFAULT_FORMAT;
    wanted.channels = OUTPUT_CHANNELS;
    wanted.samples = OUTPUT_SAMPLES;
    SDL_AudioSpec got{};
    const SDL_AudioDeviceID id = sdl.SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, SDL_AUDIO_ALLOW_ANY_CHANGE);
    if (id != 0) sdl.SDL_CloseAudioDevice(id);
    return id != 0;
}

const MixerCalls* open_mixer(int music_percent, int effects_percent) {
    const MixerCalls* mix = load_mixer();
    if (!mix) return nullptr;
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
        mix->fluid_set_log_function(level, quiet_fluid_log, nullptr);
    if (mix->Mix_OpenAudio(OUTPUT_RATE, MIX_DEFAULT_FORMAT, OUTPUT_CHANNELS, OUTPUT_SAMPLES) != 0) {
        unload_mixer();
        return nullptr;
    }
    if (const char* font = installed_soundfont()) mix->Mix_SetSoundFonts(font);
    mix->Mix_Init(MIX_INIT_MID);
    mix->Mix_VolumeMusic(music_percent * MIX_MAX_VOLUME / 100);
    mix->Mix_Volume(EFFECT_CHANNEL, effects_percent * MIX_MAX_VOLUME / 100);
    return mix;
}
