// Bytes that reach the terminal for typical screen updates of the game, in
// both colour modes, against the floor (the fewest bytes any stream of
// widely supported sequences needs for the same frames) and against ncurses
// making the same cell updates with a refresh at the same observation
// points. Prints a table; never fails.
//
// The game's side runs the very code of the terminal console's present():
// render_changes and one write of the frame. ncurses writes to a file; its
// write calls are counted by standing in for write() below.
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <ncursesw/curses.h>

#include "byte_floor.h"
#include "platform/screen_buffer.h"
#include "platform/terminal/code_page_437.h"
#include "platform/terminal/renderer.h"
#include "screen_sequences.h"
#include "table_row.h"

namespace {

int counted_fd = -1;
long curses_writes = 0;

}  // namespace

// Every write ncurses makes to the file it is measured on is counted here.
extern "C" ssize_t write(int fd, const void* bytes, size_t count) {
    if (fd == counted_fd) ++curses_writes;
    return syscall(SYS_write, fd, bytes, count);
}

namespace {

struct Totals {
    long bytes = 0;
    long writes = 0;
    long most_writes = 0;  // in one observation point
};

const char* mode_name(ColourMode mode) { return mode == ColourMode::rgb ? "24-bit colour" : "16 colours"; }

// The game's renderer, frame by frame, from frame 0 already shown; start
// gets what it knew of the terminal then.
Totals game_bytes(const ScreenSequence& seq, ColourMode mode, ShownScreen& start) {
    ShownScreen shown;
    std::string frame;
    render_changes(seq.frames[0], shown, frame, mode);
    start = shown;
    Totals totals;
    for (std::size_t i = 1; i < seq.frames.size(); ++i) {
        frame.clear();
        render_changes(seq.frames[i], shown, frame, mode);
        if (frame.empty()) continue;
        totals.bytes += static_cast<long>(frame.size());
        ++totals.writes;
        totals.most_writes = 1;
    }
    return totals;
}

// The console's colour bits in ANSI order, for the terminal's 16 colours.
short ansi_colour(int console_colour) {
    const int ansi = ((console_colour & 1) << 2) | (console_colour & 2) | ((console_colour & 4) >> 2);
    return static_cast<short>(ansi + (console_colour & 8 ? 8 : 0));
}

// One ncurses screen writing to a file of its own: xterm-256color for the
// 16 colours, xterm-direct (colour numbers are 0xRRGGBB) for 24-bit colour.
// Colour pair attribute + 1 is the console attribute.
class Curses {
public:
    explicit Curses(ColourMode mode) {
        char path[] = "/tmp/render_bench_XXXXXX";
        fd = mkstemp(path);
        std::remove(path);
        out = fdopen(fd, "w");
        in = std::fopen("/dev/null", "r");
        screen = newterm(mode == ColourMode::rgb ? "xterm-direct" : "xterm-256color", out, in);
        if (!screen) {
            std::fprintf(stderr, "render_bytes_bench: no terminfo entry for %s\n", mode_name(mode));
            std::exit(1);
        }
        set_term(screen);
        resizeterm(SCREEN_HEIGHT, SCREEN_WIDTH);
        start_color();
        for (int attr = 0; attr < 256; ++attr) {
            if (mode == ColourMode::rgb) {
                init_extended_pair(attr + 1, static_cast<int>(console_rgb(attr & 15)),
                                   static_cast<int>(console_rgb(attr >> 4)));
            } else {
                init_pair(static_cast<short>(attr + 1), ansi_colour(attr & 15), ansi_colour(attr >> 4));
            }
        }
        curs_set(0);
    }

    ~Curses() {
        set_term(screen);
        endwin();
        delscreen(screen);
        std::fclose(out);
        std::fclose(in);
    }

    Curses(const Curses&) = delete;
    Curses& operator=(const Curses&) = delete;

    // ncurses at one observation point: it is handed the whole screen as
    // the game wants it and sends what it thinks changed.
    void present(const ScreenBuffer& wanted, Totals& totals) {
        set_term(screen);
        for (int y = 0; y < SCREEN_HEIGHT; ++y)
            for (int x = 0; x < SCREEN_WIDTH; ++x) {
                const Cell& cell = wanted.at(x, y);
                wchar_t glyph[2] = {static_cast<wchar_t>(cp437_to_unicode(cell.ch)), 0};
                cchar_t c;
                setcchar(&c, glyph, A_NORMAL, static_cast<short>(cell.attr + 1), nullptr);
                // The bottom-right cell would scroll a plain window; ins_wch avoids it.
                if (x == SCREEN_WIDTH - 1 && y == SCREEN_HEIGHT - 1) {
                    mvins_wch(y, x, &c);
                } else {
                    mvadd_wch(y, x, &c);
                }
            }
        counted_fd = fd;
        const off_t before = lseek(fd, 0, SEEK_CUR);
        const long writes_before = curses_writes;
        refresh();
        const long bytes = lseek(fd, 0, SEEK_CUR) - before;
        const long writes = curses_writes - writes_before;
        counted_fd = -1;
        totals.bytes += bytes;
        totals.writes += writes;
        totals.most_writes = std::max(totals.most_writes, writes);
    }

private:
    int fd = -1;
    FILE* out = nullptr;
    FILE* in = nullptr;
    SCREEN* screen = nullptr;
};

Totals curses_bytes(Curses& curses, const ScreenSequence& seq) {
    Totals ignored, totals;
    curses.present(seq.frames[0], ignored);
    for (std::size_t i = 1; i < seq.frames.size(); ++i) curses.present(seq.frames[i], totals);
    return totals;
}

// Per walking step for a walk, the whole sequence otherwise.
double per_step(const ScreenSequence& seq, long bytes) {
    return seq.steps > 0 ? static_cast<double>(bytes) / seq.steps : static_cast<double>(bytes);
}

}  // namespace

int main() {
    std::setlocale(LC_ALL, "C.UTF-8");
    const std::vector<ScreenSequence> sequences = screen_sequences();

    std::printf("%-27s %-13s %6s | %7s %6s | %7s %6s %8s | %7s %6s %6s\n", "sequence", "colours", "frames", "game",
                "writes", "floor", "ratio", "floor ms", "ncurses", "writes", "max/pt");
    for (const ColourMode mode : {ColourMode::standard16, ColourMode::rgb}) {
        Curses curses(mode);
        for (const ScreenSequence& seq : sequences) {
            ShownScreen start;
            const Totals game = game_bytes(seq, mode, start);
            const auto began = std::chrono::steady_clock::now();
            const long floor = byte_floor(seq.frames, start, mode);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - began;
            const Totals theirs = curses_bytes(curses, seq);
            const double ratio = floor > 0 ? static_cast<double>(game.bytes) / static_cast<double>(floor) : 1.0;

            std::printf("%-27s %-13s %6zu | %7ld %6ld | %7ld %5.2fx %8.1f | %7ld %6ld %6ld\n", seq.name.c_str(),
                        mode_name(mode), seq.frames.size() - 1, game.bytes, game.writes, floor, ratio, took.count(),
                        theirs.bytes, theirs.writes, theirs.most_writes);
            char row[120];
            std::snprintf(row, sizeof row, "terminal bytes, %s, %s", seq.name.c_str(), mode_name(mode));
            if (seq.steps > 0) {
                table_row(row, "%.1f bytes a step (floor %.1f, %.2fx; ncurses %.1f)", per_step(seq, game.bytes),
                          per_step(seq, floor), ratio, per_step(seq, theirs.bytes));
            } else {
                table_row(row, "%ld bytes (floor %ld, %.2fx; ncurses %ld)", game.bytes, floor, ratio, theirs.bytes);
            }
        }
    }
    std::printf("(bytes and write calls over the frames after the first, which both had shown; floor ms: the\n"
                " floor's own run time; in the summary a walk's figures are per step)\n");
    return 0;
}
