// The pseudo-terminal side of the end-to-end driver: starting the program,
// moving bytes both ways without ever blocking, and reading libvterm's
// screen back.
#include "e2e/driver_support.h"
#include "e2e/vterm_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int INPUT_FLUSH_MS = 2000;
// What a program wrote before it ended is read to the terminal's close:
// the limit is only for a child it left holding the terminal, and it is
// generous, since a busy machine may keep the test from reading at all.
constexpr int DRAIN_MS = 5000;

// The wrapper's lines. Settings are read from the raw stream, where a
// `stty -g` line longer than the screen is still one piece; the start and
// exit markers are short rows on the screen that frame the program's own
// farewell text.
constexpr std::string_view BEFORE_MARK = "check-settings-before=";
constexpr std::string_view AFTER_MARK = "check-settings-after=";
constexpr std::string_view START_MARK = "check-program-start";
constexpr std::string_view EXIT_MARK = "check-exit=";

using driver_support::append_utf8;
using driver_support::remaining_ms;

// libvterm marks the right half of a double-width glyph this way.
constexpr uint32_t WIDE_TAIL = 0xFFFFFFFFu;

void append_cell(std::string& out, const VTermScreenCell& cell) {
    if (cell.chars[0] == WIDE_TAIL) return;
    if (cell.chars[0] == 0) {
        out += ' ';
        return;
    }
    for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && cell.chars[i] != 0; ++i)
        append_utf8(out, cell.chars[i]);
}

std::string trim_right(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::vector<std::string> child_environment(const TerminalLaunch& launch) {
    std::vector<std::pair<std::string, std::string>> set = {{"LANG", "C.UTF-8"}, {"TERM", "xterm-256color"}};
    set.insert(set.end(), launch.environment.begin(), launch.environment.end());
    // COLORTERM too: which colours the program sends must not depend on
    // the terminal the tests were started from.
    return environment_with(set, {"COLUMNS", "LINES", "COLORTERM", "LC_*"});
}

// In the child, between fork and exec: the test runner's blocked or
// ignored signals must not leak into the program under test.
[[noreturn]] void exec_child(const TerminalLaunch& launch, char** argv, char** envp) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig) signal(sig, SIG_DFL);
    if (!launch.working_directory.empty() && chdir(launch.working_directory.c_str()) != 0) {
        const char* message = "e2e: cannot enter the working directory\r\n";
        (void)!write(STDERR_FILENO, message, std::strlen(message));
        _exit(126);
    }
    execvpe(argv[0], argv, envp);
    const char* message = "e2e: cannot start the program\r\n";
    (void)!write(STDERR_FILENO, message, std::strlen(message));
    _exit(127);
}

// The text after `mark` up to the end of its line, from the last time the
// mark came.
std::string marked_value(const std::string& stream, std::string_view mark, bool* found) {
    auto at = stream.rfind(mark);
    if (at == std::string::npos) {
        *found = false;
        return {};
    }
    auto start = at + mark.size();
    auto end = stream.find_first_of("\r\n", start);
    return stream.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

std::vector<std::string> terminal_check_wrapper(const std::vector<std::string>& program) {
    // A trap that runs a command (not an empty one) is reset to default in
    // the program by exec, while the shell itself outlives the signal and
    // reports the program's status once it ends.
    std::string script = "trap : INT TERM HUP QUIT; ";
    // The shell's own stderr goes nowhere, or its "Terminated" notice
    // would pass for the program's farewell; the program keeps the tty.
    // dash writes that notice through the command's own redirections, so
    // the program runs in a subshell (which execs it: still a direct child).
    script += "exec 3>&2 2>/dev/null; ";
    script += "printf '%s%s\\n' '" + std::string(BEFORE_MARK) + "' \"$(stty -g)\"; ";
    script += "printf '%s\\n' '" + std::string(START_MARK) + "'; ";
    script += "( \"$@\" 2>&3 3>&- ); ";
    script += "printf '%s%s\\n' '" + std::string(EXIT_MARK) + "' \"$?\"; ";
    script += "printf '%s%s\\n' '" + std::string(AFTER_MARK) + "' \"$(stty -g)\"";
    std::vector<std::string> argv{"/bin/sh", "-c", script, "sh"};
    argv.insert(argv.end(), program.begin(), program.end());
    return argv;
}

VtermTerminal::VtermTerminal(const TerminalLaunch& launch)
    : width(launch.columns), height(launch.rows) {
    if (launch.argv.empty()) throw std::invalid_argument("VtermTerminal: no program to run");

    vt = vterm_new(height, width);
    vterm_set_utf8(vt, 1);
    vterm_output_set_callback(vt, &VtermTerminal::on_output, this);
    screen = vterm_obtain_screen(vt);
    vterm_screen_enable_altscreen(screen, 1);
    // The screen handles these events itself first (switching buffers,
    // keeping the cursor) and then hands them on to us.
    // Built field by field: newer libvterms add callbacks (0.3.3 sb_clear),
    // all left empty here.
    static const VTermScreenCallbacks callbacks = [] {
        VTermScreenCallbacks c{};
        c.settermprop = &VtermTerminal::on_termprop;
        c.sb_pushline = &VtermTerminal::on_pushline;
        return c;
    }();
    vterm_screen_set_callbacks(screen, &callbacks, this);
    vterm_screen_reset(screen, 1);

    // Everything the child needs is built before fork.
    std::vector<std::string> args = launch.argv;
    std::vector<std::string> env = child_environment(launch);
    std::vector<char*> argv = driver_support::c_strings(args);
    std::vector<char*> envp = driver_support::c_strings(env);

    winsize size{};
    size.ws_row = static_cast<unsigned short>(height);
    size.ws_col = static_cast<unsigned short>(width);
    // forkpty, not posix_spawn: the program needs the pty as its controlling terminal.
    const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
    if (pid < 0) {
        vterm_free(vt);
        throw std::runtime_error(std::string("forkpty: ") + std::strerror(errno));
    }
    if (pid == 0) exec_child(launch, argv.data(), envp.data());
    child = ChildProcess::adopt(pid);

    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
}

VtermTerminal::~VtermTerminal() {
    // The whole session goes: a shell's children would otherwise live on
    // holding the pty.
    child.stop(0);
    if (master >= 0) close(master);
    vterm_free(vt);
}

void VtermTerminal::on_output(const char* bytes, size_t length, void* self) {
    auto* terminal = static_cast<VtermTerminal*>(self);
    terminal->pending_input.append(bytes, length);
}

int VtermTerminal::on_termprop(VTermProp prop, VTermValue* value, void* self) {
    auto* terminal = static_cast<VtermTerminal*>(self);
    switch (prop) {
    case VTERM_PROP_ALTSCREEN: terminal->altscreen_on = value->boolean != 0; break;
    case VTERM_PROP_CURSORVISIBLE: terminal->cursor_shown = value->boolean != 0; break;
    case VTERM_PROP_MOUSE: terminal->mouse_tracking = value->number; break;
    default: break;
    }
    return 1;  // 0 would make libvterm refuse the change
}

int VtermTerminal::on_pushline(int cols, const VTermScreenCell* cells, void* self) {
    auto* terminal = static_cast<VtermTerminal*>(self);
    terminal->scrolled_off.push_back(trim_right(terminal->line_text(cells, cols)));
    return 1;
}

std::string VtermTerminal::line_text(const VTermScreenCell* cells, int count) const {
    std::string text;
    for (int i = 0; i < count; ++i) append_cell(text, cells[i]);
    return text;
}

void VtermTerminal::send_bytes(std::string_view bytes) {
    pending_input.append(bytes);
    flush_input(INPUT_FLUSH_MS);
}

void VtermTerminal::send_apart(std::string_view first, std::chrono::microseconds gap, std::string_view second) {
    flush_input(INPUT_FLUSH_MS);
    const auto write_all = [this](std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = write(master, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    };
    write_all(first);
    for (const auto until = Clock::now() + gap; Clock::now() < until;) {
    }
    write_all(second);
}

void VtermTerminal::send_key(VTermKey key, VTermModifier mod) {
    vterm_keyboard_key(vt, key, mod);
    flush_input(INPUT_FLUSH_MS);
}

void VtermTerminal::send_char(char32_t c, VTermModifier mod) {
    vterm_keyboard_unichar(vt, c, mod);
    flush_input(INPUT_FLUSH_MS);
}

void VtermTerminal::move(int x, int y, VTermModifier mod) {
    vterm_mouse_move(vt, y, x, mod);
    flush_input(INPUT_FLUSH_MS);
}

void VtermTerminal::mouse_button(int x, int y, int button, bool pressed, VTermModifier mod) {
    vterm_mouse_move(vt, y, x, mod);
    // libvterm 0.1.4 reports buttons even with tracking off, and wheel
    // releases, which no real terminal does; it still gets the button so
    // its drag state stays right, but what it says then is dropped.
    size_t before = pending_input.size();
    vterm_mouse_button(vt, button, pressed, mod);
    bool wheel_release = button >= 4 && !pressed;
    if (mouse_tracking == VTERM_PROP_MOUSE_NONE || wheel_release) pending_input.resize(before);
}

void VtermTerminal::press(int x, int y, int button, VTermModifier mod) {
    mouse_button(x, y, button, true, mod);
    flush_input(INPUT_FLUSH_MS);
}

void VtermTerminal::release(int x, int y, int button, VTermModifier mod) {
    mouse_button(x, y, button, false, mod);
    flush_input(INPUT_FLUSH_MS);
}

void VtermTerminal::click(int x, int y, int button, VTermModifier mod) {
    mouse_button(x, y, button, true, mod);
    mouse_button(x, y, button, false, mod);
    flush_input(INPUT_FLUSH_MS);
}

void VtermTerminal::resize(int new_columns, int new_rows) {
    width = new_columns;
    height = new_rows;
    // The emulator first, so the redraw the program answers SIGWINCH with
    // lands on a screen of the new size.
    vterm_set_size(vt, height, width);
    winsize size{};
    size.ws_row = static_cast<unsigned short>(height);
    size.ws_col = static_cast<unsigned short>(width);
    ioctl(master, TIOCSWINSZ, &size);
}

bool VtermTerminal::pump(int timeout_ms, int wake_fd) {
    if (closed) return false;
    pollfd fds[2] = {{master, static_cast<short>(POLLIN | (pending_input.empty() ? 0 : POLLOUT)), 0},
                     {wake_fd, POLLIN, 0}};
    const pollfd& fd = fds[0];
    int ready = poll(fds, 2, timeout_ms);
    // A timeout, a signal or the wake: each just ends this round.
    if (ready <= 0 || fd.revents == 0) return true;
    if ((fd.revents & POLLOUT) && !pending_input.empty()) {
        ssize_t written = write(master, pending_input.data(), pending_input.size());
        if (written > 0) pending_input.erase(0, static_cast<size_t>(written));
    }
    if (fd.revents & (POLLIN | POLLHUP | POLLERR)) {
        char buffer[16384];
        ssize_t count = read(master, buffer, sizeof buffer);
        if (count > 0) {
            output.append(buffer, static_cast<size_t>(count));
            // Answers to the program's queries go into pending_input here.
            feed_vterm(buffer, static_cast<size_t>(count));
        } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
            closed = true;  // Linux says EIO once every holder of the pty's other side is gone
        }
    }
    return !closed;
}

void VtermTerminal::flush_input(int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    // Reading goes on meanwhile: a program blocked writing to us would
    // never get round to reading its input.
    while (!pending_input.empty() && !closed) {
        int left = remaining_ms(deadline);
        if (left == 0) break;
        pump(std::min(left, 50));
    }
}

bool VtermTerminal::wait_for(const std::function<bool(const VtermTerminal&)>& ready, int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (ready(*this)) return true;
        if (closed) return false;
        int left = remaining_ms(deadline);
        if (left == 0) return false;
        pump(std::min(left, 50));
    }
}

bool VtermTerminal::wait_for_text(int x, int y, std::string_view text, int timeout_ms) {
    auto length = static_cast<int>(text.size());  // an upper bound in cells for UTF-8 text
    return wait_for([&](const VtermTerminal& t) { return t.text_at(x, y, length).starts_with(text); },
                    timeout_ms);
}

bool VtermTerminal::wait_for_screen_text(std::string_view text, int timeout_ms) {
    return wait_for([&](const VtermTerminal& t) { return t.screen_contains(text); }, timeout_ms);
}

void VtermTerminal::drain(int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!closed) {
        int left = remaining_ms(deadline);
        if (left == 0) break;
        pump(std::min(left, 50));
    }
}

int VtermTerminal::wait_exit(int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    // Reading on meanwhile: a program blocked writing its farewell would never end.
    while (!child.wait(0)) {
        int left = remaining_ms(deadline);
        if (left == 0) {
            child.stop(0);
            break;
        }
        if (closed)
            child.wait(left);
        else
            pump(left, child.exit_fd());
    }
    drain(DRAIN_MS);
    return child.status();
}

void VtermTerminal::send_signal(int sig) {
    if (child.exited()) return;
    pid_t group = closed ? -1 : tcgetpgrp(master);
    if (group > 0)
        kill(-group, sig);
    else
        kill(child.pid(), sig);
}

void VtermTerminal::signal_child(int sig) {
    if (!child.exited()) kill(child.pid(), sig);
}

bool VtermTerminal::cell(int x, int y, VTermScreenCell& out) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    return vterm_screen_get_cell(screen, VTermPos{y, x}, &out) != 0;
}

std::string VtermTerminal::text_at(int x, int y, int length) const {
    std::string text;
    VTermScreenCell c;
    for (int i = 0; i < length && cell(x + i, y, c); ++i) append_cell(text, c);
    return text;
}

char32_t cell_glyph(const VTermScreenCell& cell) {
    return cell.chars[0] == WIDE_TAIL ? 0 : cell.chars[0];
}

int palette_colour(const VTermColor& colour, bool foreground) {
    if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&colour) : VTERM_COLOR_IS_DEFAULT_BG(&colour))
        return VtermTerminal::DEFAULT_COLOR;
    return VTERM_COLOR_IS_INDEXED(&colour) ? colour.indexed.idx : VtermTerminal::RGB_COLOR;
}

long direct_rgb(const VTermColor& colour) {
    if (!VTERM_COLOR_IS_RGB(&colour)) return -1;
    return (long{colour.rgb.red} << 16) | (long{colour.rgb.green} << 8) | colour.rgb.blue;
}

char32_t VtermTerminal::glyph_at(int x, int y) const {
    VTermScreenCell c;
    return cell(x, y, c) ? cell_glyph(c) : 0;
}

int VtermTerminal::fg_at(int x, int y) const {
    VTermScreenCell c;
    return cell(x, y, c) ? palette_colour(c.fg, true) : DEFAULT_COLOR;
}

int VtermTerminal::bg_at(int x, int y) const {
    VTermScreenCell c;
    return cell(x, y, c) ? palette_colour(c.bg, false) : DEFAULT_COLOR;
}

long VtermTerminal::fg_rgb_at(int x, int y) const {
    VTermScreenCell c;
    return cell(x, y, c) ? direct_rgb(c.fg) : -1;
}

long VtermTerminal::bg_rgb_at(int x, int y) const {
    VTermScreenCell c;
    return cell(x, y, c) ? direct_rgb(c.bg) : -1;
}

bool VtermTerminal::bold_at(int x, int y) const {
    VTermScreenCell c;
    return cell(x, y, c) && c.attrs.bold;
}

bool VtermTerminal::reverse_at(int x, int y) const {
    VTermScreenCell c;
    return cell(x, y, c) && c.attrs.reverse;
}

std::string VtermTerminal::row_text(int y) const {
    return text_at(0, y, width);
}

int VtermTerminal::cursor_x() const {
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(vt), &pos);
    return pos.col;
}

int VtermTerminal::cursor_y() const {
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(vt), &pos);
    return pos.row;
}

TerminalCheck VtermTerminal::terminal_check() const {
    TerminalCheck check;
    bool found = true;
    check.settings_before = marked_value(output, BEFORE_MARK, &found);
    check.settings_after = marked_value(output, AFTER_MARK, &found);
    std::string code = marked_value(output, EXIT_MARK, &found);
    if (found && !code.empty() && code.find_first_not_of("0123456789") == std::string::npos)
        check.exit_code = std::stoi(code);
    else
        found = false;

    // The main screen as one list of rows, scrolled-off ones included, so
    // a long farewell that pushed the start marker off the top still reads
    // whole. While the alternate screen is still on, the main screen
    // cannot be read and no message is reported.
    std::vector<std::string> rows = scrolled_off;
    for (int y = 0; y < height; ++y) rows.push_back(trim_right(row_text(y)));
    auto has = [](std::string_view mark) {
        return [mark](const std::string& r) { return r.find(mark) != std::string::npos; };
    };
    auto exit_row = std::find_if(rows.rbegin(), rows.rend(), has(EXIT_MARK));
    auto start_row = std::find_if(exit_row, rows.rend(), has(START_MARK));
    if (altscreen_on || exit_row == rows.rend() || start_row == rows.rend()) {
        check.complete = false;
        return check;
    }
    std::vector<std::string> message(start_row.base(), exit_row.base() - 1);
    // A farewell without a final newline shares its row with the marker.
    std::string last = exit_row->substr(0, exit_row->find(EXIT_MARK));
    if (!last.empty()) message.push_back(trim_right(last));
    while (!message.empty() && message.front().empty()) message.erase(message.begin());
    while (!message.empty() && message.back().empty()) message.pop_back();
    check.message_lines = std::move(message);
    check.complete = found;
    return check;
}

// libvterm 0.1.4 mishandles a UTF-8 character split between two writes
// when ASCII came before it (it shows U+FFFD and shifts the text): hand it
// whole characters only, keeping a cut-off tail for the next read.
void VtermTerminal::feed_vterm(const char* bytes, size_t count) {
    std::string chunk = utf8_tail + std::string(bytes, count);
    size_t keep = 0;
    // A tail of at most three bytes that starts a character not yet complete.
    for (size_t back = 1; back <= 3 && back <= chunk.size(); ++back) {
        const auto byte = static_cast<unsigned char>(chunk[chunk.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        if (length > back) keep = back;
        break;
    }
    utf8_tail = chunk.substr(chunk.size() - keep);
    vterm_input_write(vt, chunk.data(), chunk.size() - keep);
}
