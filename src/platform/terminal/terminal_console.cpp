#include "platform/terminal/terminal_console.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/terminal/terminal_session.h"

namespace {

TerminalConsole* the_terminal = nullptr;

void present_at_exit() {
    if (the_terminal) the_terminal->present();
}

}  // namespace

TerminalConsole& TerminalConsole::open() {
    if (the_terminal) return *the_terminal;
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        std::fputs("dunmar: the game needs a terminal: start it without redirecting its input or output\n", stderr);
        std::exit(2);
    }
    const int drawing = begin_terminal_session(STDIN_FILENO, STDOUT_FILENO);
    // The classic palette as exact RGB where the terminal says it takes it,
    // so no colour theme repaints the world.
    static TerminalConsole terminal(STDIN_FILENO, drawing, colour_mode_for(std::getenv("COLORTERM")));
    the_terminal = &terminal;
    install_pause_waiter(&terminal);
    // Registered after the session's own handler, so it runs first: the
    // last frame is shown before the terminal is given back.
    std::atexit(present_at_exit);
    return terminal;
}

void TerminalConsole::send(const std::string& bytes) {
    if (bytes.empty()) return;
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    ++write_calls;
    set_frame_in_flight(true);
    while (left > 0) {
        const ssize_t n = write(out, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the terminal is gone; the next read will find out
        p += n;
        left -= static_cast<std::size_t>(n);
        sent_bytes += n;
        if (left > 0) ++write_calls;
    }
    set_frame_in_flight(false);
}

bool TerminalConsole::terminal_big_enough() {
    winsize size{};
    if (ioctl(out, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return true;  // size unknown: try anyway
    if (size.ws_col >= SCREEN_WIDTH && size.ws_row >= SCREEN_HEIGHT) {
        // In a larger window the screen sits in the middle, on blank margins.
        shown.origin_x = (size.ws_col - SCREEN_WIDTH) / 2;
        shown.origin_y = (size.ws_row - SCREEN_HEIGHT) / 2;
        queue.set_origin(shown.origin_x, shown.origin_y);
        return true;
    }
    show_size_notice(size.ws_col, size.ws_row);
    return false;
}

void TerminalConsole::show_size_notice(int columns, int rows) {
    // Painted cell by cell in the game's own colours, as the playfield is:
    // light grey on black.
    std::string notice;
    append_colours(notice, 7, 0, colours);
    for (int row = 1; row <= rows; ++row) {
        notice += "\x1b[" + std::to_string(row) + "H";
        notice.append(static_cast<std::size_t>(columns), ' ');
    }
    char text[200];
    std::snprintf(text, sizeof text,
                  "\x1b[H"
                  "This terminal is %d x %d. Dunmar needs at least %d x %d:\r\n"
                  "please make the window larger.",
                  columns, rows, SCREEN_WIDTH, SCREEN_HEIGHT);
    notice += text;
    send(notice);
    shown.forget();
}

void TerminalConsole::wait_until_big_enough() {
    // The game stands still, music and all else, until the player has
    // made room; a resize wakes us.
    bool noticed = false;
    while (!terminal_big_enough()) {
        noticed = true;
        pollfd wake{terminal_wake_fd(), POLLIN, 0};
        if (poll(&wake, 1, -1) < 0 && errno != EINTR) return;
        take_terminal_wake();
    }
    // The screen may not cover the notice now: the margins show nothing.
    if (noticed) send("\x1b[0m\x1b[2J");
}

void TerminalConsole::present() {
    if (take_terminal_wake()) {
        // Resized, or back from a suspension: the terminal shows nothing we
        // know of.
        send("\x1b[0m\x1b[2J");
        shown.forget();
    }
    if (!shown.valid && !exiting) wait_until_big_enough();
    frame.clear();
    for (int bells = buffer.take_bells(); bells > 0; --bells) frame += '\a';
    if (pointer.shown() && !exiting) {
        // The keyboard pointer is the terminal's to show, never the game's:
        // the cell under it in reverse, on a copy of the screen.
        ScreenBuffer with_pointer = buffer;
        const unsigned char attr = buffer.at(pointer.x(), pointer.y()).attr;
        unsigned char reversed = static_cast<unsigned char>(((attr & 15) << 4) | (attr >> 4));
        // Ink and paper alike would hide it: light grey (or black on light
        // grey) shows on any cell.
        if (reversed == attr) reversed = (attr >> 4) == 7 ? 0x07 : 0x70;
        with_pointer.fill_attributes(reversed, 1, pointer.x(), pointer.y());
        render_changes(with_pointer, shown, frame, colours);
    } else {
        render_changes(buffer, shown, frame, colours);
    }
    send(frame);
}

void TerminalConsole::take_input(std::optional<std::chrono::steady_clock::time_point> deadline) {
    using std::chrono::steady_clock;
    if (queue.pending()) {
        const steady_clock::time_point escape_deadline = last_byte + ESCAPE_TIMEOUT;
        if (!deadline || escape_deadline < *deadline) deadline = escape_deadline;
    }
    // An open arrival is waited out on the same poll: the rest of the
    // moment may still be on its way.
    if (const std::optional<steady_clock::time_point> window_end = queue.window_end())
        if (!deadline || *window_end < *deadline) deadline = *window_end;
    timespec timeout{};
    if (deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(*deadline - steady_clock::now());
        if (left.count() > 0) {
            timeout.tv_sec = static_cast<time_t>(left.count() / 1000000000);
            timeout.tv_nsec = static_cast<long>(left.count() % 1000000000);
        }
    }
    // A descriptor of -1 is left out of the poll: once the terminal has hung
    // up it would report so at once, for ever.
    pollfd fds[2] = {{input_gone ? -1 : in, POLLIN, 0}, {terminal_wake_fd(), POLLIN, 0}};
    if (ppoll(fds, 2, deadline ? &timeout : nullptr, nullptr) < 0) return;  // a signal: the caller looks again
    if (fds[1].revents & POLLIN) present();  // repaints after a resize
    bool read_some = false;
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
        char bytes[4096];
        const ssize_t n = read(in, bytes, sizeof bytes);
        if (n > 0) {
            read_some = true;
            last_byte = steady_clock::now();
            queue.arrive(bytes, static_cast<std::size_t>(n), last_byte);
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            input_gone = true;
        }
    }
    if (!read_some) queue.window_passed(steady_clock::now());
    follow_the_mouse();
    if (queue.pending() && steady_clock::now() - last_byte >= ESCAPE_TIMEOUT) queue.escape_timeout();
}

void TerminalConsole::follow_the_mouse() {
    // The keyboard pointer gives way the moment the real mouse moves.
    if (const std::optional<ConsoleEvent> report = queue.take_mouse_report()) pointer.follow_mouse(*report);
}

ConsoleEvent TerminalConsole::read_event() {
    present();
    while (queue.empty()) {
        if (input_gone) {
            exiting = true;
            std::exit(1);
        }
        take_input(std::nullopt);
    }
    installed_clock().input_waited();
    return queue.take();
}

void TerminalConsole::wait_until(std::chrono::steady_clock::time_point deadline) {
    while (std::chrono::steady_clock::now() < deadline) take_input(deadline);
}

bool TerminalConsole::key_press_queued() {
    present();
    take_input(std::chrono::steady_clock::now());
    return queue.holds_key_press();
}

void TerminalConsole::drop_queued_input(std::vector<ConsoleEvent>& dropped) {
    // Decode everything that has arrived, so that a report cut in half
    // is not mistaken for keys later, then throw the events away.
    pollfd ready{in, POLLIN, 0};
    while (!input_gone && poll(&ready, 1, 0) > 0 && (ready.revents & POLLIN)) {
        char bytes[4096];
        const ssize_t n = read(in, bytes, sizeof bytes);
        if (n <= 0) break;
        last_byte = std::chrono::steady_clock::now();
        queue.arrive(bytes, static_cast<std::size_t>(n), last_byte);
    }
    dropped = queue.drop_events();
}
