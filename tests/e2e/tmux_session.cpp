// Driving tmux from a test: short-lived tmux client commands with
// timeouts, the capture-pane reader, and mouse reports in the pane's modes.
#include "e2e/driver_support.h"
#include "e2e/tmux_session.h"

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

const std::string SESSION = "e2e";
constexpr int POLL_INTERVAL_MS = 20;
constexpr int STATUS_GRACE_MS = 300;

using driver_support::append_utf8;
using driver_support::remaining_ms;

std::vector<std::string> tmux_environment() {
    return environment_with({{"LANG", "C.UTF-8"}}, {"TMUX", "TMUX_PANE", "COLORTERM", "LC_*"});
}

std::string hex_byte(unsigned char byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", byte);
    return text;
}

}  // namespace

// tmux writes an SGR change only where a cell differs from the one before,
// across line ends too, and ends every row with "\n". The rows go to a
// fresh libvterm screen each after a move to its own start, so the pen
// carries over from row to row as tmux meant and the last "\n" cannot
// scroll the screen.
TmuxScreen::TmuxScreen(std::string_view capture, int columns, int rows)
    : width(columns), height(rows), cells(static_cast<size_t>(columns) * rows) {
    std::string stream;
    for (int y = 0; y < height && !capture.empty(); ++y) {
        size_t end = std::min(capture.find('\n'), capture.size());
        stream += "\x1b[" + std::to_string(y + 1) + "H";
        stream += capture.substr(0, end);
        capture.remove_prefix(std::min(end + 1, capture.size()));
    }
    VTerm* vt = vterm_new(height, width);
    vterm_set_utf8(vt, 1);
    VTermScreen* screen = vterm_obtain_screen(vt);
    vterm_screen_reset(screen, 1);
    vterm_input_write(vt, stream.data(), stream.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            VTermScreenCell c;
            vterm_screen_get_cell(screen, VTermPos{y, x}, &c);
            cells[static_cast<size_t>(y) * width + x] = {cell_glyph(c), palette_colour(c.fg, true),
                                                         palette_colour(c.bg, false), c.attrs.bold != 0,
                                                         c.attrs.reverse != 0, direct_rgb(c.fg), direct_rgb(c.bg)};
        }
    }
    vterm_free(vt);
}

const TmuxCell& TmuxScreen::cell_at(int x, int y) const {
    static const TmuxCell OUTSIDE;
    if (x < 0 || y < 0 || x >= width || y >= height) return OUTSIDE;
    return cells[static_cast<size_t>(y) * width + x];
}

std::string TmuxScreen::text_at(int x, int y, int length) const {
    std::string text;
    for (int i = 0; i < length && x + i < width; ++i) {
        char32_t c = glyph_at(x + i, y);
        append_utf8(text, c == 0 ? U' ' : c);
    }
    return text;
}

TmuxSession::TmuxSession(const TerminalLaunch& launch) : width(launch.columns), height(launch.rows) {
    char pattern[] = "/tmp/e2e-tmux-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        failure = "cannot make a directory for the tmux socket";
        return;
    }
    directory = pattern;
    socket = directory + "/socket";

    // Options before the session, in the same command list, so they hold
    // from the program's first byte on.
    std::vector<std::string> args = {
        "start-server", ";",
        "set-option", "-g", "exit-empty", "off", ";",
        "set-option", "-g", "status", "off", ";",
        "set-option", "-g", "mouse", "on", ";",
        // Kept after exit for its status; without a format tmux would
        // write "Pane is dead" into it and scroll the last screen.
        "set-option", "-g", "remain-on-exit", "on", ";",
        "set-option", "-g", "remain-on-exit-format", "", ";",
        "new-session", "-d", "-s", SESSION, "-x", std::to_string(width), "-y", std::to_string(height)};
    if (!launch.working_directory.empty()) {
        args.push_back("-c");
        args.push_back(launch.working_directory);
    }
    args.push_back("-e");
    args.push_back("LANG=C.UTF-8");
    for (const auto& [name, value] : launch.environment) {
        args.push_back("-e");
        args.push_back(name + "=" + value);
    }
    args.push_back("--");
    args.insert(args.end(), launch.argv.begin(), launch.argv.end());

    ChildRun started = tmux(args, 10000);
    running = started.finished && WIFEXITED(started.status) && WEXITSTATUS(started.status) == 0;
    if (!running) failure = "tmux did not start: " + started.err;
}

TmuxSession::~TmuxSession() {
    if (!socket.empty()) tmux({"kill-server"}, 5000);
    if (!directory.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
}

ChildRun TmuxSession::tmux(const std::vector<std::string>& args, int timeout_ms) {
    std::vector<std::string> argv = {"tmux", "-S", socket, "-f", "/dev/null"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_child({.argv = argv, .environment = tmux_environment()}, timeout_ms);
}

bool TmuxSession::send_bytes(std::string_view bytes) {
    if (bytes.empty()) return true;
    std::vector<std::string> args = {"send-keys", "-t", SESSION, "-H"};
    for (char byte : bytes) args.push_back(hex_byte(static_cast<unsigned char>(byte)));
    ChildRun sent = tmux(args);
    return sent.finished && WIFEXITED(sent.status) && WEXITSTATUS(sent.status) == 0;
}

bool TmuxSession::mouse_report(int x, int y, int button, bool pressed, bool motion) {
    auto state = pane_state();
    if (!state || !(state->mouse_click || state->mouse_drag || state->mouse_move)) return false;
    if (motion && !(state->mouse_move || (state->mouse_drag && held_buttons != 0))) return false;

    int code;
    if (button >= 4) code = 64 + (button - 4);  // wheel
    else if (motion) code = 32 + (held_buttons & 1 ? 0 : held_buttons & 2 ? 1 : held_buttons & 4 ? 2 : 3);
    else code = button - 1;

    std::string report;
    if (state->mouse_sgr) {
        report = "\x1b[<" + std::to_string(code) + ";" + std::to_string(x + 1) + ";" +
                 std::to_string(y + 1) + (pressed || motion ? "M" : "m");
    } else {
        if (x > 222 || y > 222) return false;  // out of reach of the one-byte encoding
        int legacy = (pressed || motion) ? code : 3;  // the old protocol cannot say which button was let go
        report = "\x1b[M";
        report += static_cast<char>(32 + legacy);
        report += static_cast<char>(33 + x);
        report += static_cast<char>(33 + y);
    }
    return send_bytes(report);
}

bool TmuxSession::press(int x, int y, int button) {
    if (button >= 1 && button <= 3) held_buttons |= 1 << (button - 1);
    return mouse_report(x, y, button, true, false);
}

bool TmuxSession::release(int x, int y, int button) {
    if (button >= 1 && button <= 3) held_buttons &= ~(1 << (button - 1));
    if (button >= 4) return false;  // wheels have no release
    return mouse_report(x, y, button, false, false);
}

bool TmuxSession::click(int x, int y, int button) {
    bool pressed = press(x, y, button);
    bool released = release(x, y, button);
    return pressed || released;
}

bool TmuxSession::move(int x, int y) {
    return mouse_report(x, y, 0, false, true);
}

std::optional<TmuxScreen> TmuxSession::capture() {
    ChildRun shot = tmux({"capture-pane", "-p", "-e", "-N", "-t", SESSION});
    if (!shot.finished || !WIFEXITED(shot.status) || WEXITSTATUS(shot.status) != 0) return std::nullopt;
    return TmuxScreen(shot.out, width, height);
}

bool TmuxSession::wait_for(const std::function<bool(const TmuxScreen&)>& ready, int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int held = 0;
    for (;;) {
        if (auto shot = capture()) {
            last = *shot;
            held = ready(last) ? held + 1 : 0;
            if (held >= 2) return true;
        }
        int left = remaining_ms(deadline);
        if (left == 0) return false;
        // The second look comes straight after the first.
        if (held == 0) std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, POLL_INTERVAL_MS)));
    }
}

bool TmuxSession::wait_for_text(int x, int y, std::string_view text, int timeout_ms) {
    auto length = static_cast<int>(text.size());
    return wait_for([&](const TmuxScreen& s) { return s.text_at(x, y, length).starts_with(text); }, timeout_ms);
}

bool TmuxSession::wait_for_screen_text(std::string_view text, int timeout_ms) {
    return wait_for([&](const TmuxScreen& s) { return s.contains(text); }, timeout_ms);
}

std::optional<TmuxPaneState> TmuxSession::pane_state() {
    // mouse_any_flag means any tracking at all; 1003 is mouse_all_flag.
    ChildRun shown = tmux({"display-message", "-p", "-t", SESSION,
                             "#{pane_dead}|#{pane_dead_status}|#{pane_dead_signal}|#{alternate_on}|"
                             "#{cursor_flag}|#{mouse_standard_flag}|#{mouse_button_flag}|"
                             "#{mouse_all_flag}|#{mouse_sgr_flag}|#{pane_width}|#{pane_height}"});
    if (!shown.finished || !WIFEXITED(shown.status) || WEXITSTATUS(shown.status) != 0) return std::nullopt;
    std::vector<int> fields;
    std::string_view text = shown.out;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '|') {
            std::string field(text.substr(start, i - start));
            fields.push_back(field.empty() ? -1 : std::atoi(field.c_str()));
            start = i + 1;
        }
    }
    if (fields.size() != 11) return std::nullopt;
    TmuxPaneState state;
    state.dead = fields[0] == 1;
    state.exit_status = fields[1];
    state.exit_signal = std::max(0, fields[2]);
    state.alternate_screen = fields[3] == 1;
    state.cursor_visible = fields[4] == 1;
    state.mouse_click = fields[5] == 1;
    state.mouse_drag = fields[6] == 1;
    state.mouse_move = fields[7] == 1;
    state.mouse_sgr = fields[8] == 1;
    state.width = fields[9];
    state.height = fields[10];
    return state;
}

std::optional<TmuxPaneState> TmuxSession::wait_exit(int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::optional<TmuxPaneState> dead;
    Clock::time_point dead_since;
    for (;;) {
        auto state = pane_state();
        if (state && state->dead) {
            if (state->exit_status >= 0 || state->exit_signal > 0) return state;
            // tmux sees the pane's side close before it has the status,
            // and tmux 3.3a now and then never gets the status at all.
            if (!dead) dead_since = Clock::now();
            dead = state;
            if (Clock::now() - dead_since > std::chrono::milliseconds(STATUS_GRACE_MS)) return dead;
        }
        int left = remaining_ms(deadline);
        if (left == 0) return dead;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, POLL_INTERVAL_MS)));
    }
}

std::vector<std::string> TmuxSession::attach_argv() const {
    return {"tmux", "-S", socket, "-f", "/dev/null", "attach-session", "-t", SESSION};
}
