// Bytes and write calls that reach the terminal for typical screen updates
// of the game, against ncurses making the same cell updates with a refresh
// at the same observation points. Prints a table; never fails.
//
// The game's side runs the very code of the terminal console's present():
// the bells, render_changes, one write of the frame. ncurses writes to a
// file; its write calls are counted by standing in for write() below.
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <ncursesw/curses.h>

#include "platform/terminal/code_page_437.h"
#include "platform/terminal/renderer.h"
#include "platform/screen_buffer.h"
#include "table_row.h"

namespace {

int counted_fd = -1;
long ncurses_writes = 0;

}  // namespace

// Every write ncurses makes to its output file is counted here.
extern "C" ssize_t write(int fd, const void* bytes, size_t count) {
    if (fd == counted_fd) ++ncurses_writes;
    return syscall(SYS_write, fd, bytes, count);
}

namespace {

struct Totals {
    long bytes = 0;
    long writes = 0;
    long observation_points = 0;
    long max_writes_per_point = 0;
};

// The game's renderer at one observation point.
void game_present(ScreenBuffer& screen, ShownScreen& shown, Totals& totals) {
    std::string frame;
    for (int bells = screen.take_bells(); bells > 0; --bells) frame += '\a';
    render_changes(screen, shown, frame);
    ++totals.observation_points;
    if (frame.empty()) return;
    totals.bytes += static_cast<long>(frame.size());
    ++totals.writes;
    totals.max_writes_per_point = std::max(totals.max_writes_per_point, 1L);
}

short curses_colour(int console_colour) {
    const int ansi = ((console_colour & 1) << 2) | (console_colour & 2) | ((console_colour & 4) >> 2);
    return static_cast<short>(ansi + (console_colour & 8 ? 8 : 0));
}

// ncurses at one observation point: it is handed the whole screen as the
// game wants it and sends what it thinks changed.
void curses_present(const ScreenBuffer& screen, int out_fd, Totals& totals) {
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const Cell& cell = screen.at(x, y);
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
    const off_t before = lseek(out_fd, 0, SEEK_CUR);
    const long writes_before = ncurses_writes;
    refresh();
    const off_t after = lseek(out_fd, 0, SEEK_CUR);
    ++totals.observation_points;
    totals.bytes += static_cast<long>(after - before);
    totals.writes += ncurses_writes - writes_before;
    totals.max_writes_per_point = std::max(totals.max_writes_per_point, ncurses_writes - writes_before);
}

void write_at(ScreenBuffer& s, int x, int y, int attr, const std::string& text) {
    s.set_cursor(x, y);
    s.set_attribute(static_cast<unsigned char>(attr));
    s.write(text.data(), text.size());
}

// The screen sequences, each calling present() at its observation points.
using Present = std::function<void()>;

void frame_and_text(ScreenBuffer& s, const Present& present) {
    s.set_attribute(0);
    s.fill_chars(' ', SCREEN_CELLS);
    s.fill_attributes(0, SCREEN_CELLS);
    std::string top(1, '\xc9'), bottom(1, '\xc8');
    top += std::string(77, '\xcd') + "\xbb";
    bottom += std::string(77, '\xcd') + "\xbc";
    write_at(s, 0, 0, 7, top);
    for (int y = 1; y < 23; ++y) {
        write_at(s, 0, y, 7, "\xba");
        write_at(s, 78, y, 7, "\xba");
    }
    write_at(s, 0, 23, 7, bottom);
    write_at(s, 50, 2, 11, "Dragon");
    write_at(s, 50, 3, 12, "HP 200");
    write_at(s, 3, 18, 14, "Attack   Defend   Magic   Item   Escape");
    write_at(s, 3, 20, 15, "Dunmar  HP 200  MP 700  Lv 1  Exp 0");
    present();
}

void map_grid(ScreenBuffer& s, const Present& present) {
    const int attrs[] = {170, 161, 160, 168, 145, 161};
    const char glyphs[] = {' ', 6, 4, '\xb0', '\xb2', 5};
    for (int i = 0; i < 55 * 21; ++i) {
        const int code = (i * 7 + i / 55 * 3) % 13 % 6;
        s.set_cursor(4 + i % 55, 2 + i / 55);
        s.set_attribute(static_cast<unsigned char>(attrs[code]));
        s.write(&glyphs[code], 1);
    }
    present();
}

void moving_cell(ScreenBuffer& s, const Present& present) {
    for (int step = 0; step < 50; ++step) {
        write_at(s, 5 + step, 10, 170, " ");
        write_at(s, 6 + step, 10, 160, "\x01");
        present();  // the walk step's pause
    }
}

void floating_number(ScreenBuffer& s, const Present& present) {
    for (int step = 0; step < 4; ++step) {
        write_at(s, 55, 12 - step, 12, "137");
        present();  // the pause between the steps
        write_at(s, 55, 12 - step, 15, "   ");
    }
    present();
}

struct Sequence {
    const char* name;
    void (*run)(ScreenBuffer&, const Present&);
};

}  // namespace

int main() {
    std::setlocale(LC_ALL, "C.UTF-8");
    char path[] = "/tmp/render_bench_XXXXXX";
    const int out_fd = mkstemp(path);
    FILE* out = fdopen(out_fd, "w");
    FILE* in = std::fopen("/dev/null", "r");
    counted_fd = out_fd;
    setenv("TERM", "xterm-256color", 1);
    SCREEN* curses = newterm("xterm-256color", out, in);
    set_term(curses);
    resizeterm(SCREEN_HEIGHT, SCREEN_WIDTH);
    start_color();
    for (int attr = 0; attr < 256; ++attr)
        init_pair(static_cast<short>(attr + 1), curses_colour(attr & 15), curses_colour(attr >> 4));
    curs_set(0);

    const Sequence sequences[] = {
        {"full-screen frame and text", frame_and_text},
        {"map grid, cell by cell", map_grid},
        {"cell moving, pause a step", moving_cell},
        {"four-step floating number", floating_number},
    };

    std::printf("%-28s %8s %8s %8s | %8s %8s %8s | %s\n", "sequence", "points", "bytes", "writes", "curses", "writes",
                "max/pt", "game/curses");
    for (const Sequence& seq : sequences) {
        // Both start from the same screen, already shown.
        ScreenBuffer game_screen;
        ShownScreen shown;
        Totals ignored, game, theirs;
        game_present(game_screen, shown, ignored);
        curses_present(game_screen, out_fd, ignored);

        seq.run(game_screen, [&] { game_present(game_screen, shown, game); });
        ScreenBuffer curses_screen;
        seq.run(curses_screen, [&] { curses_present(curses_screen, out_fd, theirs); });

        std::printf("%-28s %8ld %8ld %8ld | %8ld %8ld %8ld | %.2f\n", seq.name, game.observation_points, game.bytes,
                    game.writes, theirs.bytes, theirs.writes, theirs.max_writes_per_point,
                    static_cast<double>(game.bytes) / static_cast<double>(theirs.bytes));
        char row[80];
        std::snprintf(row, sizeof row, "terminal bytes, %s", seq.name);
        table_row(row, "%ld bytes in %ld write%s (ncurses %ld in %ld)", game.bytes, game.writes,
                  game.writes == 1 ? "" : "s", theirs.bytes, theirs.writes);
        // Leave both terminals blank for the next sequence.
        ScreenBuffer blank;
        game_present(blank, shown, ignored);
        curses_present(blank, out_fd, ignored);
    }
    endwin();
    std::fclose(out);
    std::remove(path);
    return 0;
}
