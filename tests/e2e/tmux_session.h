// tmux as a second terminal emulator for smoke tests: a private server per
// session, input as raw bytes, and the pane read back from capture-pane
// into cells with glyph and colour.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/child_process.h"
#include "e2e/vterm_terminal.h"

struct TmuxCell {
    char32_t glyph = 0;  // 0 where the capture had nothing (tmux drops blank cells)
    int fg = -1;
    int bg = -1;
    bool bold = false;
    bool reverse = false;
    long fg_rgb = -1;  // a direct colour as 0xRRGGBB, -1 for any other
    long bg_rgb = -1;
};

// One capture-pane -p -e -N output as cells, read through libvterm, with
// colours as VtermTerminal reports them.
class TmuxScreen {
public:
    static constexpr int DEFAULT_COLOR = VtermTerminal::DEFAULT_COLOR;
    static constexpr int RGB_COLOR = VtermTerminal::RGB_COLOR;

    TmuxScreen() = default;
    TmuxScreen(std::string_view capture, int columns, int rows);

    int columns() const { return width; }
    int rows() const { return height; }
    const TmuxCell& cell_at(int x, int y) const;
    char32_t glyph_at(int x, int y) const { return cell_at(x, y).glyph; }
    int fg_at(int x, int y) const { return cell_at(x, y).fg; }
    int bg_at(int x, int y) const { return cell_at(x, y).bg; }
    long fg_rgb_at(int x, int y) const { return cell_at(x, y).fg_rgb; }
    long bg_rgb_at(int x, int y) const { return cell_at(x, y).bg_rgb; }
    std::string text_at(int x, int y, int length) const;  // empty cells as spaces
    std::string row_text(int y) const { return text_at(0, y, width); }
    std::string dump() const { return driver_support::numbered_rows(*this); }
    bool contains(std::string_view text) const { return driver_support::any_row_holds(*this, text); }

private:
    int width = 0;
    int height = 0;
    std::vector<TmuxCell> cells;
};

// What tmux knows about the pane's program and the modes it set.
struct TmuxPaneState {
    bool dead = false;
    int exit_status = -1;  // when dead and it exited
    int exit_signal = 0;   // when dead by a signal
    bool alternate_screen = false;
    bool cursor_visible = true;
    bool mouse_click = false;  // 1000
    bool mouse_drag = false;   // 1002
    bool mouse_move = false;   // 1003
    bool mouse_sgr = false;    // 1006
    int width = 0;
    int height = 0;
};

// A detached session on its own server (a fresh -S socket in a temporary
// directory, no configuration file), with the status line off so the pane
// is the whole window, and the pane kept after its program ends so the
// exit status can be read. The pane's TERM is tmux's own default-terminal
// unless the launch's environment says otherwise.
class TmuxSession {
public:
    explicit TmuxSession(const TerminalLaunch& launch);
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    bool started() const { return running; }
    const std::string& error() const { return failure; }
    const std::string& socket_path() const { return socket; }

    // Any tmux command against this server.
    ChildRun tmux(const std::vector<std::string>& args, int timeout_ms = 5000);

    // Bytes exactly as given, through send-keys -H.
    bool send_bytes(std::string_view bytes);

    // Mouse as tmux itself forwards it from a client: encoded for the
    // pane's own modes (SGR if it asked for 1006), and nothing at all if
    // the pane enabled no tracking. send-keys -M only works from inside a
    // mouse key binding, so the encoded report goes in with send-keys -H.
    // Returns whether anything was sent.
    bool press(int x, int y, int button = 1);
    bool release(int x, int y, int button = 1);
    bool click(int x, int y, int button = 1);
    bool move(int x, int y);

    // One capture, or nothing if tmux did not answer.
    std::optional<TmuxScreen> capture();
    // Polls captures until the predicate holds on two in a row, since a
    // capture taken while the program draws can be half old, half new.
    bool wait_for(const std::function<bool(const TmuxScreen&)>& ready, int timeout_ms);
    bool wait_for_text(int x, int y, std::string_view text, int timeout_ms);
    bool wait_for_screen_text(std::string_view text, int timeout_ms);
    // The last capture taken by wait_for.
    const TmuxScreen& screen() const { return last; }

    std::optional<TmuxPaneState> pane_state();
    // Polls until the pane's program is gone; nothing on timeout. The
    // status may still be unknown (-1, no signal): tmux 3.3a now and then
    // loses it, so a test that needs the exit status uses VtermTerminal.
    std::optional<TmuxPaneState> wait_exit(int timeout_ms);

    // argv of a client that attaches to this session: run it in a
    // VtermTerminal to drive the pane through a real tmux client (mouse
    // is on for the server, so the client forwards real mouse input).
    std::vector<std::string> attach_argv() const;

private:
    bool mouse_report(int x, int y, int button, bool pressed, bool motion);

    std::string directory;
    std::string socket;
    bool running = false;
    std::string failure;
    int width;
    int height;
    int held_buttons = 0;  // bit n-1 for button n, for drag reports
    TmuxScreen last;
};
