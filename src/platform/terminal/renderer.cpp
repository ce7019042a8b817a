#include "platform/terminal/renderer.h"

#include <string_view>

#include "platform/terminal/code_page_437.h"

namespace {

// The console numbers its colour bits blue 1, green 2, red 4; ANSI numbers
// them red 1, green 2, blue 4.
int ansi_index(int console_colour) {
    return ((console_colour & 1) << 2) | (console_colour & 2) | ((console_colour & 4) >> 2);
}

void append_number(std::string& out, int n) { out += std::to_string(n); }

int digits(int n) { return n >= 10 ? 2 : 1; }

int glyph_length(unsigned char ch) {
    char utf8[3];
    return cp437_to_utf8(ch, utf8);
}

void append_glyph(std::string& out, unsigned char ch) {
    char utf8[3];
    out.append(utf8, cp437_to_utf8(ch, utf8));
}

// A blank shows only its background: its foreground colour is invisible.
bool is_blank(unsigned char ch) { return ch == ' ' || ch == 0 || ch == 255; }

bool looks_same(const Cell& a, const Cell& b) {
    if (a == b) return true;
    return is_blank(a.ch) && is_blank(b.ch) && (a.attr >> 4) == (b.attr >> 4);
}

// Whether the cell can be written in the colours the terminal has now.
bool colours_fit(const Cell& cell, const ShownScreen& shown) {
    if (shown.fg < 0 || shown.bg < 0) return false;
    if ((cell.attr >> 4) != shown.bg) return false;
    return is_blank(cell.ch) || (cell.attr & 15) == shown.fg;
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

void set_colours(const Cell& cell, ShownScreen& shown, std::string& out, ColourMode mode) {
    if (colours_fit(cell, shown)) return;
    const int bg = cell.attr >> 4;
    // A blank keeps whatever foreground is set, unless none is known.
    const int fg = is_blank(cell.ch) && shown.fg >= 0 ? shown.fg : cell.attr & 15;
    out += "\x1b[";
    if (fg != shown.fg) append_colour(out, fg, false, mode);
    if (fg != shown.fg && bg != shown.bg) out += ';';
    if (bg != shown.bg) append_colour(out, bg, true, mode);
    out += 'm';
    shown.fg = fg;
    shown.bg = bg;
}

// The cheapest way from where the terminal's cursor is to (x, y).
void move_cursor(int x, int y, const ScreenBuffer& screen, ShownScreen& shown, std::string& out) {
    if (shown.cursor_x == x && shown.cursor_y == y) return;
    const bool cursor_known = shown.cursor_y >= 0;
    const bool pending_wrap = shown.cursor_x == SCREEN_WIDTH;

    // Absolute position: ESC [ row ; col H
    int best_cost = 4 + digits(y + 1) + digits(x + 1);
    enum { ABSOLUTE, RETURN, RETURN_LINE_FEED, LINE_FEED, FORWARD, REPRINT } best = ABSOLUTE;
    auto consider = [&](int cost, decltype(best) way) {
        if (cost < best_cost) {
            best_cost = cost;
            best = way;
        }
    };
    if (cursor_known) {
        if (x == 0 && y == shown.cursor_y) consider(1, RETURN);
        if (x == 0 && y == shown.cursor_y + 1) consider(2, RETURN_LINE_FEED);
        if (!pending_wrap && x == shown.cursor_x && y == shown.cursor_y + 1) consider(1, LINE_FEED);
        if (!pending_wrap && y == shown.cursor_y && x > shown.cursor_x) {
            const int gap = x - shown.cursor_x;
            consider(3 + (gap == 1 ? 0 : digits(gap)), FORWARD);
            // Writing the unchanged cells again moves the cursor too, and
            // is cheapest for short gaps in the colours already set.
            int reprint = 0;
            for (int gx = shown.cursor_x; gx < x && reprint < best_cost; ++gx) {
                const Cell& cell = screen.at(gx, y);
                if (!colours_fit(cell, shown)) {
                    reprint = best_cost;
                    break;
                }
                reprint += glyph_length(cell.ch);
            }
            consider(reprint, REPRINT);
        }
    }

    switch (best) {
    case ABSOLUTE:
        out += "\x1b[";
        append_number(out, y + 1);
        out += ';';
        append_number(out, x + 1);
        out += 'H';
        break;
    case RETURN:
        out += '\r';
        break;
    case RETURN_LINE_FEED:
        out += "\r\n";
        break;
    case LINE_FEED:
        out += '\n';
        break;
    case FORWARD:
        out += "\x1b[";
        if (x - shown.cursor_x != 1) append_number(out, x - shown.cursor_x);
        out += 'C';
        break;
    case REPRINT:
        for (int gx = shown.cursor_x; gx < x; ++gx) append_glyph(out, screen.at(gx, y).ch);
        break;
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

void render_changes(const ScreenBuffer& screen, ShownScreen& shown, std::string& out, ColourMode mode) {
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const Cell& wanted = screen.at(x, y);
            Cell& known = shown.cells[y * SCREEN_WIDTH + x];
            if (shown.valid && looks_same(known, wanted)) continue;
            move_cursor(x, y, screen, shown, out);
            set_colours(wanted, shown, out, mode);
            append_glyph(out, wanted.ch);
            known = wanted;
            ++shown.cursor_x;  // reaches SCREEN_WIDTH after the last column: a wrap is pending
        }
    }
    shown.valid = true;
}
