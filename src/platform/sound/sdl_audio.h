// The real sound: one audio device for the whole process through SDL2_mixer,
// opened on first use. Songs are MIDI through FluidSynth with the General
// MIDI soundfont; effects are WAV chunks on one channel of their own. With
// no sound card the game plays on silently: songs are still opened and
// checked, but nothing is synthesized or mixed and the sound libraries are
// let go. No library is allowed to print anything.
#pragma once

#include "platform/sound/effect_player.h"
#include "platform/sound/sound_library.h"

SoundLibrary& sdl_sound_library();
EffectPlayer& sdl_effect_player();

// The player's music and effects levels in percent (0 to 100), before the
// device opens; at 0 songs are still loaded and checked but never played,
// and effects are not played at all.
void set_sound_levels(int music_percent, int effects_percent);

// The name of SDL's audio driver in use once the device is open, "none"
// when no device could be opened (the silent path), or "" before.
const char* sdl_audio_driver();

// Stops every sound and closes the device; it is not opened again. Runs by
// itself at exit; tests call it to have the device's output complete.
void shut_sdl_audio();
