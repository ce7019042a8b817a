#include "console/art_file.h"

#include <fstream>

#include "console/console_output.h"
#include "console/pause.h"
#include "support/apstring"
#include "support/game_streams.h"
#include "support/random.h"
#include "support/text_file.h"

bool draw_art_file(const char* file_name, int column, int first_row, int color, int pause_ms, void (*on_open)()) {
    std::ifstream in;
    if (!open_text_file(in, file_name)) {
        standard_output() << "Cannot find file" << std::endl;
        return false;
    }
    if (on_open) on_open();
    if (color != NO_COLOR) set_color(color);
    apstring line;
    // A last line without its line feed leaves the stream failed and is not
    // drawn.
    for (int number = 0; getline(in, line); ++number) {
        goto_xy(column, first_row + number);
        write_text(line.c_str());
        write_text("\n");
        if (pause_ms > 0) Sleep(pause_ms);
    }
    return true;
}

void sparkle_effect() {
    for (int y = 0; y <= 23; ++y) {
        for (int x = 0; x <= 78; ++x) {
            if (random_between(1, 10) == 1) {
                set_color(random_between(1, 15));
                goto_xy(x, y);
                write_text("*");
            }
            Sleep(2);
        }
    }
}
