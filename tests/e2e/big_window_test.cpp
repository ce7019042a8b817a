// The game in a window larger than its 80 x 25 screen, in libvterm: the
// screen sits in the middle on blank margins, the mouse's cells are the
// screen's own, the margins take no clicks, and a resize centres it anew.
#include <gtest/gtest.h>

#include <string>

#include "e2e/game_ended.h"
#include "e2e/game_screens.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 5000;

struct Offset {
    int x;
    int y;
};

// The map's frame and panel where the screen's top-left cell is at `at`.
bool map_at(const VtermTerminal& t, Offset at) {
    return t.glyph_at(at.x + 3, at.y + 1) == U'╔' && t.glyph_at(at.x + 78, at.y + 23) == U'╝' &&
           t.text_at(at.x + 61, at.y + 11, 4) == "Item";
}

// Nothing drawn outside the screen: no glyph, and the terminal's own paper.
bool margins_blank(const VtermTerminal& t, Offset at) {
    for (int y = 0; y < t.rows(); ++y)
        for (int x = 0; x < t.columns(); ++x) {
            const bool inside = x >= at.x && x < at.x + 80 && y >= at.y && y < at.y + 25;
            if (!inside && (t.glyph_at(x, y) > U' ' || t.bg_at(x, y) != VtermTerminal::DEFAULT_COLOR)) return false;
        }
    return true;
}

TEST(BigWindow, TheScreenIsCentredClicksAreItsOwnAndAResizeCentresItAgain) {
    TerminalLaunch launch;
    launch.argv = terminal_check_wrapper({GAME_PATH});
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
    launch.columns = 100;
    launch.rows = 30;
    VtermTerminal term(launch);
    const Offset at{10, 2};
    ASSERT_TRUE(term.wait_for_screen_text("Welcome, traveller", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_TRUE(term.text_at(at.x, at.y, 3) == "===" && margins_blank(term, at)) << "the intro too\n" << term.screen_dump();
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS, " ", [&](const VtermTerminal& t) { return map_at(t, at); }))
        << term.screen_dump();
    EXPECT_TRUE(margins_blank(term, at)) << term.screen_dump();
    EXPECT_EQ(term.glyph_at(at.x + 4, at.y + 2), U'☺');

    // Right of the screen, on the panel's Magic and Item rows: no menu.
    // The panel's Item row inside the screen, clicked after them, opens its
    // menu: had a margin click opened one, this click would land in it.
    for (int y : {10, 11}) term.click(at.x + 85, at.y + y);
    term.click(at.x + 62, at.y + 11);
    ASSERT_TRUE(term.wait_for_text(at.x + 1, at.y + 1, "Item", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.received().find("MAGIC"), std::string::npos) << "a click in the margin opened the magic list";
    // A right click in the screen closes it.
    term.click(at.x + 40, at.y + 20, 3);
    ASSERT_TRUE(term.wait_for([&](const VtermTerminal& t) { return map_at(t, at); }, TIMEOUT_MS)) << term.screen_dump();

    // Smaller, yet larger than the screen: centred anew, margins blank.
    term.resize(90, 27);
    const Offset resized{5, 1};
    ASSERT_TRUE(term.wait_for([&](const VtermTerminal& t) { return map_at(t, resized); }, TIMEOUT_MS))
        << term.screen_dump();
    EXPECT_TRUE(margins_blank(term, resized)) << term.screen_dump();

    term.send_bytes("\x03");
    expect_game_ended(term, 128 + 2, TIMEOUT_MS);
}

}  // namespace
