// The end-to-end drivers checked against small shell programs whose
// behaviour is known, so a failing game test points at the game and not
// at its harness.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "e2e/child_process.h"
#include "e2e/tmux_session.h"
#include "e2e/vterm_terminal.h"
#include "temp_folder.h"

namespace {

constexpr int WAIT_MS = 3000;

TerminalLaunch shell(const std::string& script) {
    return launch_program({"/bin/sh", "-c", script});
}

// A program that puts its tty in raw mode, turns on the given modes,
// says READY, and then shows the first `count` bytes it gets, escapes made
// visible, followed by DONE.
TerminalLaunch byte_reader(const std::string& modes, int count) {
    return shell("stty raw -echo; printf '" + modes + "READY'; head -c " + std::to_string(count) +
                 " | cat -v; printf DONE; sleep 5");
}

}  // namespace

TEST(VtermTerminal, ReadsGlyphsColoursAndModesOfTheAlternateScreen) {
    VtermTerminal term(shell("printf '\\033[?1049h\\033[?25l\\033[31;42mX\\033[0m \\033[1;94mB"
                             "\\033[0m\\033[38;5;200mP\\033[38;2;1;2;3mR\\033[0m\\342\\224\\202\\303\\251'; sleep 5"));
    ASSERT_TRUE(term.wait_for_text(4, 0, "R│é", WAIT_MS)) << term.screen_dump();

    EXPECT_TRUE(term.alternate_screen());
    EXPECT_FALSE(term.cursor_visible());
    EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_NONE);
    EXPECT_EQ(term.glyph_at(0, 0), U'X');
    EXPECT_EQ(term.fg_at(0, 0), 1);
    EXPECT_EQ(term.bg_at(0, 0), 2);
    // A drawn space is a space in default colours; an untouched cell is 0.
    EXPECT_EQ(term.glyph_at(1, 0), U' ');
    EXPECT_EQ(term.fg_at(1, 0), VtermTerminal::DEFAULT_COLOR);
    EXPECT_EQ(term.bg_at(1, 0), VtermTerminal::DEFAULT_COLOR);
    EXPECT_EQ(term.glyph_at(0, 1), 0u);
    // Bright colours keep their own index, and bold does not brighten.
    EXPECT_EQ(term.fg_at(2, 0), 12);
    EXPECT_TRUE(term.bold_at(2, 0));
    EXPECT_EQ(term.fg_at(3, 0), 200);
    EXPECT_EQ(term.fg_at(4, 0), VtermTerminal::RGB_COLOR);
    EXPECT_EQ(term.glyph_at(5, 0), U'│');
    EXPECT_EQ(term.text_at(0, 0, 7), "X BPR│é");
    EXPECT_EQ(term.row_text(0).size(), std::string("X BPR│é").size() + 73);
    EXPECT_NE(term.received().find("\x1b[?1049h"), std::string::npos);
}

TEST(VtermTerminal, MouseReportsFollowTheModesTheProgramEnabled) {
    {
        // No tracking asked for: the click sends nothing, the key after it
        // is the first byte the program sees.
        VtermTerminal term(byte_reader("", 1));
        ASSERT_TRUE(term.wait_for_text(0, 0, "READY", WAIT_MS)) << term.screen_dump();
        term.click(4, 2);
        term.send_bytes("k");
        ASSERT_TRUE(term.wait_for_text(5, 0, "kDONE", WAIT_MS)) << term.screen_dump();
    }
    {
        VtermTerminal term(byte_reader("\\033[?1000h\\033[?1006h", 18));
        ASSERT_TRUE(term.wait_for_text(0, 0, "READY", WAIT_MS)) << term.screen_dump();
        EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_CLICK);
        term.move(9, 9);  // click tracking has no motion reports
        term.click(4, 2);
        ASSERT_TRUE(term.wait_for_text(5, 0, "^[[<0;5;3M^[[<0;5;3mDONE", WAIT_MS)) << term.screen_dump();
    }
    {
        // Without 1006 the same click comes in the old one-byte encoding.
        VtermTerminal term(byte_reader("\\033[?1000h", 12));
        ASSERT_TRUE(term.wait_for_text(0, 0, "READY", WAIT_MS)) << term.screen_dump();
        term.click(4, 2, 3);
        ASSERT_TRUE(term.wait_for_text(5, 0, "^[[M\"%#^[[M#%#DONE", WAIT_MS)) << term.screen_dump();
    }
    {
        VtermTerminal term(byte_reader("\\033[?1002h\\033[?1006h", 19));
        ASSERT_TRUE(term.wait_for_text(0, 0, "READY", WAIT_MS)) << term.screen_dump();
        EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_DRAG);
        term.move(1, 1);  // no button held: no report
        term.press(1, 1);
        term.move(2, 1);
        ASSERT_TRUE(term.wait_for_text(5, 0, "^[[<0;2;2M^[[<32;3;2MDONE", WAIT_MS)) << term.screen_dump();
    }
}

TEST(VtermTerminal, MouseDetailsModifiersWheelAndTurningTrackingOff) {
    {
        VtermTerminal term(byte_reader("\\033[?1000h\\033[?1006h", 19));
        ASSERT_TRUE(term.wait_for_text(0, 0, "READY", WAIT_MS)) << term.screen_dump();
        term.press(4, 2, 1, VTERM_MOD_SHIFT);
        term.click(0, 0, 4);  // wheel up: one report, no release
        ASSERT_TRUE(term.wait_for_text(5, 0, "^[[<4;5;3M^[[<64;1;1MDONE", WAIT_MS)) << term.screen_dump();
    }
    {
        // Tracking turned off again: clicks stop, the next key comes first.
        VtermTerminal term(shell("stty raw -echo; printf '\\033[?1000h\\033[?1006hON'; head -c 9 >/dev/null; "
                                 "printf '\\033[?1000lOFF'; head -c 1 | cat -v; printf DONE; sleep 5"));
        ASSERT_TRUE(term.wait_for_text(0, 0, "ON", WAIT_MS)) << term.screen_dump();
        term.press(4, 2);
        ASSERT_TRUE(term.wait_for_text(2, 0, "OFF", WAIT_MS)) << term.screen_dump();
        EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_NONE);
        term.release(4, 2);
        term.click(6, 6);
        term.send_bytes("k");
        ASSERT_TRUE(term.wait_for_text(5, 0, "kDONE", WAIT_MS)) << term.screen_dump();
    }
}

TEST(VtermTerminal, LargeInputDoesNotDeadlockAgainstAnEchoingProgram) {
    // cat echoes all it reads; unless the driver reads while it writes,
    // both sides end up blocked on full buffers.
    VtermTerminal term(shell("stty raw -echo; printf 'READY\\r\\n'; exec cat"));
    ASSERT_TRUE(term.wait_for_text(0, 0, "READY", WAIT_MS)) << term.screen_dump();
    const std::string input(200000, 'a');
    term.send_bytes(input);
    ASSERT_TRUE(term.wait_for([&](const VtermTerminal& t) { return t.received().size() >= input.size() + 7; },
                              WAIT_MS))
        << term.received().size();
}

TEST(VtermTerminal, MainScreenScrollbackAndCursor) {
    {
        VtermTerminal term(shell("seq 1 30"));
        term.wait_exit(WAIT_MS);
        EXPECT_EQ(term.scrollback(), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
        EXPECT_EQ(term.text_at(0, 0, 2), "7 ");
        EXPECT_EQ(term.cursor_x(), 0);
        EXPECT_EQ(term.cursor_y(), 24);
    }
    {
        // What scrolls on the alternate screen is gone, not kept.
        VtermTerminal term(shell("printf '\\033[?1049h'; seq 1 30; printf '\\033[5;10Hx'"));
        term.wait_exit(WAIT_MS);
        EXPECT_TRUE(term.scrollback().empty());
        EXPECT_EQ(term.cursor_x(), 10);
        EXPECT_EQ(term.cursor_y(), 4);
    }
}

TEST(VtermTerminal, WaitingGivesUpAsSoonAsTheProgramIsGone) {
    VtermTerminal term(shell("printf bye"));
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(term.wait_for_text(0, 0, "never", 10000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(term.text_at(0, 0, 3), "bye");
}

TEST(VtermTerminal, AnswersTheProgramsQueriesAndCarriesKeys) {
    // A cursor position query is answered by the emulator itself.
    VtermTerminal term(byte_reader("\\033[3;5H\\033[6n\\033[H", 9));
    ASSERT_TRUE(term.wait_for_text(0, 0, "READY", WAIT_MS)) << term.screen_dump();
    term.send_key(VTERM_KEY_UP);
    ASSERT_TRUE(term.wait_for_text(5, 0, "^[[3;5R^[[ADONE", WAIT_MS)) << term.screen_dump();
}

TEST(VtermTerminal, ResizeReachesTheProgramAsSigwinch) {
    VtermTerminal term(shell("trap 'stty size' WINCH; printf 'ready\\n'; while :; do sleep 0.02; done"));
    ASSERT_TRUE(term.wait_for_text(0, 0, "ready", WAIT_MS)) << term.screen_dump();
    term.resize(100, 30);
    EXPECT_EQ(term.columns(), 100);
    EXPECT_EQ(term.rows(), 30);
    ASSERT_TRUE(term.wait_for_text(0, 1, "30 100", WAIT_MS)) << term.screen_dump();
}

TEST(VtermTerminal, ExitStatusTimeoutAndEnvironment) {
    {
        TerminalLaunch launch = shell("printf '%s %s %s %s' \"$LANG\" \"$TERM\" \"$GAME_SEED\" \"$(pwd)\"; exit 7");
        launch.environment = {{"GAME_SEED", "42"}};
        launch.working_directory = "/tmp";
        VtermTerminal term(launch);
        int status = term.wait_exit(WAIT_MS);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 7);
        EXPECT_EQ(term.text_at(0, 0, 31), "C.UTF-8 xterm-256color 42 /tmp ");
    }
    {
        VtermTerminal term(shell("sleep 10"));
        int status = term.wait_exit(100);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), SIGKILL);
    }
    {
        VtermTerminal term(launch_program({"/no/such/program"}));
        int status = term.wait_exit(WAIT_MS);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 127);
    }
}

TEST(VtermTerminal, DestructorEndsAProgramThatStillRuns) {
    pid_t pid;
    {
        VtermTerminal term(shell("sleep 30"));
        pid = term.pid();
        ASSERT_GT(pid, 0);
    }
    EXPECT_EQ(kill(pid, 0), -1);  // reaped, not a zombie
}

TEST(TerminalCheck, AWellBehavedProgramGivesTheTerminalBack) {
    VtermTerminal term(launch_program(terminal_check_wrapper(
                            {"/bin/sh", "-c",
                             "s=$(stty -g); stty raw -echo; printf '\\033[?1049h\\033[?25lplaying'; "
                             "stty \"$s\"; printf '\\033[?25h\\033[?1049lFarewell,\\nhero.'; exit 3"})));
    int status = term.wait_exit(WAIT_MS);
    ASSERT_TRUE(WIFEXITED(status));
    TerminalCheck check = term.terminal_check();
    ASSERT_TRUE(check.complete) << term.screen_dump();
    EXPECT_FALSE(check.settings_before.empty());
    EXPECT_EQ(check.settings_before, check.settings_after);
    EXPECT_EQ(check.exit_code, 3);
    EXPECT_EQ(check.message_lines, (std::vector<std::string>{"Farewell,", "hero."}));
    EXPECT_FALSE(term.alternate_screen());
    EXPECT_TRUE(term.cursor_visible());
}

TEST(TerminalCheck, AFarewellLongerThanTheScreenIsReadWhole) {
    VtermTerminal term(launch_program(terminal_check_wrapper({"/bin/sh", "-c", "seq 1 40"})));
    term.wait_exit(WAIT_MS);
    TerminalCheck check = term.terminal_check();
    ASSERT_TRUE(check.complete) << term.screen_dump();
    ASSERT_EQ(check.message_lines.size(), 40u);
    EXPECT_EQ(check.message_lines.front(), "1");
    EXPECT_EQ(check.message_lines.back(), "40");
}

TEST(TerminalCheck, AKilledProgramLeavesTheTerminalRaw) {
    VtermTerminal term(launch_program(terminal_check_wrapper(
                            {"/bin/sh", "-c", "stty raw -echo; printf '\\033[?1049h\\033[?1000h'; kill -9 $$"})));
    term.wait_exit(WAIT_MS);
    TerminalCheck check = term.terminal_check();
    // The farewell cannot be read from the alternate screen it never left.
    EXPECT_FALSE(check.complete);
    EXPECT_TRUE(term.alternate_screen());
    EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_CLICK);
    EXPECT_EQ(check.exit_code, 128 + SIGKILL);
    EXPECT_NE(check.settings_before, check.settings_after);
}

TEST(TerminalCheck, SignalsReachTheProgramButNotTheWrapper) {
    VtermTerminal term(launch_program(terminal_check_wrapper({"/bin/sh", "-c", "printf ready; exec sleep 10"})));
    ASSERT_TRUE(term.wait_for_screen_text("ready", WAIT_MS)) << term.screen_dump();
    term.send_signal(SIGTERM);
    int status = term.wait_exit(WAIT_MS);
    ASSERT_TRUE(WIFEXITED(status));
    TerminalCheck check = term.terminal_check();
    ASSERT_TRUE(check.complete) << term.screen_dump();
    EXPECT_EQ(check.exit_code, 128 + SIGTERM);
    // No newline after "ready": it shares the row with the exit marker.
    EXPECT_EQ(check.message_lines, (std::vector<std::string>{"ready"}));
}

TEST(TerminalCheck, ArgumentsPassUntouchedAndAMissingProgramIsReported) {
    {
        VtermTerminal term(launch_program(terminal_check_wrapper(
            {"/bin/sh", "-c", "printf '[%s]' \"$@\"; printf '\\n'", "sh", "a b", "it's", "$HOME", ""})));
        term.wait_exit(WAIT_MS);
        TerminalCheck check = term.terminal_check();
        ASSERT_TRUE(check.complete) << term.screen_dump();
        EXPECT_EQ(check.message_lines, (std::vector<std::string>{"[a b][it's][$HOME][]"}));
        EXPECT_EQ(check.exit_code, 0);
    }
    {
        VtermTerminal term(launch_program(terminal_check_wrapper({"/no/such/program"})));
        term.wait_exit(WAIT_MS);
        TerminalCheck check = term.terminal_check();
        ASSERT_TRUE(check.complete) << term.screen_dump();
        EXPECT_EQ(check.exit_code, 127);
        EXPECT_EQ(check.settings_before, check.settings_after);
    }
}

TEST(TmuxScreen, ParsesTheCaptureAsOneStream) {
    // As tmux writes it: no reset at line ends, so row 1 starts bold and
    // bright blue; a blank cleared row comes as an empty line.
    TmuxScreen screen("\x1b[31m\x1b[42mX\x1b[39m\x1b[49mab\x1b[1m\x1b[94mC\n"
                      "line\x1b[7mR\n"
                      "\n"
                      "\x1b[0m\x1b[38;5;200mP\x1b[38:2::1:2:3mQ\x1b[39m\x1b[41m \x1b[49m\xe2\x94\x82\xe5\xad\x97Z\n",
                      80, 25);
    EXPECT_EQ(screen.glyph_at(0, 0), U'X');
    EXPECT_EQ(screen.fg_at(0, 0), 1);
    EXPECT_EQ(screen.bg_at(0, 0), 2);
    EXPECT_EQ(screen.fg_at(1, 0), TmuxScreen::DEFAULT_COLOR);
    EXPECT_EQ(screen.fg_at(3, 0), 12);
    EXPECT_TRUE(screen.cell_at(3, 0).bold);
    EXPECT_EQ(screen.fg_at(0, 1), 12);
    EXPECT_TRUE(screen.cell_at(0, 1).bold);
    EXPECT_FALSE(screen.cell_at(3, 1).reverse);
    EXPECT_TRUE(screen.cell_at(4, 1).reverse);
    EXPECT_EQ(screen.glyph_at(0, 2), 0u);
    EXPECT_EQ(screen.fg_at(0, 3), 200);
    EXPECT_EQ(screen.fg_at(1, 3), TmuxScreen::RGB_COLOR);
    EXPECT_FALSE(screen.cell_at(1, 3).bold);
    EXPECT_EQ(screen.bg_at(2, 3), 1);
    EXPECT_EQ(screen.glyph_at(2, 3), U' ');
    EXPECT_EQ(screen.bg_at(3, 3), TmuxScreen::DEFAULT_COLOR);
    // The wide glyph takes two cells.
    EXPECT_EQ(screen.glyph_at(6, 3), U'Z');
    EXPECT_EQ(screen.text_at(0, 3, 7), "PQ │字 Z");
    EXPECT_EQ(screen.glyph_at(0, 24), 0u);
}

TEST(TmuxScreen, SkipsEscapesThatAreNotColour) {
    // The capture goes through a real emulator, so the line erase comes
    // before the text it would otherwise wipe.
    TmuxScreen screen("\x1b]0;title\x07\x1b[2K" "a\x1b[?25lb\x1b]8;;x\x1b\\c\x1b[1;31m\x1b[22md\n", 10, 2);
    EXPECT_EQ(screen.text_at(0, 0, 5), "abcd ");
    EXPECT_EQ(screen.fg_at(3, 0), 1);
    EXPECT_FALSE(screen.cell_at(3, 0).bold);
    EXPECT_EQ(screen.glyph_at(0, 1), 0u);
}

TEST(ChildProcess, RunCollectsBothStreamsAndKillsWhatHangs) {
    ChildRun done = run_child({.argv = {"/bin/sh", "-c", "echo out; echo err >&2; exit 4"}}, WAIT_MS);
    ASSERT_TRUE(done.finished);
    EXPECT_EQ(WEXITSTATUS(done.status), 4);
    EXPECT_EQ(done.out, "out\n");
    EXPECT_EQ(done.err, "err\n");

    auto start = std::chrono::steady_clock::now();
    ChildRun hung = run_child({.argv = {"sleep", "10"}}, 100);
    EXPECT_FALSE(hung.finished);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    ChildProcess missing({.argv = {"/nonexistent/program"}});
    EXPECT_FALSE(missing.started());
    EXPECT_NE(missing.error().find("/nonexistent/program"), std::string::npos);
    EXPECT_EQ(missing.wait(0), 127 << 8) << "as a shell has it";
}

// The program and what it started in the background both hold `alive`'s
// writing end and ignore SIGTERM: stopping the session must still end both.
TEST(ChildProcess, LogsGetsItsEnvironmentAndStopsItsWholeSession) {
    const TempFolder dir("dunmar_child");
    int alive[2];
    ASSERT_EQ(pipe(alive), 0);
    const std::string report = " > /dev/fd/" + std::to_string(alive[1]);
    ChildProcess child({.argv = {"/bin/sh", "-c", "trap '' TERM; sleep 60 & echo \"$GREETING\"; echo oops >&2; "
                                                  "echo ready" + report + "; wait"},
                        .environment = environment_with({{"GREETING", "hello"}}),
                        .log = dir / "log",
                        .own_session = true});
    close(alive[1]);
    ASSERT_TRUE(child.started()) << child.error();
    // Everything it writes to `alive` until every holder has ended.
    const auto heard = [&](int timeout_ms) {
        std::string said;
        pollfd readable{alive[0], POLLIN, 0};
        char bytes[64];
        for (ssize_t n = 1; n > 0 && poll(&readable, 1, timeout_ms) == 1;) {
            n = read(alive[0], bytes, sizeof bytes);
            if (n > 0) said.append(bytes, static_cast<size_t>(n));
            if (n == 0) said += "<end>";
            if (said == "ready\n") break;
        }
        return said;
    };
    ASSERT_EQ(heard(WAIT_MS), "ready\n");
    EXPECT_FALSE(child.wait(0)) << "it still runs";
    const int status = child.stop(100);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(heard(WAIT_MS), "<end>") << "the background program lives on";
    close(alive[0]);
    std::ifstream log(dir / "log");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>()), "hello\noops\n");
}

TEST(TmuxSession, ShowsColouredOutputAndTheExitStatus) {
    TmuxSession tmux(shell("printf '\\033[?1049h\\033[?25l\\033[31;42mX\\033[0m\\n\\033[1;33mY'; read x; exit 5"));
    ASSERT_TRUE(tmux.started()) << tmux.error();
    ASSERT_TRUE(tmux.wait_for_text(0, 1, "Y", WAIT_MS)) << tmux.screen().dump();
    EXPECT_EQ(tmux.screen().fg_at(0, 0), 1);
    EXPECT_EQ(tmux.screen().bg_at(0, 0), 2);
    EXPECT_EQ(tmux.screen().fg_at(0, 1), 3);
    auto state = tmux.pane_state();
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->alternate_screen);
    EXPECT_FALSE(state->cursor_visible);
    EXPECT_EQ(state->width, 80);
    EXPECT_EQ(state->height, 25);
    ASSERT_TRUE(tmux.send_bytes("\r"));
    auto ended = tmux.wait_exit(WAIT_MS);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ended->dead);
    // When tmux has it at all (see wait_exit), it is the program's.
    if (ended->exit_status != -1) {
        EXPECT_EQ(ended->exit_status, 5);
    }
}

TEST(TmuxSession, MouseReachesOnlyAPaneThatAskedForIt) {
    {
        TmuxSession tmux(byte_reader("", 1));
        ASSERT_TRUE(tmux.started()) << tmux.error();
        ASSERT_TRUE(tmux.wait_for_text(0, 0, "READY", WAIT_MS)) << tmux.screen().dump();
        EXPECT_FALSE(tmux.click(4, 2));
        ASSERT_TRUE(tmux.send_bytes("k"));
        EXPECT_TRUE(tmux.wait_for_text(5, 0, "kDONE", WAIT_MS)) << tmux.screen().dump();
    }
    {
        TmuxSession tmux(byte_reader("\\033[?1000h\\033[?1006h", 18));
        ASSERT_TRUE(tmux.started()) << tmux.error();
        ASSERT_TRUE(tmux.wait_for_text(0, 0, "READY", WAIT_MS)) << tmux.screen().dump();
        EXPECT_TRUE(tmux.click(4, 2));
        EXPECT_TRUE(tmux.wait_for_text(5, 0, "^[[<0;5;3M^[[<0;5;3mDONE", WAIT_MS)) << tmux.screen().dump();
    }
}

TEST(TmuxSession, RawBytesAndOldStyleDragReportsArriveIntact) {
    {
        // Bytes above 0x7f must not turn into anything else on the way.
        TmuxSession tmux(byte_reader("", 4));
        ASSERT_TRUE(tmux.started()) << tmux.error();
        ASSERT_TRUE(tmux.wait_for_text(0, 0, "READY", WAIT_MS)) << tmux.screen().dump();
        ASSERT_TRUE(tmux.send_bytes("\xc3\xa9\x01\x7f"));
        EXPECT_TRUE(tmux.wait_for_text(5, 0, "M-CM-)^A^?DONE", WAIT_MS)) << tmux.screen().dump();
    }
    {
        TmuxSession tmux(byte_reader("\\033[?1002h", 12));
        ASSERT_TRUE(tmux.started()) << tmux.error();
        ASSERT_TRUE(tmux.wait_for_text(0, 0, "READY", WAIT_MS)) << tmux.screen().dump();
        EXPECT_FALSE(tmux.move(5, 5)) << "no button held, no report";
        EXPECT_TRUE(tmux.press(1, 1));
        EXPECT_TRUE(tmux.move(2, 1));
        EXPECT_TRUE(tmux.wait_for_text(5, 0, "^[[M \"\"^[[M@#\"DONE", WAIT_MS)) << tmux.screen().dump();
    }
}

TEST(TmuxSession, ARealClientForwardsTheMouseInThePanesOwnMode) {
    // The pane asked for old-style click reports; the client's terminal is
    // put in SGR mode by tmux, which translates on the way through.
    TmuxSession tmux(byte_reader("\\033[?1000h", 6));
    ASSERT_TRUE(tmux.started()) << tmux.error();
    ASSERT_TRUE(tmux.wait_for_text(0, 0, "READY", WAIT_MS)) << tmux.screen().dump();
    VtermTerminal client(launch_program(tmux.attach_argv()));
    ASSERT_TRUE(client.wait_for_text(0, 0, "READY", WAIT_MS)) << client.screen_dump();
    ASSERT_TRUE(client.wait_for([](const VtermTerminal& t) { return t.mouse_mode() != VTERM_PROP_MOUSE_NONE; },
                                WAIT_MS));
    client.click(4, 2);
    EXPECT_TRUE(client.wait_for_text(5, 0, "^[[M %#DONE", WAIT_MS)) << client.screen_dump();
}
