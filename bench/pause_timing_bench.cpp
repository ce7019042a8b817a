// Wall time of runs of short pauses with the real clock: the sparkle
// effect's 1896 pauses of 2 ms and the dissolve's 400, each with a little
// drawing between the pauses as in the game. Prints the figures against
// nominal; never fails.
#include <chrono>
#include <cstdio>

#include "platform/clock.h"
#include "platform/terminal/renderer.h"
#include "platform/screen_buffer.h"
#include "table_row.h"

namespace {

void run(const char* what, int pauses, int ms, bool draw) {
    WallClock clock;
    ScreenBuffer screen;
    ShownScreen shown;
    std::string frame;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < pauses; ++i) {
        if (draw) {
            // One cell changes and is rendered, as at every observation point.
            screen.set_cursor(i % 79, (i / 79) % 24);
            screen.write("*", 1);
            frame.clear();
            render_changes(screen, shown, frame);
        }
        clock.pause(ms);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double nominal = pauses * ms / 1000.0;
    std::printf("%-34s %5d x %d ms: %.4f s, nominal %.3f s, %+.2f %%\n", what, pauses, ms, seconds, nominal,
                (seconds - nominal) / nominal * 100);
    char row[80];
    std::snprintf(row, sizeof row, "pauses, %s", what);
    table_row(row, "%d x %d ms: %+.2f %% off", pauses, ms, (seconds - nominal) / nominal * 100);
}

}  // namespace

int main() {
    run("sparkles (pauses only)", 1896, 2, false);
    run("sparkles (drawing each cell)", 1896, 2, true);
    run("dissolve (pauses only)", 400, 2, false);
    run("dissolve (drawing each cell)", 400, 2, true);
    run("picture lines", 22, 40, true);
    return 0;
}
