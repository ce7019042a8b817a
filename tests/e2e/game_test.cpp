// The real game in a real terminal emulator: the intro, the map, walking
// with the mouse, and an encounter reaching the transition into battle.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 5000;

TerminalLaunch game_launch() {
    TerminalLaunch launch;
    launch.argv = {GAME_PATH};
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
    return launch;
}

bool map_shown(const VtermTerminal& t) {
    return t.glyph_at(3, 1) == U'╔' && t.glyph_at(78, 23) == U'╝' && t.text_at(61, 11, 4) == "Item";
}

// The hero's cell, or (-1, -1) if he is not on the map.
std::pair<int, int> hero(const VtermTerminal& t) {
    for (int y = 2; y <= 22; ++y)
        for (int x = 4; x <= 58; ++x)
            if (t.glyph_at(x, y) == U'☺') return {x, y};
    return {-1, -1};
}

void page_through_intro(VtermTerminal& term) {
    ASSERT_TRUE(term.wait_for_screen_text("Welcome, traveller", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.fg_at(0, 1), 15);
    for (int page = 0; page < 3 && !map_shown(term); ++page) {
        term.send_bytes(" ");
        term.wait_for([&](const VtermTerminal& t) { return map_shown(t) || !t.screen_contains("Press any key"); }, 300);
        term.wait_for([&](const VtermTerminal& t) { return map_shown(t) || t.screen_contains("Press any key"); }, 1000);
    }
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
}

TEST(Game, FromTheIntroToTheMapAndAWalkWithTheMouse) {
    VtermTerminal term(game_launch());
    page_through_intro(term);
    EXPECT_EQ(term.text_at(61, 3, 6), "Dunmar");
    EXPECT_EQ(term.text_at(61, 4, 12), "Hp:  200/200");
    EXPECT_EQ(term.text_at(61, 5, 12), "Mp:  700/700");
    EXPECT_EQ(term.fg_at(3, 1), 8) << "the frame is dark grey";
    EXPECT_EQ(hero(term), std::make_pair(4, 2));
    EXPECT_EQ(term.fg_at(4, 2), 0);
    EXPECT_EQ(term.bg_at(4, 2), 10) << "black on bright green";

    // A click into the map starts the walk and is its first step.
    term.click(12, 2);
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return hero(t).first == 5; }, TIMEOUT_MS))
        << term.screen_dump();
    for (int step = 0; step < 4; ++step) {
        term.move(12 + step % 2, 2);  // the terminal reports a move only to another cell
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return hero(t).first >= 7 || !map_shown(t); }, TIMEOUT_MS))
        << term.screen_dump();
}

TEST(Game, WalkingLongEnoughMeetsAMonster) {
    VtermTerminal term(game_launch());
    page_through_intro(term);
    term.click(10, 2);
    // Encounter seconds come about every ten seconds; the transition clears
    // the screen and holds it blank for two.
    const auto blank = [](const VtermTerminal& t) {
        for (int y = 0; y < 25; ++y)
            if (t.row_text(y).find_first_not_of(' ') != std::string::npos) return false;
        return true;
    };
    bool met = false;
    for (int tick = 0; tick < 160 && !met; ++tick) {
        if (map_shown(term)) term.move(tick % 2 ? 10 : 5, 2);
        met = term.wait_for(blank, 200);
    }
    ASSERT_TRUE(met) << term.screen_dump();
    // No battle yet: after the pause the game goes back to a new stay on the
    // map, with the hero where he met the monster and walking off.
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    EXPECT_NE(hero(term).first, -1);
}

}  // namespace
