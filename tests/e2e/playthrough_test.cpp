// A new player's whole game in the real binary on a real terminal: the
// intro, both map menus, a battle won with Attack and spells, an escape, an
// item on the map, and a last battle lost to the game-over screen and the
// end of the program with the terminal given back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "e2e/game_ended.h"
#include "e2e/game_screens.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 10000;

TEST(Playthrough, ANewPlayersWholeGame) {
    TerminalLaunch launch;
    launch.argv = terminal_check_wrapper({GAME_PATH});
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
    VtermTerminal term(launch);

    // The intro, page by page.
    ASSERT_TRUE(term.wait_for_screen_text("Welcome, traveller, to the Vale.", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.fg_at(23, 1), 15);
    for (int page = 0; page < 3 && !map_shown(term); ++page) {
        term.send_bytes(" ");
        term.pump(300);
    }
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.text_at(61, 4, 12), "Hp:  200/200");
    EXPECT_EQ(term.glyph_at(4, 2), U'☺');

    // Both map menus, opened and closed.
    player_click(term, 62, 10);
    ASSERT_TRUE(term.wait_for_text(1, 1, "MAGIC", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.fg_at(1, 3), 8);
    player_click(term, 5, 5, 3);
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    player_click(term, 62, 11);
    ASSERT_TRUE(term.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.fg_at(1, 4), 8) << "Banana is greyed";
    player_click(term, 5, 4);  // Banana: nothing
    term.pump(300);
    EXPECT_EQ(term.text_at(1, 1, 4), "Item");
    player_click(term, 5, 20);  // closes
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();

    // Battles until one is won with an Attack and BUBI BUBI and one is
    // escaped. Vorlisk (500 HP and a Mountain Fall) is never fought: the hero
    // escapes him, which is the escape the game needs anyway.
    int mp_after_win = -1;
    bool escaped = false;
    for (int battle = 0; battle < 6 && (mp_after_win < 0 || !escaped); ++battle) {
        ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
        ASSERT_TRUE(command_awaited(term));
        if (mp_after_win >= 0 || term.text_at(65, 2, 7) == "Vorlisk") {
            ASSERT_TRUE(click_until(term, 66, 21, [](const VtermTerminal& t) {
                return t.screen_contains("Escaping") || map_shown(t);
            }))
                << term.screen_dump();
            ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
            escaped = true;
            continue;
        }
        const int monster_full = number_at(term, 69, 3);
        const auto hit = [&](const VtermTerminal& t) { return number_at(t, 69, 3) < monster_full || map_shown(t); };
        ASSERT_TRUE(click_until(term, 66, 17, hit)) << term.screen_dump();
        // (A weak monster may fall to the Attack alone.)
        for (int round = 0; round < 16 && !map_shown(term); ++round) {
            if (!command_awaited(term)) break;
            player_click(term, 66, 19);
            if (!term.wait_for_text(31, 6, "MAGIC", TIMEOUT_MS)) continue;
            EXPECT_EQ(term.fg_at(32, 17), 11) << "BUBI BUBI in the yellow list";
            player_click(term, 33, 17);
            term.wait_for_text(0, 0, "BUBI BUBI", TIMEOUT_MS);
            term.wait_for(map_shown, 12000);  // picture, pause, floating number, the monster's turn or the victory
        }
        ASSERT_TRUE(term.wait_for(map_shown, 3 * TIMEOUT_MS)) << "the battle was won\n" << term.screen_dump();
        mp_after_win = number_at(term, 66, 5);
        EXPECT_EQ(term.text_at(61, 6, 6), "Exp: 0") << "no experience is ever won";
    }
    ASSERT_GE(mp_after_win, 0) << "a battle was won";
    ASSERT_TRUE(escaped);

    // An item on the map: Ether brings MP back.
    player_click(term, 62, 11);
    ASSERT_TRUE(term.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << term.screen_dump();
    player_click(term, 3, 5);
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(number_at(term, 66, 5), std::min(mp_after_win + 50, 700)) << "never past the maximum";

    // The last battle, lost: Defend until the hero falls.
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    ASSERT_TRUE(defend_until_fallen(term)) << term.screen_dump();
    EXPECT_TRUE(term.screen_contains("#####"));
    EXPECT_EQ(term.fg_at(3, 2), 15);
    term.send_bytes("q");
    expect_game_ended(term, 1, TIMEOUT_MS);
    EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_NONE);
}

}  // namespace
