// The game's entry point, and the one file that sees both the game and the
// devices under it: the command line first, before the terminal is touched,
// then the real terminal, the wall clock and the real sound (the default)
// are installed, then the game runs on them.
#include <iostream>

#include "console/console_output.h"
#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/sound/sdl_audio.h"
#include "platform/terminal/terminal_console.h"
#include "shell/command_line.h"
#include "shell/main_loop.h"

int main(int argc, char** argv) {
    const CommandLine line = read_command_line(argc, argv, std::cout, std::cerr);
    if (!line.play) return line.exit_status;
    if (!enter_data_folder(line.options.data_folder, std::cerr)) return 2;
    set_sound_levels(line.options.music_volume, line.options.effects_volume);

    TerminalConsole& terminal = TerminalConsole::open();
    static WallClock clock;
    install_clock(clock);
    install_console_device(terminal);
    route_standard_output_to_console();
    run_game();
}
