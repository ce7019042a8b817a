#include "map/walking.h"

#include "console/console_input.h"
#include "console/console_output.h"
#include "console/pause.h"
#include "magic/field_menus.h"
#include "map/map_screen.h"
#include "map/status_panel.h"
#include "state/hero_clamp.h"
#include "state/tables.h"
#include "support/random.h"

bool walking = false;
int map_index = 0;

namespace {

// Column 59 is the frame between map and panel: neither map nor panel.
constexpr int DIVIDER_COLUMN = 59;

int cell_of(int x, int y) { return (x - MAP_LEFT) + (y - MAP_TOP) * MAP_STRIDE; }

// A cell outside the grid counts as blocked.
bool is_free(int cell) { return cell >= 0 && cell < MAP_CELLS && !map_grid[cell]; }

// The hero leaves his cell: the map's green shows where he stood.
void erase_hero(int x, int y) {
    set_color(160);
    goto_xy(x, y);
    write_text(" ");
}

// Each axis is tried by itself, from where the axis before left the hero,
// so he can round the corner of an obstacle in one event. The edge tests
// (x 4 and 60, y 2 and 22) never decide: past each edge of the map lie the
// line ends and the grid's ends, all blocked. They stay as the walk's own
// statement of the map's bounds.
void walking_pass(int& x, int& y, int mx, int my) {
    if (mx < x && x != 4 && is_free(map_index - 1)) {
        erase_hero(x, y);
        map_index = cell_of(--x, y);
    }
    if (mx > x && x != 60 && is_free(map_index + 1)) {
        erase_hero(x, y);
        map_index = cell_of(++x, y);
    }
    if (my < y && y != 2 && is_free(map_index - MAP_STRIDE)) {
        erase_hero(x, y);
        map_index = cell_of(x, --y);
    }
    if (my > y && y != 22 && is_free(map_index + MAP_STRIDE)) {
        erase_hero(x, y);
        map_index = cell_of(x, ++y);
    }
    set_color(15);
    flush_console_input();
}

}  // namespace

void walk_step(int& x, int& y) {
    set_color(160);
    goto_xy(x, y);
    write_char(1);
    Sleep(175);
    for (;;) {
        clamp_hero();
        const ConsoleEvent event = read_console_event();
        if (event.type != MOUSE_EVENT) continue;
        if (is_left_click(event) && event.x < DIVIDER_COLUMN) walking = !walking;
        if (is_left_click(event) && event.x > DIVIDER_COLUMN) {
            if (event.y == PANEL_MAGIC_ROW) field_magic_menu();
            if (event.y == PANEL_ITEM_ROW) field_item_menu();
        }
        if (!walking) continue;
        walking_pass(x, y, event.x, event.y);
        return;
    }
}

void encounter_loop(int& x, int& y) {
    do {
        current_monster = random_between(0, 3);
        walk_step(x, y);
        reseed_random_from_clock();
    } while (random_between(5, 15) != 5);
}
