#include "platform/terminal/renderer.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/terminal/code_page_437.h"

namespace {

// The console numbers its colour bits blue 1, green 2, red 4; ANSI numbers
// them red 1, green 2, blue 4.
int ansi_index(int console_colour) {
    return ((console_colour & 1) << 2) | (console_colour & 2) | ((console_colour & 4) >> 2);
}

void append_number(std::string& out, int n) { out += std::to_string(n); }

int digits(int n) { return n >= 100 ? 3 : n >= 10 ? 2 : 1; }

int foreground_of(const Cell& cell) { return cell.attr & 15; }
int background_of(const Cell& cell) { return cell.attr >> 4; }

// A blank shows only its background: its foreground colour is invisible,
// and any blank looks like a space.
bool is_blank(unsigned char ch) { return ch == ' ' || ch == 0 || ch == 255; }

bool looks_same(const Cell& a, const Cell& b) {
    if (a == b) return true;
    return is_blank(a.ch) && is_blank(b.ch) && background_of(a) == background_of(b);
}

int glyph_length(unsigned char ch) {
    if (is_blank(ch)) return 1;
    char utf8[3];
    return cp437_to_utf8(ch, utf8);
}

void append_glyph(std::string& out, unsigned char ch) {
    if (is_blank(ch)) {
        out += ' ';
        return;
    }
    char utf8[3];
    out.append(utf8, cp437_to_utf8(ch, utf8));
}

// Whether the cell can be written in the colours the terminal has now.
bool colours_fit(const Cell& cell, const ShownScreen& shown) {
    if (shown.bg < 0 || background_of(cell) != shown.bg) return false;
    return is_blank(cell.ch) || foreground_of(cell) == shown.fg;
}

void append_colour(std::string& out, int colour, bool background, ColourMode mode) {
    if (mode == ColourMode::standard16) {
        append_number(out, background ? sgr_background(colour) : sgr_foreground(colour));
        return;
    }
    const unsigned rgb = console_rgb(colour);
    out += background ? "48;2;" : "38;2;";
    append_number(out, static_cast<int>(rgb >> 16));
    out += ';';
    append_number(out, static_cast<int>((rgb >> 8) & 0xff));
    out += ';';
    append_number(out, static_cast<int>(rgb & 0xff));
}

// One SGR with only what changes; -1 leaves that colour as it is.
void append_sgr(std::string& out, int fg, int bg, ColourMode mode) {
    if (fg < 0 && bg < 0) return;
    out += "\x1b[";
    if (fg >= 0) append_colour(out, fg, false, mode);
    if (fg >= 0 && bg >= 0) out += ';';
    if (bg >= 0) append_colour(out, bg, true, mode);
    out += 'm';
}

// The foreground the next glyph to be written will want, if an SGR sent
// now for a blank in this background can carry it: only blanks of the same
// background come between, so no other SGR would. -1 if there is none.
int foreground_ahead(const ScreenBuffer& screen, const std::vector<int>& changed, std::size_t from, int bg) {
    for (std::size_t k = from; k < changed.size(); ++k) {
        const Cell& cell = screen.all()[changed[k]];
        if (background_of(cell) != bg) return -1;
        if (!is_blank(cell.ch)) return foreground_of(cell);
    }
    return -1;
}

void set_colours(const Cell& cell, int fg_ahead, ShownScreen& shown, std::string& out, ColourMode mode) {
    const int bg = background_of(cell);
    // A blank needs no foreground; it may as well set the one coming next.
    int fg = is_blank(cell.ch) ? (fg_ahead >= 0 ? fg_ahead : shown.fg) : foreground_of(cell);
    append_sgr(out, fg != shown.fg ? fg : -1, bg != shown.bg ? bg : -1, mode);
    shown.fg = fg;
    shown.bg = bg;
}

// Bytes of a relative move by n cells: ESC [ C, or ESC [ n C.
int csi_move_cost(int n) { return n == 1 ? 3 : 3 + digits(n); }

int absolute_cost(int x, int y, const ShownScreen& shown) {
    x += shown.origin_x;
    y += shown.origin_y;
    if (x == 0) return y == 0 ? 3 : 3 + digits(y + 1);  // ESC [ H, ESC [ row H
    return 4 + digits(y + 1) + digits(x + 1);
}

constexpr int NO_WAY = 1 << 20;

// A move as a vertical part then a horizontal part, from the column the
// cursor has (or column 0 after a carriage return).
struct Move {
    bool absolute = true;
    bool carriage_return = false;
    int from_x = 0;  // the column the horizontal part starts from
    int cost = NO_WAY;
};

int vertical_cost(int dy) {
    if (dy == 0) return 0;
    if (dy > 0) return dy < csi_move_cost(dy) ? dy : csi_move_cost(dy);  // line feeds or CUD
    return csi_move_cost(-dy);
}

// Writing again the cells from from_x up to x on row y moves the cursor
// too, if they can be written in the colours set now.
int reprint_cost(int from_x, int x, int y, const ShownScreen& shown, int limit) {
    int cost = 0;
    for (int gx = from_x; gx < x && cost < limit; ++gx) {
        const Cell& cell = shown.cells[y * SCREEN_WIDTH + gx];
        if (!colours_fit(cell, shown)) return NO_WAY;
        cost += glyph_length(cell.ch);
    }
    return cost;
}

int horizontal_cost(int from_x, int x, int y, const ShownScreen& shown) {
    if (x == from_x) return 0;
    if (x < from_x) {
        const int back = from_x - x;
        return back < csi_move_cost(back) ? back : csi_move_cost(back);  // backspaces or CUB
    }
    const int forward = csi_move_cost(x - from_x);
    const int reprint = reprint_cost(from_x, x, y, shown, forward);
    return reprint < forward ? reprint : forward;
}

Move cheapest_move(int x, int y, const ShownScreen& shown) {
    Move best;
    best.cost = absolute_cost(x, y, shown);
    if (shown.cursor_y < 0) return best;
    // After the last column a terminal waits to wrap, and what a relative
    // move does then differs from one terminal to the next; a carriage
    // return is the same everywhere.
    const bool pending_wrap = shown.cursor_x >= SCREEN_WIDTH;
    const int vertical = vertical_cost(y - shown.cursor_y);
    for (const bool carriage_return : {false, true}) {
        if (!carriage_return && pending_wrap) continue;
        // A carriage return goes to the terminal's first column, which is
        // the screen's only when the screen is not set in from the left.
        if (carriage_return && shown.origin_x != 0) continue;
        const int from_x = carriage_return ? 0 : shown.cursor_x;
        const int cost = (carriage_return ? 1 : 0) + vertical + horizontal_cost(from_x, x, y, shown);
        if (cost < best.cost) best = {false, carriage_return, from_x, cost};
    }
    return best;
}

void append_csi_move(std::string& out, int n, char final) {
    out += "\x1b[";
    if (n != 1) append_number(out, n);
    out += final;
}

void move_cursor(int x, int y, ShownScreen& shown, std::string& out) {
    if (shown.cursor_x == x && shown.cursor_y == y) return;
    const Move move = cheapest_move(x, y, shown);
    if (move.absolute) {
        const int column = x + shown.origin_x;
        const int row = y + shown.origin_y;
        out += "\x1b[";
        if (row != 0 || column != 0) append_number(out, row + 1);
        if (column != 0) {
            out += ';';
            append_number(out, column + 1);
        }
        out += 'H';
    } else {
        if (move.carriage_return) out += '\r';
        const int dy = y - shown.cursor_y;
        if (dy > 0 && dy < csi_move_cost(dy)) out.append(static_cast<std::size_t>(dy), '\n');
        else if (dy > 0) append_csi_move(out, dy, 'B');
        else if (dy < 0) append_csi_move(out, -dy, 'A');
        const int dx = x - move.from_x;
        if (dx < 0 && -dx < csi_move_cost(-dx)) {
            out.append(static_cast<std::size_t>(-dx), '\b');
        } else if (dx < 0) {
            append_csi_move(out, -dx, 'D');
        } else if (dx > 0) {
            if (reprint_cost(move.from_x, x, y, shown, csi_move_cost(dx)) < csi_move_cost(dx)) {
                for (int gx = move.from_x; gx < x; ++gx) append_glyph(out, shown.cells[y * SCREEN_WIDTH + gx].ch);
            } else {
                append_csi_move(out, dx, 'C');
            }
        }
    }
    shown.cursor_x = x;
    shown.cursor_y = y;
}

}  // namespace

int sgr_foreground(int console_colour) {
    return (console_colour & 8 ? 90 : 30) + ansi_index(console_colour);
}

int sgr_background(int console_colour) {
    return (console_colour & 8 ? 100 : 40) + ansi_index(console_colour);
}

ColourMode colour_mode_for(const char* colorterm) {
    if (!colorterm) return ColourMode::standard16;
    const std::string_view value(colorterm);
    return value == "truecolor" || value == "24bit" ? ColourMode::rgb : ColourMode::standard16;
}

unsigned console_rgb(int console_colour) {
    static constexpr unsigned PALETTE[16] = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xc0c0c0,
        0x808080, 0x0000ff, 0x00ff00, 0x00ffff, 0xff0000, 0xff00ff, 0xffff00, 0xffffff,
    };
    return PALETTE[console_colour & 15];
}

void append_colours(std::string& out, int fg, int bg, ColourMode mode) { append_sgr(out, fg, bg, mode); }

void render_changes(const ScreenBuffer& screen, ShownScreen& shown, std::string& out, ColourMode mode) {
    // Most frames change a few cells of a few rows (a dissolve, a step): a
    // row the same to the byte is passed over whole, and only the rows that
    // differ are looked at cell by cell.
    std::vector<int>& changed = shown.changed;
    changed.clear();
    for (int row = 0; row < SCREEN_HEIGHT; ++row) {
        const int first = row * SCREEN_WIDTH;
        if (shown.valid && std::memcmp(&shown.cells[first], &screen.all()[first], SCREEN_WIDTH * sizeof(Cell)) == 0)
            continue;
        for (int i = first; i < first + SCREEN_WIDTH; ++i)
            if (!shown.valid || !looks_same(shown.cells[i], screen.all()[i])) changed.push_back(i);
    }

    for (std::size_t k = 0; k < changed.size(); ++k) {
        const int i = changed[k];
        const Cell& wanted = screen.all()[i];
        move_cursor(i % SCREEN_WIDTH, i / SCREEN_WIDTH, shown, out);
        if (!colours_fit(wanted, shown)) {
            const int ahead = is_blank(wanted.ch) ? foreground_ahead(screen, changed, k + 1, background_of(wanted)) : -1;
            set_colours(wanted, ahead, shown, out, mode);
        }
        append_glyph(out, wanted.ch);
        shown.cells[i] = wanted;
        ++shown.cursor_x;  // reaches SCREEN_WIDTH after the last column: a wrap is pending
    }
    shown.valid = true;
}
