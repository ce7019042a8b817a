// A new player's whole game in the real binary on a real terminal: the
// intro, both map menus, a battle won with Attack and spells, an escape, an
// item on the map, and a last battle lost to the game-over screen and the
// end of the program with the terminal given back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "e2e/chosen_dice.h"
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
    // Every battle is with a Cerberus (50 HP): an Attack leaves him
    // standing, BUBI BUBI (100) fells him; his answer to the Attack is no
    // Mountain Fall, his answer to a Defend always is.
    const Dice dice = dice_where([](const Dice& d) {
        return d.meets_at_first_step() && d.monster() == CERBERUS && d.action_after_attack() < MOUNTAIN_FALL &&
               d.action_after_defend() >= MOUNTAIN_FALL;
    });
    freeze_clock(launch, dice);
    VtermTerminal term(launch);

    // The intro, page by page.
    ASSERT_TRUE(term.wait_for_screen_text("Welcome, traveller, to the Vale.", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.fg_at(23, 1), 15);
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.text_at(61, 4, 12), "Hp:  200/200");
    EXPECT_EQ(term.glyph_at(4, 2), U'☺');

    // Both map menus, opened and closed.
    term.click(62, 10);
    ASSERT_TRUE(term.wait_for_text(1, 1, "MAGIC", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.fg_at(1, 3), 8);
    term.click(5, 5, 3);
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    term.click(62, 11);
    ASSERT_TRUE(term.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.fg_at(1, 4), 8) << "Banana is greyed";
    term.click(5, 4);   // Banana: nothing, the list stays open
    term.click(5, 20);  // and this closes it; on the map it would set out
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(hero(term), std::make_pair(4, 2)) << "the Banana closed the list";
    EXPECT_EQ(term.text_at(61, 4, 12), "Hp:  200/200");

    // A battle won with an Attack and BUBI BUBI.
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    EXPECT_EQ(term.text_at(65, 2, 8), "Cerberus");
    term.click(66, 17);
    ASSERT_TRUE(monster_hp_shown(term, 50 - dice.blow())) << term.screen_dump();
    term.click(66, 19);
    ASSERT_TRUE(term.wait_for_text(31, 6, "MAGIC", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.fg_at(32, 17), 11) << "BUBI BUBI in the yellow list";
    term.click(33, 17);
    ASSERT_TRUE(term.wait_for_text(0, 0, "BUBI BUBI", TIMEOUT_MS)) << term.screen_dump();
    ASSERT_TRUE(term.wait_for(map_shown, 3 * TIMEOUT_MS)) << "the battle was won\n" << term.screen_dump();
    const int mp_after_win = number_at(term, 66, 5);
    EXPECT_EQ(mp_after_win, 600);
    EXPECT_EQ(term.text_at(61, 6, 6), "Exp: 0") << "no experience is ever won";
    const int hp_after_win = number_at(term, 66, 4);

    // A battle escaped.
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    ASSERT_TRUE(escape_to_map(term)) << term.screen_dump();

    // An item on the map: Ether brings MP back.
    term.click(62, 11);
    ASSERT_TRUE(term.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << term.screen_dump();
    term.click(3, 5);
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(number_at(term, 66, 5), std::min(mp_after_win + 50, 700)) << "never past the maximum";

    // The last battle, lost: Defend until the hero falls.
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    ASSERT_TRUE(defend_until_fallen(term, hp_after_win)) << term.screen_dump();
    EXPECT_TRUE(term.screen_contains("#####"));
    EXPECT_EQ(term.fg_at(3, 2), 15);
    term.send_bytes("q");
    expect_game_ended(term, 1, TIMEOUT_MS);
    EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_NONE);
}

}  // namespace
