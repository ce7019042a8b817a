#include "shell/intro.h"

#include <fstream>
#include <ostream>

#include "audio/music_player.h"
#include "console/console_input.h"
#include "console/console_output.h"
#include "support/apstring"
#include "support/game_streams.h"
#include "support/text_file.h"

void show_intro() {
    music.close();
    // A missing text reads as an empty one: just the last key.
    std::ifstream text;
    open_text_file(text, "words to everyone.txt");
    const apstring page_break("clrscr();");
    apstring line;
    while (getline(text, line)) {
        if (line == page_break) {
            wait_key();
            clear_screen();
        } else {
            set_color(15);
            standard_output() << line << std::endl;
        }
    }
    wait_key();
    clear_screen();
}
