// Bytes the terminal is sent to show the whole map screen on a cleared
// screen, and for one walking step, through the game's own renderer.
// Prints figures; never fails.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "console/console_output.h"
#include "map/map_screen.h"
#include "map/walking.h"
#include "platform/clock.h"
#include "platform/terminal/renderer.h"
#include "platform/doubles/test_console.h"
#include "state/tables.h"
#include "table_row.h"

namespace {

// The test console, but every observation point renders what changed, as
// the terminal console does, and counts the bytes.
class CountingConsole : public TestConsole {
public:
    using TestConsole::TestConsole;
    void present() override {
        TestConsole::present();
        frame.clear();
        render_changes(screen(), shown, frame);
        sent += static_cast<long long>(frame.size());
    }
    ShownScreen shown;
    std::string frame;
    long long sent = 0;
};

}  // namespace

int main() {
    if (chdir(GAME_DATA_DIR) != 0) return 1;
    VirtualClock clock;
    CountingConsole console(clock);
    install_clock(clock);
    install_console_device(console);
    route_standard_output_to_console();
    init_tables();
    player_x = 4;
    player_y = 2;

    set_color(15);
    clear_screen();
    console.present();  // the cleared screen, already shown
    console.sent = 0;
    draw_map_screen();
    console.present();
    std::printf("whole map screen on a cleared screen: %lld bytes in one write\n", console.sent);
    table_row("terminal bytes, whole map screen", "%lld bytes in 1 write", console.sent);

    walking = true;
    const int steps = 20;
    console.sent = 0;
    for (int i = 0; i < steps; ++i) {
        // Back and forth along the meadow at the top left of the map.
        console.push(mouse_report(i / 5 % 2 ? 4 : 9, 2, 0, MOUSE_MOVED));
        walk_step(player_x, player_y);
    }
    std::printf("one walking step (mean of %d, erase and redraw of the hero): %.1f bytes\n", steps,
                static_cast<double>(console.sent) / steps);
    table_row("terminal bytes, one walking step", "%.1f bytes (mean)", static_cast<double>(console.sent) / steps);
    return 0;
}
