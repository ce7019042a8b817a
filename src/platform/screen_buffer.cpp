#include "platform/screen_buffer.h"

#include <algorithm>

void ScreenBuffer::set_cursor(int x, int y) {
    if (x < 0 || x >= SCREEN_WIDTH || y < 0 || y >= SCREEN_HEIGHT) return;
    cur_x = x;
    cur_y = y;
}

void ScreenBuffer::new_line() {
    cur_x = 0;
    if (cur_y < SCREEN_HEIGHT - 1) {
        ++cur_y;
        return;
    }
    // Past the last row the whole screen moves up one row; the new bottom
    // row is blank in the current attribute.
    std::copy(cells.begin() + SCREEN_WIDTH, cells.end(), cells.begin());
    std::fill(cells.end() - SCREEN_WIDTH, cells.end(), Cell{' ', attr});
}

void ScreenBuffer::put_glyph(unsigned char ch) {
    cells[cur_y * SCREEN_WIDTH + cur_x] = Cell{ch, attr};
    if (++cur_x == SCREEN_WIDTH) new_line();
}

void ScreenBuffer::write(const char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto ch = static_cast<unsigned char>(bytes[i]);
        switch (ch) {
        case '\n':
            new_line();
            break;
        case '\r':
            cur_x = 0;
            break;
        case '\b':
            if (cur_x > 0) --cur_x;
            break;
        case '\t':
            // Blanks up to the next tab stop, every eight columns.
            do put_glyph(' ');
            while (cur_x % 8 != 0);
            break;
        case '\a':
            ++bells;
            break;
        default:
            put_glyph(ch);
        }
    }
}

namespace {

int first_cell(int x, int y) { return std::clamp(y, 0, SCREEN_HEIGHT) * SCREEN_WIDTH + std::clamp(x, 0, SCREEN_WIDTH); }

int last_cell(int start, int count) {
    return static_cast<int>(std::min<long long>(static_cast<long long>(start) + std::max(count, 0), SCREEN_CELLS));
}

}  // namespace

void ScreenBuffer::fill_chars(unsigned char ch, int count, int x, int y) {
    const int start = first_cell(x, y);
    for (int i = start; i < last_cell(start, count); ++i) cells[i].ch = ch;
}

void ScreenBuffer::fill_attributes(unsigned char attribute, int count, int x, int y) {
    const int start = first_cell(x, y);
    for (int i = start; i < last_cell(start, count); ++i) cells[i].attr = attribute;
}

int ScreenBuffer::take_bells() {
    const int rung = bells;
    bells = 0;
    return rung;
}
