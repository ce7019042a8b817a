// Ctrl+Z on the game started from an interactive shell: while the game is
// stopped the shell has its terminal back as it was, and `fg` brings the game
// back with the whole screen drawn again. Where no shell does job control
// (ssh running a command, a session keeper), nothing could continue a
// stopped game: Ctrl+Z gives the terminal back and takes it again at once.
#include <gtest/gtest.h>

#include <string>

#include "e2e/game_screens.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 10000;

bool every_cell_painted(const VtermTerminal& t) {
    for (int y = 0; y < t.rows(); ++y)
        for (int x = 0; x < t.columns(); ++x)
            if (t.bg_at(x, y) < 0) return false;
    return true;
}

// The shell waits for a command: its prompt on the cursor's row.
bool prompted(const VtermTerminal& t) {
    return !t.alternate_screen() && t.row_text(t.cursor_y()).rfind("shell> ", 0) == 0;
}

// Typed at the shell's prompt: the settings the shell has now against those
// it had before the game. The answer is computed, so the echoed command
// line cannot pass for it.
void expect_settings_as_before(VtermTerminal& term, int answer) {
    ASSERT_TRUE(term.wait_for(prompted, TIMEOUT_MS)) << term.screen_dump();
    const std::string command = "test \"$(stty -g)\" = \"$S\" && echo same-$((" + std::to_string(answer) + " + 0))";
    term.send_bytes(command + "\r");
    EXPECT_TRUE(term.wait_for_screen_text("same-" + std::to_string(answer), TIMEOUT_MS)) << term.screen_dump();
    EXPECT_TRUE(term.screen_contains(command)) << "what is typed is echoed\n" << term.screen_dump();
}

TEST(Game, StoppedWithCtrlZAndBroughtBackWithFg) {
    TerminalLaunch launch;
    launch.argv = {"/bin/sh", "-i"};  // job control is on in an interactive shell
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}, {"PS1", "shell> "}, {"ENV", ""}};
    VtermTerminal term(launch);
    ASSERT_TRUE(term.wait_for_screen_text("shell> ", TIMEOUT_MS)) << term.screen_dump();
    term.send_bytes("S=$(stty -g); '" GAME_PATH "'\r");
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS)) << term.screen_dump();

    term.send_bytes("\x1a");
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return !t.alternate_screen() && t.screen_contains("Stopped"); },
                              TIMEOUT_MS))
        << term.screen_dump();
    EXPECT_TRUE(term.cursor_visible());
    EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_NONE);
    expect_settings_as_before(term, 42);

    term.send_bytes("fg\r");
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return t.alternate_screen() && map_shown(t) && every_cell_painted(t); },
                              TIMEOUT_MS))
        << "the whole screen drawn again\n" << term.screen_dump();
    EXPECT_FALSE(term.cursor_visible());
    EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_MOVE);
    // The game reads the mouse again: a click opens the Item menu.
    term.click(62, 11);
    ASSERT_TRUE(term.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << term.screen_dump();

    term.send_bytes("\x03");
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return !t.alternate_screen(); }, TIMEOUT_MS));
    expect_settings_as_before(term, 48);
    term.send_bytes("exit\r");
    term.wait_exit(TIMEOUT_MS);
}

TEST(Game, CtrlZWhereNoShellDoesJobControlPlaysOn) {
    TerminalLaunch launch;
    // A shell that runs one command, as sshd does, and stays to tell how
    // the game ended (Ctrl+C reaches it too: its trap lets it live on).
    launch.argv = {"/bin/sh", "-c", "trap true INT; '" GAME_PATH "'; echo game-ended-$?"};
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
    VtermTerminal term(launch);
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS)) << term.screen_dump();

    const std::size_t before = term.received().size();
    term.send_bytes("\x1a");
    // The terminal given back, then taken again and the map drawn anew.
    const auto back = [before](const VtermTerminal& t) {
        const std::size_t left = t.received().find("\x1b[?1049l", before);
        return left != std::string::npos && t.received().find("\x1b[?1049h", left) != std::string::npos &&
               t.alternate_screen() && map_shown(t) && every_cell_painted(t);
    };
    ASSERT_TRUE(term.wait_for(back, TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_MOVE);
    term.click(62, 11);
    ASSERT_TRUE(term.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << "the game is not stopped\n" << term.screen_dump();

    term.send_bytes("\x03");
    EXPECT_TRUE(term.wait_for_screen_text("game-ended-130", TIMEOUT_MS)) << term.screen_dump();
    term.wait_exit(TIMEOUT_MS);
}

}  // namespace
