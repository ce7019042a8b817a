// The real game in a real terminal emulator: the intro, the map, walking
// with the mouse, an encounter and its transition, a battle fought with the
// mouse, an escape back to the map, and a defeat to the end of the game.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <functional>
#include <ostream>
#include <thread>

#include "e2e/chosen_dice.h"
#include "e2e/game_ended.h"
#include "e2e/game_screens.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 5000;

using ::game_launch;
TerminalLaunch game_launch() { return game_launch(battle_dice()); }

// The intro's white is palette colour 15, or exactly #FFFFFF in 24-bit colour.
void page_through_intro(VtermTerminal& term, bool rgb = false) {
    ASSERT_TRUE(term.wait_for_screen_text("Welcome, traveller", TIMEOUT_MS)) << term.screen_dump();
    if (rgb) {
        EXPECT_EQ(term.fg_rgb_at(0, 1), 0xffffff);
    } else {
        EXPECT_EQ(term.fg_at(0, 1), 15);
    }
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS)) << term.screen_dump();
}

TEST(Game, FromTheIntroToTheMapAndAWalkWithTheMouse) {
    VtermTerminal term(game_launch(quiet_dice()));
    page_through_intro(term);
    EXPECT_EQ(term.text_at(61, 3, 6), "Dunmar");
    EXPECT_EQ(term.text_at(61, 4, 12), "Hp:  200/200");
    EXPECT_EQ(term.text_at(61, 5, 12), "Mp:  700/700");
    EXPECT_EQ(term.fg_at(3, 1), 8) << "the frame is dark grey";
    EXPECT_EQ(hero(term), std::make_pair(4, 2));
    EXPECT_EQ(term.fg_at(4, 2), 0);
    EXPECT_EQ(term.bg_at(4, 2), 10) << "black on bright green";

    // A click into the map starts the walk and is its first step: one cell
    // towards the pointer, along row 2. Then every report of the pointer
    // is a step, each one sent once the last step shows: the pointer past
    // the end of the room (the woods at column 10), between two columns,
    // since the terminal reports a move only to another cell.
    term.click(14, 2);
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return hero(t).first == 5; }, TIMEOUT_MS))
        << term.screen_dump();
    for (int x = 6; x <= 7; ++x) {
        term.move(x % 2 ? 14 : 15, 2);
        ASSERT_TRUE(term.wait_for([&](const VtermTerminal& t) { return hero(t).first == x; }, TIMEOUT_MS))
            << term.screen_dump();
    }
}

TEST(Game, ABattleFoughtWithTheMouseAndAnEscapeBackToTheMap) {
    VtermTerminal term(game_launch());
    page_through_intro(term);
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    EXPECT_EQ(term.fg_at(64, 17), 12) << "the commands in bright blue";  // console 9
    EXPECT_EQ(term.text_at(3, 17, 6), "Dunmar");
    EXPECT_EQ(term.text_at(65, 2, 8), "Dragon  ");
    EXPECT_EQ(term.text_at(65, 3, 8), "HP: 200 ");
    // An attack: the monster's HP drops by the blow, and the monster answers
    // before the next command is asked for.
    term.click(66, 17);
    ASSERT_TRUE(monster_hp_shown(term, 200 - battle_dice().blow())) << term.screen_dump();
    EXPECT_LT(number_at(term, 7, 19), 200) << "the monster's answer";
    term.click(66, 21);
    ASSERT_TRUE(term.wait_for_screen_text("Escaping", TIMEOUT_MS)) << term.screen_dump();
    ASSERT_TRUE(term.wait_for(map_shown, 3 * TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.text_at(61, 3, 6), "Dunmar");
}

// A hundred quick clicks on Magic at each way a terminal may write them:
// the pointer's last motion, the press and the release in one write, or the
// motion first and the click a few microseconds to two milliseconds later.
// A lost click fails at once, the screen dumped: none is sent twice.
TEST(Game, AQuickClickIsTakenEveryTimeHoweverTheTerminalWritesIt) {
    VtermTerminal term(game_launch());
    page_through_intro(term);
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    const auto magic_open = [](const VtermTerminal& t) { return t.text_at(31, 6, 5) == "MAGIC"; };
    const std::string motion = "\x1b[<35;67;20M";
    const std::string click = "\x1b[<0;67;20M\x1b[<0;67;20m";
    for (const int gap_us : {-1, 0, 20, 100, 500, 2000}) {
        for (int i = 0; i < 100; ++i) {
            ASSERT_TRUE(command_awaited(term)) << term.screen_dump();
            if (gap_us < 0)
                term.send_bytes(motion + click);
            else
                term.send_apart(motion, std::chrono::microseconds(gap_us), click);
            ASSERT_TRUE(term.wait_for(magic_open, TIMEOUT_MS))
                << "click " << i << " lost, " << gap_us << " us after its motion\n" << term.screen_dump();
            term.send_bytes("\x1b[<2;40;11M\x1b[<2;40;11m");  // a right click leaves the list; the monster waits
            ASSERT_TRUE(term.wait_for([&](const VtermTerminal& t) { return !magic_open(t); }, TIMEOUT_MS));
        }
    }
}

TEST(Game, ATerminalThatTakes24BitColourGetsTheClassicPaletteExactly) {
    TerminalLaunch launch = game_launch();
    launch.environment.emplace_back("COLORTERM", "truecolor");
    VtermTerminal term(launch);
    page_through_intro(term, true);
    EXPECT_EQ(term.fg_rgb_at(4, 2), 0x000000);
    EXPECT_EQ(term.bg_rgb_at(4, 2), 0x00ff00) << "the hero black on bright green";
    EXPECT_EQ(term.fg_rgb_at(3, 1), 0x808080);
    EXPECT_EQ(term.bg_rgb_at(3, 1), 0x000000) << "the frame dark grey on black";
    int water = 0;
    for (int y = 2; y <= 22; ++y)
        for (int x = 4; x <= 58; ++x)
            if (term.glyph_at(x, y) == U'▓') {
                ++water;
                ASSERT_EQ(term.fg_rgb_at(x, y), 0x000080) << x << "," << y;
                ASSERT_EQ(term.bg_rgb_at(x, y), 0x0000ff) << x << "," << y;
            }
    EXPECT_GT(water, 0) << term.screen_dump();
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    EXPECT_EQ(term.fg_rgb_at(64, 17), 0x0000ff);
    EXPECT_EQ(term.bg_rgb_at(64, 17), 0x000000) << "the commands bright blue on black";
}

TEST(Game, ADefeatShowsTheGameOverScreenAndEndsWithStatusOne) {
    TerminalLaunch launch = game_launch();
    launch.argv = terminal_check_wrapper({GAME_PATH});
    VtermTerminal term(launch);
    page_through_intro(term);
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    // Defend every round until the hero falls.
    ASSERT_TRUE(defend_until_fallen(term)) << term.screen_dump();
    EXPECT_TRUE(term.screen_contains("Dunmar has fallen"));
    term.send_bytes(" ");
    expect_game_ended(term, 1, 3 * TIMEOUT_MS);
}

TEST(Game, AngelCryOnTheMapCostsMpOnThePanel) {
    VtermTerminal term(game_launch());
    page_through_intro(term);
    term.click(62, 10);
    ASSERT_TRUE(term.wait_for_text(1, 1, "MAGIC", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.text_at(1, 12, 9), "Angel Cry");
    EXPECT_EQ(term.fg_at(1, 12), 15);
    EXPECT_EQ(term.fg_at(1, 3), 8) << "Fire is greyed on the map";
    term.click(4, 12);
    ASSERT_TRUE(term.wait_for(map_shown, 3 * TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.text_at(61, 5, 12), "Mp:  610/700");
    EXPECT_EQ(term.text_at(61, 4, 12), "Hp:  200/200") << "healed, but never past the maximum";
}

TEST(Game, ASpellAndAnItemInBattle) {
    VtermTerminal term(game_launch());
    page_through_intro(term);
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    const int full_hp = number_at(term, 69, 3);
    term.click(66, 19);
    ASSERT_TRUE(term.wait_for_text(31, 6, "MAGIC", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.text_at(32, 7, 4), "Fire");
    EXPECT_EQ(term.fg_at(32, 7), 11) << "spells in yellow";
    term.click(33, 7);
    ASSERT_TRUE(term.wait_for_text(0, 0, "Fire", TIMEOUT_MS)) << term.screen_dump();
    // The Fire's blow is the first draw, as an Attack's; the monster has its
    // turn, then an item.
    ASSERT_TRUE(monster_hp_shown(term, full_hp - battle_dice().blow())) << term.screen_dump();
    term.click(66, 20);
    ASSERT_TRUE(term.wait_for_text(31, 6, "ITEM", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.text_at(32, 7, 6), "Potion");
    EXPECT_EQ(term.fg_at(32, 7), 1) << "items in dark red";
    term.click(35, 7);
    EXPECT_TRUE(term.wait_for_text(0, 0, "50 HP Restored", TIMEOUT_MS)) << term.screen_dump();
}

// At a second whose encounter roll is met, the first step meets the monster.
TEST(Game, AStepAtAnEncounterSecondMeetsAMonster) {
    VtermTerminal term(game_launch());
    page_through_intro(term);
    term.click(10, 2);
    // The transition clears the screen and holds it blank for two seconds.
    const auto blank = [](const VtermTerminal& t) {
        for (int y = 0; y < 25; ++y)
            if (t.row_text(y).find_first_not_of(' ') != std::string::npos) return false;
        return true;
    };
    ASSERT_TRUE(term.wait_for(blank, TIMEOUT_MS)) << term.screen_dump();
    // After the pause the battle begins.
    ASSERT_TRUE(term.wait_for(battle_shown, TIMEOUT_MS)) << term.screen_dump();
}

}  // namespace

namespace {

// Ctrl+C, wherever the player is, ends the game and gives the terminal back.
enum class Screen { intro, map, map_menu, battle, battle_menu, game_over };

class CtrlC : public ::testing::TestWithParam<Screen> {};

TEST_P(CtrlC, EndsTheGameAndRestoresTheTerminal) {
    TerminalLaunch launch = game_launch();
    launch.argv = terminal_check_wrapper({GAME_PATH});
    VtermTerminal term(launch);
    ASSERT_TRUE(term.wait_for_screen_text("Welcome, traveller", TIMEOUT_MS)) << term.screen_dump();
    const Screen screen = GetParam();
    if (screen != Screen::intro) page_through_intro(term);
    if (screen == Screen::map_menu) {
        term.click(62, 11);
        ASSERT_TRUE(term.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << term.screen_dump();
    }
    if (screen == Screen::battle || screen == Screen::battle_menu || screen == Screen::game_over) {
        ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    }
    if (screen == Screen::battle_menu) {
        term.click(66, 19);
        ASSERT_TRUE(term.wait_for_text(31, 6, "MAGIC", TIMEOUT_MS)) << term.screen_dump();
    }
    if (screen == Screen::game_over) {
        ASSERT_TRUE(defend_until_fallen(term)) << term.screen_dump();
    }
    term.send_bytes("\x03");
    expect_game_ended(term, 128 + 2, TIMEOUT_MS);
}

std::string screen_name(const ::testing::TestParamInfo<Screen>& info) {
    static const char* const NAMES[] = {"intro", "map", "map_menu", "battle", "battle_menu", "game_over"};
    return NAMES[static_cast<int>(info.param)];
}

void PrintTo(Screen screen, std::ostream* out) { *out << screen_name(::testing::TestParamInfo<Screen>(screen, 0)); }

INSTANTIATE_TEST_SUITE_P(Game, CtrlC,
                         ::testing::Values(Screen::intro, Screen::map, Screen::map_menu, Screen::battle,
                                           Screen::battle_menu, Screen::game_over),
                         screen_name);

}  // namespace
