#include "shell/main_loop.h"

#include <unistd.h>

#include <cstdlib>
#include <ostream>

#include "audio/music_player.h"
#include "audio/sound_effects.h"
#include "battle/battle_driver.h"
#include "console/console_output.h"
#include "console/pause.h"
#include "map/map_screen.h"
#include "map/walking.h"
#include "shell/intro.h"
#include "support/game_streams.h"
#include "support/random.h"

const char* const FIELD_SONGS[9] = {
    "music/midi/ff10_sutekidane[1].mid", "music/midi/melodies[1].mid", "music/midi/not_alone[1].mid",
    "music/midi/ff8_eyes[1].mid",        "music/midi/main_theme.mid",  "music/midi/eva[1].mid",
    "music/midi/chrono.mid",             "music/midi/arrest[1].mid",   "music/midi/soul[1].mid",
};

namespace {

// The music player has already said why a song would not load; once the
// terminal is given back, the player reads which song it was and where the
// game looked for it.
void load_and_play(const char* song) {
    if (!music.load(song)) {
        char* folder = getcwd(nullptr, 0);
        standard_error() << "dunmar: cannot play the song '" << song << "' from the data folder '"
                         << (folder ? folder : "?") << "'" << std::endl;
        std::free(folder);
        std::exit(1);
    }
    music.play();
}

}  // namespace

void run_game() {
    show_intro();
    player_x = 4;
    player_y = 2;
    init_tables();
    for (;;) {
        play_field_song();
        field_phase(party, player_x, player_y);
    }
}

void play_field_song() {
    reseed_random_from_clock();
    load_and_play(FIELD_SONGS[random_between(0, 8)]);
}

void field_phase(Party& party, int& x, int& y) {
    draw_map_screen();
    encounter_loop(x, y);

    music.close();
    play_attack_sound();
    encounter_dissolve();
    clear_screen();
    Sleep(2000);
    load_and_play("music/midi/Battle.mid");

    run_battle(party);
    clear_screen();
    walking = false;
}

void encounter_dissolve() {
    for (int cell = 0; cell < 400; ++cell) {
        const int row = random_between(1, 23);
        const int column = random_between(1, 79);
        goto_xy(column, row);
        write_text(" ");
        Sleep(2);
    }
}
