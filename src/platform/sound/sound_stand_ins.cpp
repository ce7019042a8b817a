#include "platform/sound/effect_player.h"
#include "platform/sound/sdl_audio.h"
#include "platform/sound/sound_library.h"

namespace {

SoundLibrary* current_library = nullptr;
EffectPlayer* current_player = nullptr;

}  // namespace

void install_sound_library(SoundLibrary& library) { current_library = &library; }
void install_effect_player(EffectPlayer& player) { current_player = &player; }

// Until something else is installed, sound goes to the real device.
SoundLibrary& installed_sound_library() { return current_library ? *current_library : sdl_sound_library(); }
EffectPlayer& installed_effect_player() { return current_player ? *current_player : sdl_effect_player(); }

float FSOUND_GetVersion() { return installed_sound_library().version(); }

signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags) {
    return installed_sound_library().init(mixrate, maxsoftwarechannels, flags) ? 1 : 0;
}

void FSOUND_Close() { installed_sound_library().close(); }
int FSOUND_GetError() { return installed_sound_library().last_error(); }
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) { return installed_sound_library().load_song(name); }
signed char FMUSIC_PlaySong(FMUSIC_MODULE* song) { return installed_sound_library().play_song(song) ? 1 : 0; }
signed char FMUSIC_FreeSong(FMUSIC_MODULE* song) { return installed_sound_library().free_song(song) ? 1 : 0; }

int PlaySoundA(const char* sound, void*, unsigned long flags) {
    if (!sound || !(flags & SND_FILENAME)) return 0;
    installed_effect_player().play(sound);
    return 1;
}
