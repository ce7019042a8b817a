// The effect player over the device: one WAV at a time on the effects'
// own channel.
#include "platform/sound/sdl_audio.h"
#include "platform/sound/sdl_device.h"

namespace {

class SdlEffectPlayer : public EffectPlayer {
public:
    void play(const char* file_name) override {
        AudioState& audio = sdl_audio_state();
        if (audio.effects_percent == 0 || !sdl_device_open() || !sdl_playing_aloud()) return;
        // The new effect replaces the one still playing, even when the new
        // one turns out to be missing: then there is silence.
        const MixerCalls& mix = *audio.mix;
        mix.Mix_HaltChannel(EFFECT_CHANNEL);
        if (audio.effect) mix.Mix_FreeChunk(audio.effect);
        audio.effect = nullptr;
        int ignored = 0;
        if (!file_name || !regular_sound_file(file_name, ignored)) return;
        SDL_RWops* source = audio.sdl->SDL_RWFromFile(file_name, "rb");
        audio.effect = source ? mix.Mix_LoadWAV_RW(source, 1) : nullptr;
        if (audio.effect) mix.Mix_PlayChannelTimed(EFFECT_CHANNEL, audio.effect, 0, -1);
    }
};

}  // namespace

// Never destroyed, like the audio state: callable to the very end.
EffectPlayer& sdl_effect_player() {
    static SdlEffectPlayer* player = new SdlEffectPlayer;
    return *player;
}
