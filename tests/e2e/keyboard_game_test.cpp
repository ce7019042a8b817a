// The real game played with the keyboard alone, in libvterm: not one mouse
// report is sent. The intro paged with Enter, the walk switched on with
// Enter and led with the arrows until a monster, Attack and Escape chosen
// with the pointer keys, then Ctrl+C.
#include <gtest/gtest.h>

#include <string>

#include "e2e/game_ended.h"
#include "e2e/game_screens.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 5000;
const char* const UP = "\x1b[A";
const char* const DOWN = "\x1b[B";
const char* const RIGHT = "\x1b[C";
const char* const LEFT = "\x1b[D";
const char* const HOME = "\x1b[H";

struct Spot {
    int x;
    int y;
    bool operator==(const Spot&) const = default;
};

// The battle is drawn on black: the one cell with another background is
// the keyboard pointer, drawn in reverse. {-1, -1} if there is none.
Spot battle_pointer(const VtermTerminal& t) {
    Spot found{-1, -1};
    int count = 0;
    for (int y = 0; y < t.rows(); ++y)
        for (int x = 0; x < t.columns(); ++x)
            if (t.bg_at(x, y) != 0) {
                found = {x, y};
                ++count;
            }
    return count == 1 ? found : Spot{-1, -1};
}

// Leads the pointer to the cell with the arrow keys, one key at a time: a
// key the battle reads while busy is thrown away, so each waits to be seen.
bool lead_pointer_to(VtermTerminal& term, Spot target) {
    for (int keys = 0; keys < 120; ++keys) {
        const Spot at = battle_pointer(term);
        if (at == target) return true;
        const char* key = at.x < 0 ? RIGHT  // not shown yet: any key shows it
                          : at.x < target.x ? RIGHT
                          : at.x > target.x ? LEFT
                          : at.y < target.y ? DOWN
                                            : UP;
        term.send_bytes(key);
        term.wait_for([&](const VtermTerminal& t) { return !(battle_pointer(t) == at); }, 1000);
    }
    return false;
}

// Arrows back and forth by the pointer, each a step of the hero, until a
// monster is met.
bool lead_into_battle(VtermTerminal& term) {
    for (int tick = 0; tick < 240; ++tick) {
        if (map_shown(term)) term.send_bytes(tick % 2 ? RIGHT : LEFT);
        if (term.wait_for(battle_shown, 250)) return true;
    }
    return false;
}

TEST(KeysOnly, AWholeGameFromTheIntroToABattleAndBackWithoutAMouse) {
#ifdef GAME_SANITIZE_BUILD
    // Its real-time walk to a monster outlasts its limits in the slower
    // sanitizer build; the keyboard pointer's screen tests run there.
    GTEST_SKIP() << "a real-time walk: left to the plain build";
#endif
    TerminalLaunch launch;
    launch.argv = terminal_check_wrapper({GAME_PATH});
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
    VtermTerminal term(launch);
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS, "\r")) << term.screen_dump();

    // Enter clicks at the pointer, in the middle of the screen: the walk
    // starts, and the pointer shows there in reverse, the cell's paper
    // changed. (A blank's ink is never sent, so only the paper can tell.)
    const int bg = term.bg_at(40, 12), next_bg = term.bg_at(41, 12);
    term.send_bytes("\r");
    ASSERT_TRUE(term.wait_for([&](const VtermTerminal& t) { return t.bg_at(40, 12) != bg || !map_shown(t); }, TIMEOUT_MS))
        << term.screen_dump();
    // A move: the pointer a cell on, the map under it back as it was.
    const auto moved = [&](const VtermTerminal& t) {
        return !map_shown(t) || (t.bg_at(41, 12) != next_bg && t.bg_at(40, 12) == bg);
    };
    for (int tries = 0; tries < 5 && !moved(term); ++tries) {
        term.send_bytes(RIGHT);  // once the hero's step is over: a key during it is thrown away
        term.wait_for(moved, 1000);
    }
    EXPECT_TRUE(moved(term)) << term.screen_dump();

    // Attack, until a round is fought out; a battle the blow wins leads
    // back to the map, and the walk goes on to the next monster.
    for (int battles = 0; battles < 4; ++battles) {
        ASSERT_TRUE(battle_shown(term) || lead_into_battle(term)) << term.screen_dump();
        ASSERT_TRUE(lead_pointer_to(term, {64, 17})) << term.screen_dump();
        EXPECT_EQ(term.fg_at(64, 17), 0) << "the command word in reverse: black";
        EXPECT_EQ(term.bg_at(64, 17), 12) << "on its own bright blue";
        term.send_bytes("\r");
        ASSERT_TRUE(round_ended(term)) << term.screen_dump();
        if (!map_shown(term)) break;
        // The walk stopped for the battle, and the pointer still stands on
        // Attack, in the panel, where Enter starts nothing: three Homes lead
        // it back over the map (to column 40) before Enter starts the walk.
        for (int keys = 0; keys < 3; ++keys) {
            term.send_bytes(HOME);
            term.pump(300);
        }
        ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return t.bg_at(64, 17) == 0; }, TIMEOUT_MS))
            << "the pointer left the panel\n" << term.screen_dump();
        term.send_bytes("\r");
    }
    ASSERT_TRUE(command_awaited(term)) << term.screen_dump();

    // Escape, the command, back to the map.
    ASSERT_TRUE(lead_pointer_to(term, {64, 21})) << term.screen_dump();
    term.send_bytes(" ");
    ASSERT_TRUE(term.wait_for(map_shown, 3 * TIMEOUT_MS)) << term.screen_dump();

    term.send_bytes("\x03");
    expect_game_ended(term, 128 + 2, TIMEOUT_MS);
}

}  // namespace
