// The end every end-to-end run of the game is checked for: the exit status
// it should have, and the terminal given back as the game found it.
#pragma once

#include <gtest/gtest.h>

#include "e2e/vterm_terminal.h"

// For a game started under terminal_check_wrapper(). Returns what the
// wrapper recorded, for the test's own checks of the message left behind.
inline TerminalCheck expect_game_ended(VtermTerminal& term, int exit_code, int timeout_ms) {
    term.wait_exit(timeout_ms);
    const TerminalCheck check = term.terminal_check();
    EXPECT_TRUE(check.complete) << term.screen_dump();
    EXPECT_EQ(check.exit_code, exit_code);
    EXPECT_EQ(check.settings_after, check.settings_before);
    EXPECT_FALSE(term.alternate_screen());
    EXPECT_TRUE(term.cursor_visible());
    return check;
}
