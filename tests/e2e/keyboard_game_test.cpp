// The real game played with the keyboard alone, in libvterm: not one mouse
// report is sent. The intro paged with Enter, the pointer moved with the
// arrows, the walk switched on with Enter into a monster, Attack and Escape
// chosen with the pointer keys, then Ctrl+C.
#include <gtest/gtest.h>

#include <string>

#include "e2e/chosen_dice.h"
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

// Leads the pointer to the cell with the arrow keys, one key at a time,
// each sent once the last one shows.
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
        if (!term.wait_for([&](const VtermTerminal& t) { return !(battle_pointer(t) == at); }, TIMEOUT_MS)) return false;
    }
    return false;
}

TEST(KeysOnly, AWholeGameFromTheIntroToABattleAndBackWithoutAMouse) {
    TerminalLaunch launch;
    launch.argv = terminal_check_wrapper({GAME_PATH});
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
    const Dice dice = battle_dice();
    freeze_clock(launch, dice);
    VtermTerminal term(launch);
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS, "\r")) << term.screen_dump();

    // The first arrow shows the pointer, a cell right of the middle of the
    // screen, in reverse: the cell's paper changed. (A blank's ink is never
    // sent, so only the paper can tell.) The next one moves it back, the map
    // under it as it was.
    const int bg = term.bg_at(40, 12), next_bg = term.bg_at(41, 12);
    term.send_bytes(RIGHT);
    ASSERT_TRUE(term.wait_for([&](const VtermTerminal& t) { return t.bg_at(41, 12) != next_bg; }, TIMEOUT_MS))
        << term.screen_dump();
    term.send_bytes(LEFT);
    ASSERT_TRUE(term.wait_for(
        [&](const VtermTerminal& t) { return t.bg_at(41, 12) == next_bg && t.bg_at(40, 12) != bg; }, TIMEOUT_MS))
        << term.screen_dump();

    // Enter clicks at the pointer: the walk starts, and its first step
    // meets the monster.
    term.send_bytes("\r");
    ASSERT_TRUE(term.wait_for(battle_shown, 30000)) << term.screen_dump();

    // Attack, chosen with the pointer keys; the round is fought out.
    ASSERT_TRUE(lead_pointer_to(term, {64, 17})) << term.screen_dump();
    EXPECT_EQ(term.fg_at(64, 17), 0) << "the command word in reverse: black";
    EXPECT_EQ(term.bg_at(64, 17), 12) << "on its own bright blue";
    term.send_bytes("\r");
    ASSERT_TRUE(monster_hp_shown(term, 200 - dice.blow())) << term.screen_dump();
    // Home jumps eight cells left.
    term.send_bytes(HOME);
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return battle_pointer(t) == Spot{64 - 8, 17}; }, TIMEOUT_MS))
        << term.screen_dump();

    // Escape, the command, back to the map.
    ASSERT_TRUE(lead_pointer_to(term, {64, 21})) << term.screen_dump();
    term.send_bytes(" ");
    ASSERT_TRUE(term.wait_for(map_shown, 3 * TIMEOUT_MS)) << term.screen_dump();

    term.send_bytes("\x03");
    expect_game_ended(term, 128 + 2, TIMEOUT_MS);
}

}  // namespace
