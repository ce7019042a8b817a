#include "map/map_screen.h"

#include <fstream>
#include <ostream>

#include "console/console_output.h"
#include "console/frame_box.h"
#include "map/status_panel.h"
#include "state/tables.h"
#include "support/game_streams.h"
#include "support/text_file.h"

namespace {

// What one character of the map file becomes: its colour, its glyph and its
// cell; characters outside the codes are drawn as they are in the colour of
// the cell before, and leave their cell as it was.
void read_into_cell(int i) {
    struct Code {
        char file_char;
        int color;
        char glyph;
        bool blocked;
    };
    static const Code CODES[] = {
        {'0', 170, ' ', false},          {'1', 161, 6, true},  {'2', 160, 4, true},
        {'3', 168, '\xb0', true},        {'4', 145, '\xb2', true}, {'5', 161, 5, true},
        {'\n', 0, '\n', true},
    };
    for (const Code& code : CODES) {
        if (map_chars[i] != code.file_char) continue;
        set_color(code.color);
        map_chars[i] = code.glyph;
        map_grid[i] = code.blocked;
        return;
    }
}

}  // namespace

void draw_map_frame() {
    set_color(8);
    draw_double_box(3, 1, 78, 23, write_frame_char);
    // The divider between the map and the panel.
    draw_box_column(59, 2, 22, write_frame_char);
    write_frame_char(59, 1, BOX_TEE_DOWN);
    write_frame_char(59, 23, BOX_TEE_UP);
}

void draw_map_screen() {
    draw_map_frame();
    draw_status_panel();

    std::ifstream map_file;
    if (!open_text_file(map_file, "Mp1.txt")) {
        standard_output() << "Cannot find file" << std::endl;
        return;
    }
    goto_xy(MAP_LEFT, MAP_TOP);
    for (int i = 0; i < MAP_CELLS; ++i) {
        // A file that ends early leaves the rest of the map as it was:
        // nothing drawn, and the grid unchanged.
        char ch;
        if (!read_text_char(map_file, ch)) break;
        map_chars[i] = ch;
        read_into_cell(i);
        if (map_chars[i] == '\n') {
            goto_xy(MAP_LEFT, i / MAP_STRIDE + MAP_TOP + 1);
        } else {
            write_char(static_cast<unsigned char>(map_chars[i]));
        }
    }
    set_color(160);
    goto_xy(player_x, player_y);
    write_char(1);
    set_color(15);
}
