#include "battle/battle_driver.h"

#include <cstdlib>
#include <fstream>
#include <ostream>

#include "audio/music_player.h"
#include "audio/sound_effects.h"
#include "battle/battle_screen.h"
#include "battle/monster_actions.h"
#include "battle/player_commands.h"
#include "console/console_input.h"
#include "console/console_output.h"
#include "console/pause.h"
#include "state/battle_values.h"
#include "support/apstring"
#include "support/game_streams.h"
#include "support/random.h"
#include "support/text_file.h"

namespace {

int monster_hp() { return monster_table.monster_hp[current_monster]; }

}  // namespace

void run_battle(Party& party) {
    escape_attempted = false;
    int escaped = 0;
    reset_monster_table();
    // Every way out is inside the round: an escape or a victory returns, a
    // defeat ends the game, so a round that gets to its end always has a
    // next one.
    for (;;) {
        hide_amount = false;
        menu_cancelled = false;
        reseed_random_from_clock();
        draw_battle_screen();
        read_battle_command(&escaped);
        draw_party_labels();
        draw_party_status(party);
        if (escaped == 1) return;
        if (menu_cancelled) continue;  // the monster waits: cancelling costs nothing

        show_player_amount();
        if (monster_hp() <= 0) {
            music.close();
            play_victory_sound();
            Sleep(6000);
            return;
        }
        monster_turn();
        show_monster_amount();
        draw_party_labels();
        draw_party_status(party);
        if (party.party_hp[0] <= 0) {
            music.close();
            Sleep(3000);
            play_game_over_sound();
            game_over_screen();
            std::exit(1);
        }
    }
}

void game_over_screen() {
    set_color(15);
    clear_screen();
    std::ifstream picture;
    if (open_text_file(picture, "gameover.txt")) {
        apstring line;
        for (;;) {
            if (key_pressed()) return;
            set_color(15);
            getline(picture, line);
            standard_output() << line << std::endl;
            // The end of the file, or a file that cannot be read further.
            if (!picture) break;
            Sleep(275);
        }
    } else {
        // Without its picture the screen still says what happened.
        standard_output() << "GAME OVER" << std::endl;
    }
    while (!key_pressed()) {
        set_color(random_between(1, 15));
        goto_xy(0, random_between(0, 21));
        standard_output() << std::endl;
        Sleep(5);
    }
}
