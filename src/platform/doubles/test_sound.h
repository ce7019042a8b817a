// Sound stand-ins for tests: a music library whose answers a test sets and
// whose calls it records, and an effect player that notes each effect and
// the virtual time it started.
#pragma once

#include <string>
#include <vector>

#include "platform/doubles/virtual_clock.h"
#include "platform/sound/effect_player.h"
#include "platform/sound/sound_library.h"

class TestSoundLibrary : public SoundLibrary {
public:
    float version_answer = 3.74f;
    bool init_answer = true;
    bool load_answer = true;
    int error_answer = FMOD_ERR_NONE;  // what last_error() says

    // Every call, in order: "version", "init 44100 32 2", "close", "error",
    // "load <name>", "play <song>", "free <song>" where songs are numbered
    // from 1 in the order loaded and 0 is null.
    std::vector<std::string> calls;
    // Songs loaded and not yet freed.
    int songs_alive() const { return alive; }

    float version() override;
    bool init(int mixing_rate, int software_channels, unsigned int flags) override;
    void close() override;
    int last_error() override;
    FMUSIC_MODULE* load_song(const char* name) override;
    bool play_song(FMUSIC_MODULE* song) override;
    bool free_song(FMUSIC_MODULE* song) override;

private:
    int number_of(FMUSIC_MODULE* song) const;

    std::vector<int> song_storage = std::vector<int>(10000);
    int loaded = 0;
    int alive = 0;
};

class RecordingEffectPlayer : public EffectPlayer {
public:
    explicit RecordingEffectPlayer(VirtualClock& clock) : clock(clock) {}

    struct Played {
        std::string file_name;
        long long at_ms;
    };
    std::vector<Played> played;

    void play(const char* file_name) override { played.push_back({file_name, clock.now_ms()}); }

private:
    VirtualClock& clock;
};
