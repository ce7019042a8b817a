// The console layer on a real terminal emulator: the demo program draws,
// echoes the input it decodes on row 20, and leaves in every way the game
// can, each time giving the terminal back as it found it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <string>

#include "e2e/child_process.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 5000;

TerminalLaunch demo_launch(bool wrapped = false) {
    TerminalLaunch launch;
    launch.argv = wrapped ? terminal_check_wrapper({CONSOLE_DEMO_PATH}) : std::vector<std::string>{CONSOLE_DEMO_PATH};
    return launch;
}

// The whole first frame is there: the title, and the last cell of the
// screen painted (frames go out top to bottom).
bool started(VtermTerminal& term) {
    return term.wait_for(
        [](const VtermTerminal& t) { return t.text_at(2, 1, 12) == "console demo" && t.bg_at(79, 24) >= 0; },
        TIMEOUT_MS);
}

std::string echo_row(const VtermTerminal& term) {
    std::string row = term.row_text(20);
    while (!row.empty() && row.back() == ' ') row.pop_back();
    return row.size() > 2 ? row.substr(2) : "";
}

bool echoed(VtermTerminal& term, const std::string& text) {
    return term.wait_for([&](const VtermTerminal& t) { return echo_row(t) == text; }, TIMEOUT_MS);
}

TEST(ConsoleOnATerminal, DrawsGlyphsAndColoursWithEveryModeSet) {
    VtermTerminal term(demo_launch());
    ASSERT_TRUE(started(term)) << term.screen_dump();
    EXPECT_TRUE(term.alternate_screen());
    EXPECT_FALSE(term.cursor_visible());
    EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_MOVE) << "every movement is reported";

    EXPECT_EQ(term.fg_at(2, 1), 11) << "console yellow 14 is ANSI bright yellow";
    EXPECT_EQ(term.bg_at(2, 1), 0);
    // The number of each console colour is drawn in that colour.
    const int ansi_of_console[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
    for (int colour = 1; colour < 16; ++colour) EXPECT_EQ(term.fg_at(2 + colour * 3, 3), ansi_of_console[colour]);

    EXPECT_EQ(term.text_at(2, 5, 15), "☺♦♣♠←░▒▓╔═╗║╚╝█");
    EXPECT_EQ(term.glyph_at(2, 7), U'☺');
    EXPECT_EQ(term.fg_at(2, 7), 0);
    EXPECT_EQ(term.bg_at(2, 7), 10) << "160 is black on bright green";
    EXPECT_EQ(term.fg_at(3, 7), 4);
    EXPECT_EQ(term.bg_at(3, 7), 12) << "145 is dark blue on bright blue";
    // Every cell of the game's screen is painted, background included.
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 80; ++x) ASSERT_GE(term.bg_at(x, y), 0) << x << "," << y;
    EXPECT_FALSE(term.bold_at(2 + 15 * 3, 3)) << "brightness is a colour, not bold";
}

TEST(ConsoleOnATerminal, MouseReportsBecomeClicksDragsAndMovements) {
    VtermTerminal term(demo_launch());
    ASSERT_TRUE(started(term));
    term.press(10, 4);
    EXPECT_TRUE(echoed(term, "mouse 10 4 buttons 1 flags 0")) << echo_row(term);
    term.move(11, 4);
    EXPECT_TRUE(echoed(term, "mouse 11 4 buttons 1 flags 1")) << "a drag is a left click: " << echo_row(term);
    term.press(11, 4, 3);
    EXPECT_TRUE(echoed(term, "mouse 11 4 buttons 3 flags 0")) << "both held: " << echo_row(term);
    term.release(11, 4, 3);
    term.release(11, 4, 1);
    EXPECT_TRUE(echoed(term, "mouse 11 4 buttons 0 flags 0")) << echo_row(term);
    term.move(40, 12);
    EXPECT_TRUE(echoed(term, "mouse 40 12 buttons 0 flags 1")) << "plain motion: " << echo_row(term);
    term.click(79, 24, 3);
    EXPECT_TRUE(term.wait_for_screen_text("mouse 79 24 buttons 0", TIMEOUT_MS));
    term.press(5, 5, 3);
    EXPECT_TRUE(echoed(term, "mouse 5 5 buttons 2 flags 0")) << echo_row(term);
    term.send_bytes("q");
    EXPECT_TRUE(WIFEXITED(term.wait_exit(TIMEOUT_MS)));
}

TEST(ConsoleOnATerminal, KeysAndEscapeSequencesAreOneKeyPressEach) {
    VtermTerminal term(demo_launch());
    ASSERT_TRUE(started(term));
    term.send_bytes("x");
    EXPECT_TRUE(echoed(term, "key 120 code 0")) << echo_row(term);
    term.send_bytes("\x1b[A");
    EXPECT_TRUE(echoed(term, "key 0 code 38")) << echo_row(term);
    term.send_bytes("\x1b");
    EXPECT_TRUE(echoed(term, "key 27 code 27")) << "a lone ESC after its timeout: " << echo_row(term);
    term.send_bytes("\r");
    EXPECT_TRUE(echoed(term, "key 13 code 13")) << echo_row(term);
}

TEST(ConsoleOnATerminal, PausesShowTheScreenAndMissingPicturesSaySo) {
    VtermTerminal term(demo_launch());
    ASSERT_TRUE(started(term));
    term.send_bytes("p");
    EXPECT_TRUE(term.wait_for_text(2, 22, "paused", TIMEOUT_MS));
    term.send_bytes("m");
    EXPECT_TRUE(term.wait_for_text(2, 22, "Cannot find file", TIMEOUT_MS)) << term.screen_dump();
}

TEST(ConsoleOnATerminal, InputTypedAheadIsDiscardedAndTheNextKeyTaken) {
    VtermTerminal term(demo_launch());
    ASSERT_TRUE(started(term));
    term.send_bytes("d");
    ASSERT_TRUE(term.wait_for_text(2, 22, "discarding", TIMEOUT_MS)) << term.screen_dump();
    term.send_bytes("xyz\x1b[<0;5;7M\x1b[<0;5;7m");
    EXPECT_TRUE(term.wait_for_text(2, 22, "discarded", TIMEOUT_MS)) << term.screen_dump();
    term.send_bytes("k");
    EXPECT_TRUE(term.wait_for_text(2, 22, "discarded, next key 107", TIMEOUT_MS)) << term.screen_dump();
    term.send_bytes("q");
    EXPECT_TRUE(WIFEXITED(term.wait_exit(TIMEOUT_MS)));
}

TEST(ConsoleOnATerminal, WhatALibraryPrintsNeverReachesTheTerminal) {
    VtermTerminal term(demo_launch(true));
    ASSERT_TRUE(started(term));
    term.send_bytes("o");
    EXPECT_TRUE(echoed(term, "key 111 code 0"));
    term.send_bytes("q");
    term.wait_exit(TIMEOUT_MS);
    EXPECT_EQ(term.received().find("stray library text"), std::string::npos);
    EXPECT_EQ(term.terminal_check().exit_code, 1);
}

TEST(ConsoleOnATerminal, TooSmallATerminalGetsANoticeUntilResized) {
    VtermTerminal term(demo_launch());
    ASSERT_TRUE(started(term));
    term.resize(70, 20);
    term.send_bytes("x");  // the next observation point notices
    EXPECT_TRUE(term.wait_for_screen_text("This terminal is 70 x 20", TIMEOUT_MS)) << term.screen_dump();
    // Larger than needed: the screen in the middle, from (10, 2).
    term.resize(100, 30);
    const auto echo_in_middle = [](const VtermTerminal& t, const std::string& text) {
        return t.text_at(12, 3, 12) == "console demo" && t.text_at(12, 22, static_cast<int>(text.size()) + 1) == text + " ";
    };
    EXPECT_TRUE(term.wait_for([&](const VtermTerminal& t) { return echo_in_middle(t, "key 120 code 0"); }, TIMEOUT_MS))
        << "the key waited for the room\n" << term.screen_dump();
    term.click(90, 27);  // in the margin: no event
    term.press(89, 26);
    EXPECT_TRUE(term.wait_for([&](const VtermTerminal& t) { return echo_in_middle(t, "mouse 79 24 buttons 1 flags 0"); },
                              TIMEOUT_MS))
        << "reports in the screen's own cells\n" << term.screen_dump();
    EXPECT_EQ(term.row_text(0).find("This terminal"), std::string::npos) << "the notice is gone from the margin";
    term.release(89, 26);
}

// libvterm keeps one mouse mode only, so turning any mouse mode off looks
// like turning all off: check in the bytes that every private mode the
// program set was reset after its last setting.
void expect_every_mode_reset(const std::string& received) {
    for (const char* mode : {"1000", "1002", "1003", "1006", "1049"}) {
        const std::string set = std::string("\x1b[?") + mode + "h", reset = std::string("\x1b[?") + mode + "l";
        const auto last_set = received.rfind(set);
        ASSERT_NE(last_set, std::string::npos) << mode << " was never set";
        const auto last_reset = received.rfind(reset);
        EXPECT_TRUE(last_reset != std::string::npos && last_reset > last_set) << "mode " << mode << " left on";
    }
    EXPECT_GT(received.rfind("\x1b[?25h"), received.rfind("\x1b[?25l")) << "cursor left hidden";
}

struct WayOut {
    const char* name;
    const char* key;  // typed into the demo, or null to send the signal
    int signal;
    int exit_code;
    const char* message;
};

class WaysOut : public ::testing::TestWithParam<WayOut> {};

TEST_P(WaysOut, GiveTheTerminalBackAsItWas) {
    const WayOut& way = GetParam();
    VtermTerminal term(demo_launch(true));
    ASSERT_TRUE(started(term)) << term.screen_dump();
    if (way.key) {
        term.send_bytes(way.key);
    } else {
        term.send_signal(way.signal);
    }
    const int status = term.wait_exit(TIMEOUT_MS);
    ASSERT_TRUE(WIFEXITED(status)) << "the wrapper shell ends normally";
    const TerminalCheck check = term.terminal_check();
    ASSERT_TRUE(check.complete) << term.screen_dump();
    EXPECT_EQ(check.exit_code, way.exit_code);
    EXPECT_EQ(check.settings_after, check.settings_before) << "terminal settings restored";
    EXPECT_FALSE(term.alternate_screen());
    EXPECT_TRUE(term.cursor_visible());
    EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_NONE);
    expect_every_mode_reset(term.received());
    if (way.message) {
        std::string all;
        for (const std::string& line : check.message_lines) all += line + "\n";
        EXPECT_NE(all.find(way.message), std::string::npos) << "readable after exit:\n" << all;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Console, WaysOut,
    ::testing::Values(WayOut{"exit", "q", 0, 1, nullptr},
                      WayOut{"exit_with_message", "w", 0, 1, "a message on the way out"},
                      WayOut{"string_index", "e", 0, 1, "index out of range: 4 string: Star"},
                      WayOut{"vector_index", "a", 0, 128 + SIGABRT, "Illegal vector index: 3 max index = 2"},
                      WayOut{"crash", "s", 0, 128 + SIGSEGV, nullptr},
                      WayOut{"bus_error", "b", 0, 128 + SIGBUS, nullptr},
                      WayOut{"division_by_zero", "f", 0, 128 + SIGFPE, nullptr},
                      WayOut{"illegal_instruction", "i", 0, 128 + SIGILL, nullptr},
                      WayOut{"ctrl_c", "\x03", 0, 128 + SIGINT, nullptr},
                      WayOut{"interrupt", nullptr, SIGINT, 128 + SIGINT, nullptr},
                      WayOut{"terminate", nullptr, SIGTERM, 128 + SIGTERM, nullptr},
                      WayOut{"hang_up", nullptr, SIGHUP, 128 + SIGHUP, nullptr},
                      WayOut{"quit", nullptr, SIGQUIT, 128 + SIGQUIT, nullptr}),
    [](const ::testing::TestParamInfo<WayOut>& info) { return std::string(info.param.name); });

TEST(ConsoleOnATerminal, RefusesToStartWithoutATerminal) {
    const ChildRun run = run_child({.argv = {CONSOLE_DEMO_PATH}}, TIMEOUT_MS);
    ASSERT_TRUE(run.finished && WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 2);
    EXPECT_EQ(run.err, "dunmar: the game needs a terminal: start it without redirecting its input or output\n");
    EXPECT_EQ(run.out, "");
}

}  // namespace
