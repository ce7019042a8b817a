// A smoke test of the console layer in tmux, the second terminal emulator:
// the test card's glyphs and colours, a click, and the terminal given back.
#include <gtest/gtest.h>

#include "e2e/tmux_session.h"

namespace {

constexpr int TIMEOUT_MS = 5000;

TEST(ConsoleInTmux, DrawsTheTestCardEchoesAClickAndLeavesCleanly) {
    TerminalLaunch launch;
    launch.argv = {CONSOLE_DEMO_PATH};
    TmuxSession tmux(launch);
    ASSERT_TRUE(tmux.started()) << tmux.error();
    ASSERT_TRUE(tmux.wait_for(
        [](const TmuxScreen& s) { return s.text_at(2, 1, 12) == "console demo" && s.text_at(2, 7, 2) == "☺▓"; },
        TIMEOUT_MS))
        << tmux.screen().dump();
    const TmuxScreen& card = tmux.screen();
    EXPECT_EQ(card.text_at(2, 5, 15), "☺♦♣♠←░▒▓╔═╗║╚╝█");
    EXPECT_EQ(card.fg_at(2, 1), 11);
    EXPECT_EQ(card.bg_at(2, 7), 10);
    EXPECT_EQ(card.fg_at(3, 7), 4);
    EXPECT_EQ(card.bg_at(3, 7), 12);

    const auto modes = tmux.pane_state();
    ASSERT_TRUE(modes.has_value());
    EXPECT_TRUE(modes->alternate_screen);
    EXPECT_TRUE(modes->mouse_move && modes->mouse_sgr);

    ASSERT_TRUE(tmux.press(30, 12));
    EXPECT_TRUE(tmux.wait_for_text(2, 20, "mouse 30 12 buttons 1 flags 0", TIMEOUT_MS)) << tmux.screen().dump();
    ASSERT_TRUE(tmux.release(30, 12));

    ASSERT_TRUE(tmux.send_bytes("q"));
    const auto ended = tmux.wait_exit(TIMEOUT_MS);
    ASSERT_TRUE(ended.has_value());
    EXPECT_TRUE(ended->dead);
    EXPECT_FALSE(ended->alternate_screen);
    EXPECT_FALSE(ended->mouse_click || ended->mouse_drag || ended->mouse_move || ended->mouse_sgr);
}

}  // namespace
