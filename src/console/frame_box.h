// The double-line boxes the screens are framed in, drawn one character at a
// time by the screen's own way of putting a frame character.
#pragma once

// The code page's double-line box characters.
constexpr int BOX_HORIZONTAL = 205;     // ═
constexpr int BOX_VERTICAL = 186;       // ║
constexpr int BOX_TOP_LEFT = 201;       // ╔
constexpr int BOX_TOP_RIGHT = 187;      // ╗
constexpr int BOX_BOTTOM_LEFT = 200;    // ╚
constexpr int BOX_BOTTOM_RIGHT = 188;   // ╝
constexpr int BOX_TEE_DOWN = 203;       // ╦ a divider leaving the top edge
constexpr int BOX_TEE_UP = 202;         // ╩ a divider meeting the bottom edge
constexpr int BOX_TEE_RIGHT = 204;      // ╠ a divider leaving the left edge

// Puts one frame character at (x, y).
using FramePut = void (*)(int x, int y, int code);

// Goes to (x, y) and writes the character there, in the current colour.
void put_box_char(int x, int y, int code);

// A row of horizontal lines from left to right on row y, and a column of
// vertical lines from top to bottom at column x, ends included.
void draw_box_row(int left, int right, int y, FramePut put);
void draw_box_column(int x, int top, int bottom, FramePut put);

// A box with its corners at (left, top) and (right, bottom): the edges
// between the corners, then the corners.
void draw_double_box(int left, int top, int right, int bottom, FramePut put);
