// Turns the screen buffer into the bytes that bring a terminal up to date:
// only the cells that changed since the last time, with as few cursor moves
// and colour changes as it can manage. Every cell is painted with its own
// background, never by a coloured erase.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/screen_buffer.h"

// What the terminal is known to show. Anything unknown is repainted.
struct ShownScreen {
    std::array<Cell, SCREEN_CELLS> cells{};
    bool valid = false;  // false: nothing on the terminal is known
    int cursor_x = -1;   // -1: unknown; SCREEN_WIDTH: waiting to wrap after the last column
    int cursor_y = -1;
    int fg = -1;  // the terminal's current colours as console numbers, -1 unknown
    int bg = -1;
    // Where the screen's top-left cell sits on a terminal larger than the
    // screen; cursor_x and cursor_y count from there.
    int origin_x = 0;
    int origin_y = 0;
    // The renderer's list of the cells it is sending, kept between frames.
    std::vector<int> changed;

    // After a resize, a clear, or anything else that leaves the terminal
    // in an unknown state.
    void forget() { *this = ShownScreen{}; }
};

// How colours are sent: the terminal's 16 standard colours, which its theme
// paints as it likes, or the exact RGB of the classic console palette the
// world was drawn in.
enum class ColourMode { standard16, rgb };

// RGB where the terminal says it takes 24-bit colour: COLORTERM (given here,
// may be null) is "truecolor" or "24bit".
ColourMode colour_mode_for(const char* colorterm);

// Appends to out the bytes that make the terminal show screen, and updates
// shown to match.
void render_changes(const ScreenBuffer& screen, ShownScreen& shown, std::string& out,
                    ColourMode mode = ColourMode::standard16);

// One SGR that sets the console colours fg and bg (-1: leave as it is).
void append_colours(std::string& out, int fg, int bg, ColourMode mode);

// The classic console palette: console colour 0-15 as 0xRRGGBB.
unsigned console_rgb(int console_colour);

// The SGR parameter of a console colour (0-15) as a foreground or background.
int sgr_foreground(int console_colour);
int sgr_background(int console_colour);
