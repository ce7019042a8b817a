// The game's entry point: the real terminal, the wall clock and the real
// sound (the default), then the game.
#include "console/console_output.h"
#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/terminal/terminal_console.h"
#include "shell/main_loop.h"

int main() {
    TerminalConsole& terminal = TerminalConsole::open();
    static WallClock clock;
    install_clock(clock);
    install_console_device(terminal);
    route_standard_output_to_console();
    run_game();
}
