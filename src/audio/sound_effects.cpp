#include "audio/sound_effects.h"

#include "platform/clock.h"
#include "platform/sound/effect_player.h"

// Heard when its moment has come: after the pauses the game still owes.
void play_sound_effect(const char* file_name) {
    installed_clock().settle();
    PlaySoundA(file_name, nullptr, SND_FILENAME | SND_ASYNC);
}
