#include "battle/player_commands.h"

#include "audio/sound_effects.h"
#include "battle/battle_screen.h"
#include "console/console_input.h"
#include "console/console_output.h"
#include "console/frame_box.h"
#include "console/pause.h"
#include "magic/battle_menus.h"
#include "state/battle_values.h"
#include "state/hero_clamp.h"
#include "state/tables.h"
#include "support/random.h"

namespace {

void carry_out(int command, int* escaped) {
    switch (command) {
    case 0:
        player_attack();
        break;
    case 1:
        player_defend();
        break;
    case 2:
        menu_kind = 'm';
        menu_window("MAGIC");
        player_magic();
        draw_battle_screen();
        break;
    case 3:
        menu_kind = 'i';
        menu_window("ITEM");
        player_item();
        draw_battle_screen();
        break;
    case 4:
        player_escape(escaped);
        break;
    }
}

void message(const char* text, int pause_ms) {
    goto_xy(0, 0);
    write_text(text);
    Sleep(pause_ms);
}

}  // namespace

void read_battle_command(int* escaped) {
    for (;;) {
        const ConsoleEvent event = read_console_event();
        const bool chosen =
            is_left_click(event) && in_zone(event, COMMAND_LEFT, COMMAND_RIGHT, COMMAND_TOP, COMMAND_TOP + 4);
        if (chosen) carry_out(event.y - COMMAND_TOP, escaped);
        // What came in while the command was carried out is not the
        // player's answer to anything.
        flush_console_input();
        int& monster_hp = monster_table.monster_hp[current_monster];
        if (monster_hp < 0) monster_hp = 0;
        clamp_hero();
        if (chosen) return;
    }
}

void player_attack() {
    play_attack_sound();
    amount_on_monster = true;
    action_amount = random_between(10, 20);
    monster_table.monster_hp[current_monster] -= action_amount;
}

// Gives up the attack, nothing more: the round still shows the last amount,
// by the hero.
void player_defend() { amount_on_monster = false; }

void player_magic() {
    amount_on_monster = true;
    battle_magic_menu();
}

void player_item() {
    amount_on_monster = false;
    battle_item_menu();
}

// Running away always works.
void player_escape(int* escaped) {
    amount_on_monster = false;
    escape_attempted = true;
    reseed_random_from_clock();
    *escaped = 1;
    message("Escaping", 750);
    message("Escaped  ", 750);
}

void menu_window(apstring title) {
    draw_double_box(30, 5, 46, 19, put_box_char);
    // The entries' rows are blanked; the title's row keeps what was there.
    for (int y = 7; y <= 17; ++y)
        for (int x = 31; x <= 45; ++x) {
            goto_xy(x, y);
            write_char(' ');
        }
    goto_xy(31, 6);
    write_text(title.c_str());

    if (menu_kind == 'i') {
        menu_entries.resize(8);
        for (int i = 0; i < 8; ++i) menu_entries[i] = item_names[i];
        set_color(4);
    } else if (menu_kind == 'm') {
        menu_entries.resize(11);
        for (int i = 0; i < 11; ++i) menu_entries[i] = magic_names[i];
        set_color(14);
    }
    for (int i = 0; i < menu_entries.length(); ++i) {
        goto_xy(32, 7 + i);
        write_text(menu_entries[i].c_str());
    }
}
