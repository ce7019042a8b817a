#include "magic/battle_menus.h"

#include "audio/sound_effects.h"
#include "console/art_file.h"
#include "console/console_input.h"
#include "console/console_output.h"
#include "console/pause.h"
#include "magic/items.h"
#include "magic/spells.h"
#include "state/battle_values.h"

namespace {

constexpr int ANGEL_CRY = 9;
constexpr int BUBI_BUBI = 10;

// The two great spells show their picture once cast.
void angel_cry_picture() {
    clear_screen();
    // The heal sounds again as the picture opens; the cry and the sparkles
    // follow its last line.
    if (!draw_art_file("angel cry.txt", 10, 2, NO_COLOR, 40, play_heal_sound)) return;
    play_angel_cry_sound();
    sparkle_effect();
}

void bubi_picture() {
    clear_screen();
    if (!draw_art_file("bubi.txt", 10, 2, 9, 40)) return;
    set_color(15);
    Sleep(2500);
}

}  // namespace

void battle_magic_menu() {
    set_color(15);
    for (;;) {
        const ConsoleEvent event = read_console_event();
        if (is_left_click(event) && in_zone(event, 32, 43, 7, 17)) {
            const int slot = event.y - 7;
            cast_spell(slot);
            if (slot == ANGEL_CRY) angel_cry_picture();
            if (slot == BUBI_BUBI) bubi_picture();
        }
        if (is_right_click(event)) {
            menu_cancelled = true;
            return;
        }
        if (is_left_click(event) && in_zone(event, 31, 44, 6, 19)) return;
    }
}

void battle_item_menu() {
    for (;;) {
        const ConsoleEvent event = read_console_event();
        if (is_left_click(event) && in_zone(event, 34, 45, 7, 14)) use_item(event.y - 7);
        if (is_right_click(event)) {
            menu_cancelled = true;
            return;
        }
        set_color(15);
        if (is_left_click(event) && in_zone(event, 33, 46, 6, 14)) return;
    }
}
