// The game's pictures: plain text files drawn line by line at a fixed column,
// and the sparkle effect that follows the Angel Cry picture.
#pragma once

constexpr int NO_COLOR = -1;

// Draws every line of the file from (column, first_row) down, one row per
// line, pausing pause_ms after each (none if 0). The colour is set first
// unless it is NO_COLOR. A file that cannot be opened writes
// "Cannot find file" at the cursor instead, and nothing else happens.
// Returns whether the file opened, so the caller knows to run its extras;
// on_open, if given, runs once the file is open, before the first line.
bool draw_art_file(const char* file_name, int column, int first_row, int color, int pause_ms,
                   void (*on_open)() = nullptr);

// Stars in random colours on about one cell in ten, row by row over the
// screen, 2 ms per cell. The last star's colour stays current.
void sparkle_effect();
