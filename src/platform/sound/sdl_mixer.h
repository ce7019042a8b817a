// Opening the mixer: first whether SDL finds a device at all, then SDL2_mixer
// with its synthesizer over it, at the player's levels.
#pragma once

#include "platform/sound/sound_libraries.h"

// Whether SDL finds a device that opens, asked before the mixer and its
// synthesizer are loaded: on a server, over SSH or in CI there is none, the
// drivers that exist start and then fail to open.
bool device_exists(const SdlCalls& sdl);

// The mixer over the device SDL found, its songs given the game's soundfont
// and its music and effects channels the levels in percent; null (and
// nothing of it left loaded) if it does not open after all.
const MixerCalls* open_mixer(int music_percent, int effects_percent);
