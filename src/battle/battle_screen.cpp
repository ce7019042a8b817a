#include "battle/battle_screen.h"

#include "console/art_file.h"
#include "console/console_output.h"
#include "console/frame_box.h"
#include "console/pause.h"
#include "state/battle_values.h"

namespace {

void status_line(int row, int color, const char* label) {
    set_color(color);
    goto_xy(3, row);
    write_text(label);
}

void status_value(int row, int color, const char* label, int value) {
    status_line(row, color, label);
    write_number(value);
}

// Four rows up from row 7, 300 ms a row, each wiped before the next.
void float_amount(int column, int color) {
    set_color(color);
    for (int row = 7; row >= 4; --row) {
        goto_xy(column, row);
        write_number(action_amount);
        Sleep(300);
        goto_xy(column, row);
        write_text("   ");
    }
    set_color(15);
}

}  // namespace

void draw_battle_screen() {
    set_color(0);
    clear_screen();
    draw_monster_picture();
    draw_battle_frame();
    draw_command_menu();
    draw_monster_status();
    draw_party_status(party);
}

void draw_battle_frame() {
    set_color(7);
    draw_double_box(1, 1, 78, 23, write_frame_char);
    // The divider above the hero's status joins the left side only.
    draw_box_row(2, 77, 16, write_frame_char);
    write_frame_char(1, 16, BOX_TEE_RIGHT);
}

// The colour comes first, so that even "Cannot find file" shows on the black
// of the freshly cleared screen.
void draw_monster_picture() {
    set_color(MONSTER_PICTURE_COLOR);
    draw_art_file("rat.txt", 50, 5, NO_COLOR, 0);
}

void draw_command_menu() {
    set_color(9);
    const char* const COMMANDS[] = {"Attack", "Defend", "Magic", "Item", "Escape"};
    for (int i = 0; i < 5; ++i) {
        goto_xy(64, 17 + i);
        write_text(COMMANDS[i]);
    }
    set_color(15);
}

void draw_monster_status() {
    int& hp = monster_table.monster_hp[current_monster];
    int& mp = monster_table.monster_mp[current_monster];
    if (hp < 0) hp = 0;
    if (mp < 0) mp = 0;
    set_color(15);
    goto_xy(65, 2);
    write_text(monster_table.monster_names[current_monster].c_str());
    goto_xy(65, 3);
    write_text("HP: ");
    write_number(hp);
    write_text(" ");
}

void draw_party_status(Party shown) {
    if (shown.party_hp[0] < 0) shown.party_hp[0] = 0;
    if (shown.party_mp[0] < 0) shown.party_mp[0] = 0;
    goto_xy(3, 17);
    write_text(shown.party_names[0].c_str());
    status_value(18, 11, "Lv: ", shown.party_level[0]);
    status_value(19, 12, "HP: ", shown.party_hp[0]);
    status_value(20, 14, "MP: ", shown.party_mp[0]);
    status_value(21, 9, "Exp: ", shown.party_exp[0]);
    set_color(15);
}

void draw_party_labels() {
    status_line(18, 11, "Lv:    ");
    status_line(19, 12, "HP:    ");
    status_line(20, 14, "MP:    ");
    status_line(21, 9, "Exp:    ");
    set_color(15);
}

void show_player_amount() {
    if (escape_attempted || hide_amount) return;
    if (amount_on_monster) {
        float_amount(45, 12);
    } else {
        float_amount(5, 10);
    }
}

void show_monster_amount() { float_amount(5, 12); }
