#include "audio/sound_effects.h"

#include "platform/sound/effect_player.h"

void play_sound_effect(const char* file_name) { PlaySoundA(file_name, nullptr, SND_FILENAME | SND_ASYNC); }
