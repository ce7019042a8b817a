// The one audio device of the process, as the music library and the effect
// player share it: whether it is open, silent or shut, the mixer's calls
// once it is open, the songs alive and the effect playing, and the player's
// levels. Opened on first use; shut at exit, for good.
#pragma once

#include <memory>
#include <vector>

#include "platform/sound/sound_libraries.h"

// A song the library holds: the mixer's music, or none on the silent path,
// where a song is only checked and never synthesized.
struct FMUSIC_MODULE {
    Mix_Music* music;
};

// unopened: nothing loaded yet. open: a device plays through the mixer.
// silent: no device could be opened; songs are still opened and checked,
// nothing is loaded, synthesized or mixed. shut: at exit, for good.
enum class Device { unopened, open, silent, shut };

// The effects play on one channel of their own.
constexpr int EFFECT_CHANNEL = 0;

struct AudioState {
    Device device = Device::unopened;
    const SdlCalls* sdl = nullptr;
    const MixerCalls* mix = nullptr;
    // Songs alive in the library; one freed at shut-down is no longer here,
    // so a later free of it is harmless.
    std::vector<std::unique_ptr<FMUSIC_MODULE>> songs;
    Mix_Chunk* effect = nullptr;
    // The player's levels, in percent: a level of 0 plays nothing at all.
    int music_percent = 100;
    int effects_percent = 100;
};

// Lives until the very end of the process, never destroyed: the music
// player's own destructor still frees its song at exit, after every other
// static may be gone.
AudioState& sdl_audio_state();

// Opens the device on first use; true while it is open or silent, the two
// states in which songs are taken.
bool sdl_device_open();

// Whether the device plays through the mixer (not silent, not shut).
bool sdl_playing_aloud();

// Whether a song or effect file is a regular file; when it is not there at
// all, error holds the reason (errno), else 0.
bool regular_sound_file(const char* name, int& error);
