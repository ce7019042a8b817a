// Clicks the real game loses, played in libvterm on a pseudo-terminal:
// quick clicks on a battle command, each sent as a remote terminal batches
// them (the last motion, the press and the release in one write) or as a
// local one writes them (the motion, then the press and release a few
// microseconds to two milliseconds later), and movement-then-click pairs
// made while the hero pauses between two steps, where the movement is the
// event the game looks at and the click must be thrown away. The dice are
// chosen: a battle at the first step for the clicks, no monster on the
// walk. Prints figures; never fails.
// Usage: lost_clicks_bench [clicks, default 100]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

#include "e2e/chosen_dice.h"
#include "e2e/game_screens.h"
#include "e2e/vterm_terminal.h"
#include "table_row.h"

namespace {

constexpr int TIMEOUT_MS = 5000;

// An SGR mouse report at cell (x, y) from 0: code 0 left, 2 right, 35 a
// motion with no button held.
std::string report(int code, int x, int y, bool release = false) {
    return "\x1b[<" + std::to_string(code) + ";" + std::to_string(x + 1) + ";" + std::to_string(y + 1) +
           (release ? "m" : "M");
}

std::string click_at(int x, int y) { return report(0, x, y) + report(0, x, y, true); }
std::string quick_click(int x, int y) { return report(35, x, y) + click_at(x, y); }

// Quick clicks on Magic, each left with a right click (the monster waits):
// the click gap_us after its motion, or (below 0) in the same write.
int lost_quick_clicks(VtermTerminal& term, int clicks, int gap_us) {
    const auto magic_open = [](const VtermTerminal& t) { return t.text_at(31, 6, 5) == "MAGIC"; };
    int lost = 0;
    for (int i = 0; i < clicks; ++i) {
        if (!command_awaited(term)) return -1;
        if (gap_us < 0)
            term.send_bytes(quick_click(66, 19));
        else
            term.send_apart(report(35, 66, 19), std::chrono::microseconds(gap_us), click_at(66, 19));
        if (!term.wait_for(magic_open, 2000)) {
            ++lost;
            term.send_bytes(quick_click(66, 19));  // lost and counted: clicked again
            if (!term.wait_for(magic_open, TIMEOUT_MS)) return -1;
        }
        term.send_bytes(report(2, 40, 10) + report(2, 40, 10, true));
        if (!term.wait_for([&](const VtermTerminal& t) { return !magic_open(t); }, TIMEOUT_MS)) return -1;
    }
    return lost;
}

// Pairs sent while the hero pauses after a step: a movement, then 30 ms
// later a click at the same cell. The game looks at the movement (one step
// towards it) and throws the click away, so walking stays on; a click it
// took instead would stop the walk before that step. The hero walks to and
// fro on the open meadow at the top left.
int clicks_taken_while_busy(VtermTerminal& term, int pairs) {
    int taken = 0;
    bool walking = false;
    for (int i = 0; i < pairs;) {
        const auto [x, y] = hero(term);
        if (x < 0) {
            term.pump(100);
            continue;
        }
        if (!walking) {
            term.send_bytes(quick_click(x, y));  // walking on, no step
            term.pump(400);
            walking = true;
            continue;
        }
        const int d = x <= 6 ? 1 : -1;
        const auto at = [&](int cell) {
            return [&term, cell, y](const VtermTerminal& t) { return hero(t) == std::make_pair(cell, y) || !map_shown(t); };
        };
        term.send_bytes(report(35, x + 3 * d, y));
        if (!term.wait_for(at(x + d), 1500)) {
            walking = false;
            continue;
        }
        if (!map_shown(term)) continue;
        // The hero has just been drawn a cell on: his pause has begun.
        term.send_bytes(report(35, x + 4 * d, y));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        term.send_bytes(report(0, x + 4 * d, y) + report(0, x + 4 * d, y, true));
        ++i;
        if (!term.wait_for(at(x + 2 * d), 1500)) {
            ++taken;
            walking = false;
        }
    }
    return taken;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    VtermTerminal term(game_launch(battle_dice()));
    if (!intro_to_map(term, TIMEOUT_MS) || !walk_into_battle(term)) {
        std::printf("lost_clicks: the game never reached a battle\n%s", term.screen_dump().c_str());
        return 0;
    }
    for (const int gap_us : {-1, 0, 20, 100, 500, 2000}) {
        const int lost = lost_quick_clicks(term, count, gap_us);
        const std::string how =
            gap_us < 0 ? std::string("one write each") : "the press written " + std::to_string(gap_us) + " us after the motion";
        std::printf("quick clicks on Magic, %s: %d of %d lost\n", how.c_str(), lost, count);
        table_row(("quick clicks on a battle command, " + how).c_str(), "%d of %d lost", lost, count);
    }

    VtermTerminal walk(game_launch(quiet_dice()));
    if (!intro_to_map(walk, TIMEOUT_MS)) return 0;
    const int taken = clicks_taken_while_busy(walk, count);
    std::printf("movement-then-click pairs while the hero paused: %d of %d clicks taken\n", taken, count);
    table_row("movement then click while the hero pauses", "%d of %d clicks taken, %d thrown away", taken, count,
              taken < 0 ? 0 : count - taken);
    return 0;
}
