// The game with its sound taken out, for the load benchmark to tell what
// sound costs a player: the same entry point as the game's own, but the
// music library and the effect player do nothing. A song file must still
// open and start as a MIDI file should, as the game requires.
#include <cstdio>
#include <cstring>

#include "console/console_output.h"
#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/sound/effect_player.h"
#include "platform/sound/sound_library.h"
#include "platform/terminal/terminal_console.h"
#include "shell/main_loop.h"

namespace {

class NoMusic : public SoundLibrary {
public:
    float version() override { return 3.74f; }
    bool init(int, int, unsigned int) override { return true; }
    void close() override {}
    int last_error() override { return error; }
    FMUSIC_MODULE* load_song(const char* name) override {
        char header[4] = {};
        std::FILE* file = std::fopen(name, "rb");
        const bool midi = file && std::fread(header, 1, 4, file) == 4 && std::memcmp(header, "MThd", 4) == 0;
        if (file) std::fclose(file);
        error = !file ? FMOD_ERR_FILE_NOTFOUND : midi ? FMOD_ERR_NONE : FMOD_ERR_FILE_FORMAT;
        return midi ? reinterpret_cast<FMUSIC_MODULE*>(&song) : nullptr;
    }
    bool play_song(FMUSIC_MODULE* s) override { return s != nullptr; }
    bool free_song(FMUSIC_MODULE* s) override { return s != nullptr; }

private:
    int error = FMOD_ERR_NONE;
    int song = 0;
};

class NoEffects : public EffectPlayer {
public:
    void play(const char*) override {}
};

}  // namespace

int main() {
    static NoMusic music_library;
    static NoEffects effects;
    install_sound_library(music_library);
    install_effect_player(effects);
    TerminalConsole& terminal = TerminalConsole::open();
    static WallClock clock;
    install_clock(clock);
    install_console_device(terminal);
    route_standard_output_to_console();
    run_game();
}
