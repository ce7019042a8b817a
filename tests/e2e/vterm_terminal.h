// A real terminal for end-to-end tests: runs a program on a pseudo-terminal
// whose output drives a libvterm screen, sends it keys and genuine mouse
// input, and reads the cells, colours and terminal modes back.
#pragma once

#include <sys/types.h>
#include <vterm.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "e2e/child_process.h"
#include "e2e/driver_support.h"

// What to run and where. The program always gets LANG=C.UTF-8 and
// TERM=xterm-256color (the inherited LC_*, COLUMNS, LINES and COLORTERM are
// dropped so they cannot override them); `environment` adds or overrides more.
struct TerminalLaunch {
    std::vector<std::string> argv;
    std::string working_directory;  // empty: the test's own
    std::vector<std::pair<std::string, std::string>> environment;
    int columns = 80;
    int rows = 25;
};

// The usual case: just the program, everything else as it comes.
inline TerminalLaunch launch_program(std::vector<std::string> argv) {
    TerminalLaunch launch;
    launch.argv = std::move(argv);
    return launch;
}

// What a program run under terminal_check_wrapper() left behind, read after
// it ended. Settings are `stty -g` lines; exit_code is the shell's $?, so
// 128 + n when the program died of signal n.
struct TerminalCheck {
    bool complete = false;  // every marker of the wrapper was found
    std::string settings_before;
    std::string settings_after;
    int exit_code = -1;
    // Main-screen rows written between the program's start and its end,
    // trailing blanks and blank rows at either end dropped: what the
    // player sees once the program has given the screen back.
    std::vector<std::string> message_lines;
};

// argv that runs `program` inside a small shell which records the terminal
// settings before and after it and its exit status. The shell survives
// INT, TERM, HUP and QUIT sent to the whole group (it waits for the
// program instead), and the program still gets default handling of them.
std::vector<std::string> terminal_check_wrapper(const std::vector<std::string>& program);

class VtermTerminal {
public:
    static constexpr int DEFAULT_COLOR = -1;  // the terminal's own colour (SGR 39/49)
    static constexpr int RGB_COLOR = -2;      // a direct colour, outside any palette

    explicit VtermTerminal(const TerminalLaunch& launch);
    ~VtermTerminal();
    VtermTerminal(const VtermTerminal&) = delete;
    VtermTerminal& operator=(const VtermTerminal&) = delete;

    pid_t pid() const { return child.pid(); }
    bool exited() const { return child.exited(); }
    int columns() const { return width; }
    int rows() const { return height; }

    // Input, as a user at the keyboard would give it. Keys as raw bytes
    // ("\x1b[A" for up), or through libvterm's own keyboard encoding.
    // Wait for the program's first frame before sending: until it has
    // set up its terminal, the tty echoes input and buffers it by line.
    void send_bytes(std::string_view bytes);
    // Two writes to the program, gap apart (busy-waited, so that the gap
    // is microseconds and not a scheduler's tick), as a terminal writes
    // the pointer's last motion and then the press: nothing is read between.
    void send_apart(std::string_view first, std::chrono::microseconds gap, std::string_view second);
    void send_key(VTermKey key, VTermModifier mod = VTERM_MOD_NONE);
    void send_char(char32_t c, VTermModifier mod = VTERM_MOD_NONE);

    // Mouse at (column, row) from 0, buttons 1 left, 2 middle, 3 right,
    // 4/5 wheel. libvterm encodes them in the tracking mode and protocol
    // the program enabled; nothing is sent if it enabled none. A wheel
    // "click" is one report, as wheels have no release. A click is the
    // pointer's motion there, the press and the release in one write, as a
    // terminal writes a quick click: however busy the machine, they arrive
    // together.
    void move(int x, int y, VTermModifier mod = VTERM_MOD_NONE);
    void press(int x, int y, int button = 1, VTermModifier mod = VTERM_MOD_NONE);
    void release(int x, int y, int button = 1, VTermModifier mod = VTERM_MOD_NONE);
    void click(int x, int y, int button = 1, VTermModifier mod = VTERM_MOD_NONE);

    // A new window size for both sides; the program gets SIGWINCH.
    void resize(int new_columns, int new_rows);

    // Reads what the program wrote for up to timeout_ms, returning early
    // once something came, or wake_fd became readable. False once the
    // program's side is closed.
    bool pump(int timeout_ms, int wake_fd = -1);
    // Polls until the predicate holds; false on timeout, or as soon as the
    // program is gone with the predicate still false.
    bool wait_for(const std::function<bool(const VtermTerminal&)>& ready, int timeout_ms);
    bool wait_for_text(int x, int y, std::string_view text, int timeout_ms);
    // Anywhere on the screen.
    bool wait_for_screen_text(std::string_view text, int timeout_ms);
    // Waits for the program to end while still reading its output, then
    // drains the rest. On timeout the program's whole group is killed, so
    // the status then says SIGKILL. Returns the waitpid status.
    int wait_exit(int timeout_ms);

    // To the terminal's foreground process group, as the tty itself
    // delivers ^C or a hang-up; signal_child reaches the program alone.
    void send_signal(int sig);
    void signal_child(int sig);

    // Cells. glyph_at is 0 for a cell nothing was written to (erased or
    // never touched), a space only where a space was drawn; text_at and
    // row_text show both as spaces. Colours are palette indexes (0-15 for
    // the classic ones), DEFAULT_COLOR or RGB_COLOR.
    std::string text_at(int x, int y, int length) const;
    char32_t glyph_at(int x, int y) const;
    int fg_at(int x, int y) const;
    int bg_at(int x, int y) const;
    // A direct (24-bit) colour as 0xRRGGBB; -1 for any other.
    long fg_rgb_at(int x, int y) const;
    long bg_rgb_at(int x, int y) const;
    bool bold_at(int x, int y) const;
    bool reverse_at(int x, int y) const;
    std::string row_text(int y) const;
    // The whole screen with row numbers, for failure messages.
    std::string screen_dump() const { return driver_support::numbered_rows(*this); }
    bool screen_contains(std::string_view text) const { return driver_support::any_row_holds(*this, text); }

    // Modes the program left the terminal in.
    bool alternate_screen() const { return altscreen_on; }
    bool cursor_visible() const { return cursor_shown; }
    int mouse_mode() const { return mouse_tracking; }  // VTERM_PROP_MOUSE_*
    int cursor_x() const;
    int cursor_y() const;

    // Every byte the program wrote, as it came.
    const std::string& received() const { return output; }
    // Rows that scrolled off the top of the main screen, oldest first.
    const std::vector<std::string>& scrollback() const { return scrolled_off; }
    // Reads what terminal_check_wrapper() printed; call after wait_exit.
    TerminalCheck terminal_check() const;

private:
    static void on_output(const char* bytes, size_t length, void* self);
    static int on_termprop(VTermProp prop, VTermValue* value, void* self);
    static int on_pushline(int cols, const VTermScreenCell* cells, void* self);

    void mouse_button(int x, int y, int button, bool pressed, VTermModifier mod);
    bool cell(int x, int y, VTermScreenCell& out) const;
    std::string line_text(const VTermScreenCell* cells, int count) const;
    void flush_input(int timeout_ms);
    void drain(int timeout_ms);
    void feed_vterm(const char* bytes, size_t count);

    VTerm* vt = nullptr;
    VTermScreen* screen = nullptr;
    int master = -1;
    ChildProcess child;
    bool closed = false;  // the pty gave EOF: nothing more will come
    int width;
    int height;
    std::string output;
    std::string pending_input;  // what the pty would not take yet
    std::string utf8_tail;      // the start of a character the next read completes
    std::vector<std::string> scrolled_off;
    bool altscreen_on = false;
    bool cursor_shown = true;
    int mouse_tracking = VTERM_PROP_MOUSE_NONE;
};

// A libvterm cell as both drivers report it: the glyph, 0 for the right
// half of a double-width one; a colour as a palette index,
// VtermTerminal::DEFAULT_COLOR or VtermTerminal::RGB_COLOR; and a direct
// colour's value as 0xRRGGBB, -1 for any other.
char32_t cell_glyph(const VTermScreenCell& cell);
int palette_colour(const VTermColor& colour, bool foreground);
long direct_rgb(const VTermColor& colour);
