#include "console/frame_box.h"

#include "console/console_output.h"

void put_box_char(int x, int y, int code) {
    goto_xy(x, y);
    write_char(code);
}

void draw_box_row(int left, int right, int y, FramePut put) {
    for (int x = left; x <= right; ++x) put(x, y, BOX_HORIZONTAL);
}

void draw_box_column(int x, int top, int bottom, FramePut put) {
    for (int y = top; y <= bottom; ++y) put(x, y, BOX_VERTICAL);
}

void draw_double_box(int left, int top, int right, int bottom, FramePut put) {
    draw_box_row(left + 1, right - 1, top, put);
    draw_box_row(left + 1, right - 1, bottom, put);
    draw_box_column(left, top + 1, bottom - 1, put);
    draw_box_column(right, top + 1, bottom - 1, put);
    put(left, top, BOX_TOP_LEFT);
    put(right, top, BOX_TOP_RIGHT);
    put(left, bottom, BOX_BOTTOM_LEFT);
    put(right, bottom, BOX_BOTTOM_RIGHT);
}
