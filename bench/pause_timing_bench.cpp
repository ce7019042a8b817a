// Wall time of runs of short pauses: the sparkle effect's 1896 pauses of
// 2 ms and the dissolve's 400, each with a little drawing between the pauses
// as in the game, and the picture's lines. Each run twice: on the wall clock
// alone, and through the terminal console on a pseudo-terminal, where a
// pause also reads the player's input as it comes. The terminal's CPU time
// over long pauses with nothing arriving is measured too. Prints figures
// against nominal; never fails.
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/pause.h"
#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/screen_buffer.h"
#include "platform/terminal/renderer.h"
#include "platform/terminal/terminal_console.h"
#include "table_row.h"

namespace {

// Where the run on the terminal writes its rows: its standard output is the
// terminal, and the console sends that nowhere.
constexpr const char* ROWS_FD = "PAUSE_BENCH_ROWS_FD";

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(FILE* out, const char* where, const char* what, int pauses, int ms, double seconds) {
    const double nominal = pauses * ms / 1000.0;
    const double off = (seconds - nominal) / nominal * 100;
    std::fprintf(out, "%-10s %-30s %5d x %d ms: %.4f s, nominal %.3f s, %+.2f %%\n", where, what, pauses, ms, seconds,
                 nominal, off);
    std::fprintf(out, "TABLE\tpauses, %s, %s\t%d x %d ms: %+.2f %% off\n", what, where, pauses, ms, off);
}

// The wall clock by itself, rendering into memory.
void run_on_clock(const char* what, int pauses, int ms, bool draw) {
    WallClock clock;
    ScreenBuffer screen;
    ShownScreen shown;
    std::string frame;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < pauses; ++i) {
        if (draw) {
            // One cell changes and is rendered, as at every observation point.
            screen.set_cursor(i % 79, (i / 79) % 24);
            screen.write("*", 1);
            frame.clear();
            render_changes(screen, shown, frame);
        }
        clock.pause(ms);
    }
    report(stdout, "clock", what, pauses, ms, seconds_since(start));
}

// The game's own Sleep on the terminal console: the frame is sent, then the
// pause waits on the terminal until its deadline.
void run_on_terminal(FILE* out, const char* what, int pauses, int ms, bool draw) {
    ScreenBuffer& screen = console_device().screen();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < pauses; ++i) {
        if (draw) {
            screen.set_cursor(i % 79, (i / 79) % 24);
            screen.write("*", 1);
        }
        Sleep(ms);
    }
    // What the run still owes the clock, as the game's next look at the
    // player's input would wait it out.
    installed_clock().settle();
    report(out, "terminal", what, pauses, ms, seconds_since(start));
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int terminal_side(int rows_fd) {
    FILE* out = fdopen(rows_fd, "w");
    if (!out) return 1;
    install_console_device(TerminalConsole::open());
    run_on_terminal(out, "sparkles (pauses only)", 1896, 2, false);
    run_on_terminal(out, "sparkles (drawing each cell)", 1896, 2, true);
    run_on_terminal(out, "dissolve (drawing each cell)", 400, 2, true);
    run_on_terminal(out, "picture lines", 22, 40, true);
    // The victory's long pause, with nothing arriving: no polling, so
    // next to no CPU.
    const double cpu_before = cpu_seconds();
    const auto start = std::chrono::steady_clock::now();
    Sleep(5000);
    const double waited = seconds_since(start);
    const double used = cpu_seconds() - cpu_before;
    std::fprintf(out, "terminal   one pause of 5 s, nothing arriving: CPU %.2f ms (%.3f %%)\n", used * 1000,
                 used * 100 / waited);
    std::fprintf(out, "TABLE\tCPU during a 5 s pause on the terminal\t%.3f %%\n", used * 100 / waited);
    std::fclose(out);
    return 0;
}

// Runs this program again on a pseudo-terminal for the terminal's runs,
// keeping the terminal's output drained, and passes its rows on.
void terminal_runs(const char* self) {
    int rows[2];
    if (pipe(rows) != 0) return;
    int master = -1;
    winsize size{};
    size.ws_col = 80;
    size.ws_row = 25;
    const pid_t child = forkpty(&master, nullptr, nullptr, &size);
    if (child == 0) {
        close(rows[0]);
        setenv(ROWS_FD, std::to_string(rows[1]).c_str(), 1);
        setenv("TERM", "xterm-256color", 1);
        execl(self, self, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(rows[1]);
    std::string text;
    for (bool rows_open = true; rows_open;) {
        pollfd fds[2] = {{master, POLLIN, 0}, {rows[0], POLLIN, 0}};
        if (poll(fds, 2, 30000) <= 0) break;
        char bytes[4096];
        if (fds[0].revents & (POLLIN | POLLHUP) && read(master, bytes, sizeof bytes) <= 0) fds[0].fd = -1;
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            const ssize_t n = read(rows[0], bytes, sizeof bytes);
            if (n <= 0) rows_open = false;
            else text.append(bytes, static_cast<std::size_t>(n));
        }
    }
    waitpid(child, nullptr, 0);
    close(master);
    close(rows[0]);
    std::fputs(text.c_str(), stdout);
}

}  // namespace

int main() {
    if (const char* fd = std::getenv(ROWS_FD)) return terminal_side(std::atoi(fd));
    run_on_clock("sparkles (pauses only)", 1896, 2, false);
    run_on_clock("sparkles (drawing each cell)", 1896, 2, true);
    run_on_clock("dissolve (drawing each cell)", 400, 2, true);
    run_on_clock("picture lines", 22, 40, true);
    terminal_runs("/proc/self/exe");
    return 0;
}
