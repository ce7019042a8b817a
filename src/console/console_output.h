// Drawing on the console: clear the screen, place the cursor, choose the
// colour, and write text at the cursor. Everything every screen draws goes
// through these.
#pragma once

#include <cstddef>

// Blanks every cell in the current colour and puts the cursor at (0, 0).
void clear_screen();

// Moves the cursor; the console takes both as 16-bit values and ignores a
// position outside the screen.
void goto_xy(int x, int y);

// The colour of everything written from now on: foreground in bits 0-3
// (1 blue, 2 green, 4 red, 8 bright), background in bits 4-7.
void set_color(int color);

// Writing at the cursor, which moves on behind the text: a literal text,
// one number in decimal, one character by its code page number.
void write_text(const char* text);
void write_number(int number);
void write_char(int code);
void write_bytes(const char* bytes, std::size_t count);

// One character of a screen's frame at (x, y), written through the
// standard output stream with an end of line, as the frames are drawn.
void write_frame_char(int x, int y, int code);

// From now on the game's standard output text appears on the console at
// the cursor, in the current colour, as it does on the game's home console.
void route_standard_output_to_console();
