#include "map/map_screen.h"

#include <fstream>
#include <ostream>

#include "console/console_output.h"
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
    for (int x = 4; x <= 77; ++x) {
        write_frame_char(x, 1, 205);
        write_frame_char(x, 23, 205);
    }
    for (int y = 2; y <= 22; ++y) {
        write_frame_char(3, y, 186);
        write_frame_char(59, y, 186);
        write_frame_char(78, y, 186);
    }
    write_frame_char(59, 1, 203);
    write_frame_char(59, 23, 202);
    write_frame_char(3, 1, 201);
    write_frame_char(3, 23, 200);
    write_frame_char(78, 1, 187);
    write_frame_char(78, 23, 188);
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
