// The console's screen: 80 x 25 cells of one code page 437 byte and one
// attribute byte each, with a cursor and a current attribute. Writes behave
// like the game's home console: processed control codes, wrap at the right
// edge, scrolling at the bottom.
#pragma once

#include <array>
#include <cstddef>

constexpr int SCREEN_WIDTH = 80;
constexpr int SCREEN_HEIGHT = 25;
constexpr int SCREEN_CELLS = SCREEN_WIDTH * SCREEN_HEIGHT;

struct Cell {
    unsigned char ch = ' ';
    unsigned char attr = 7;

    bool operator==(const Cell&) const = default;
};

class ScreenBuffer {
public:
    const Cell& at(int x, int y) const { return cells[y * SCREEN_WIDTH + x]; }
    const std::array<Cell, SCREEN_CELLS>& all() const { return cells; }

    int cursor_x() const { return cur_x; }
    int cursor_y() const { return cur_y; }
    unsigned char attribute() const { return attr; }

    // A position outside the screen changes nothing.
    void set_cursor(int x, int y);
    void set_attribute(unsigned char attribute) { attr = attribute; }

    // Writes at the cursor in the current attribute. Newline, carriage
    // return, backspace, tab and bell act; every other byte is a glyph.
    void write(const char* bytes, std::size_t count);

    // Fill count cells from (x, y), row by row, stopping at the last cell;
    // the cursor does not move.
    void fill_chars(unsigned char ch, int count, int x = 0, int y = 0);
    void fill_attributes(unsigned char attribute, int count, int x = 0, int y = 0);

    // Bells written since the last call (a terminal rings them when it
    // shows the screen).
    int take_bells();

private:
    void put_glyph(unsigned char ch);
    void new_line();

    std::array<Cell, SCREEN_CELLS> cells{};
    int cur_x = 0;
    int cur_y = 0;
    unsigned char attr = 7;
    int bells = 0;
};
