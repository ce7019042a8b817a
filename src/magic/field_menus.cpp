#include "magic/field_menus.h"

#include "console/console_input.h"
#include "console/console_output.h"
#include "magic/items.h"
#include "magic/spells.h"
#include "map/map_screen.h"
#include "map/walking.h"
#include "state/hero_clamp.h"
#include "state/tables.h"

namespace {

constexpr int ANGEL_CRY_ROW = 12;  // slot 9, the one spell the map allows

void start_menu(const char* title) {
    set_color(15);
    clear_screen();
    goto_xy(1, 1);
    write_text(title);
}

void list_entry(int row, int color, const apstring& name) {
    set_color(color);
    goto_xy(1, row);
    write_text(name.c_str());
}

// Back to the map, standing still.
void close_menu() {
    clear_screen();
    draw_map_screen();
    walking = false;
}

// The items the map allows, by row: Potion, Ether, Elixir, Hi-Potion and
// Hyper-Ether; -1 for a greyed or empty row.
int usable_item_on_row(int row) {
    switch (row) {
    case 3: return 0;
    case 5: return 2;
    case 6: return 3;
    case 8: return 5;
    case 9: return 6;
    default: return -1;
    }
}

bool is_greyed_item_row(int row) { return row == 4 || row == 7 || row == 10; }

}  // namespace

void field_magic_menu() {
    start_menu("MAGIC");
    for (int slot = 0; slot < 11; ++slot) list_entry(3 + slot, slot == 9 ? 15 : 8, magic_names[slot]);
    set_color(15);
    for (;;) {
        const ConsoleEvent event = read_console_event();
        if (is_left_click(event) && in_zone(event, 1, 12, ANGEL_CRY_ROW, ANGEL_CRY_ROW)) spell_angel_cry();
        clamp_hero();
        if (is_right_click(event) || (is_left_click(event) && in_zone(event, 1, 13, ANGEL_CRY_ROW, ANGEL_CRY_ROW))) {
            close_menu();
            return;
        }
    }
}

void field_item_menu() {
    start_menu("Item");
    for (int slot = 0; slot < 10; ++slot) list_entry(3 + slot, is_greyed_item_row(3 + slot) ? 8 : 15, item_names[slot]);
    for (;;) {
        const ConsoleEvent event = read_console_event();
        if (is_left_click(event) && in_zone(event, 1, 12, 3, 9) && usable_item_on_row(event.y) >= 0)
            use_item(usable_item_on_row(event.y));
        clamp_hero();
        const bool exit_click = is_left_click(event) && event.x >= 1 && event.x <= 13 && !is_greyed_item_row(event.y);
        if (is_right_click(event) || exit_click) {
            close_menu();
            return;
        }
    }
}
