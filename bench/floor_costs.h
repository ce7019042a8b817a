// What the byte floor's terminal sequences cost: the cheapest cursor move
// from one place to another, and the SGR from one colour pair to another.
#pragma once

#include <array>
#include <climits>

#include "platform/screen_buffer.h"
#include "platform/terminal/renderer.h"

// More bytes than any stream of frames takes; what cannot be done costs it.
constexpr int NEVER = INT_MAX / 4;

// Cursor places: the cells in reading order, then for each row the place
// after a write in its last column, where the terminal waits to wrap.

inline int waiting_place(int row) { return SCREEN_CELLS + row; }
inline bool is_waiting(int place) { return place >= SCREEN_CELLS; }

// The cheapest moves: along a row (CR, CUF, CUB, BS), along a column (LF,
// CUD, CUU), and to a cell by way of a CUP anywhere (ESC[r;cH, ESC[rH in
// the first column, ESC[H at the top left) and such moves after it.
struct CursorMoves {
    std::array<std::array<int, SCREEN_WIDTH>, SCREEN_WIDTH> across{};
    std::array<std::array<int, SCREEN_HEIGHT>, SCREEN_HEIGHT> down{};
    std::array<int, SCREEN_CELLS> absolute{};
    int dearest_cup = 0;

    CursorMoves();

    // From a place to a cell. A place waiting to wrap takes only a CR or a
    // CUP first.
    int to(int from, int cell) const;

    // At most how many more bytes a state at `from` can need than one at
    // `to` for whatever move follows: the move between them; to a place
    // waiting to wrap, whose first move is a CR or a CUP, the move to its
    // row's first cell less the CR.
    int lead(int from, int to) const;
};

const CursorMoves& cursor_moves();

// A colour pair: each of foreground and background a console colour or not
// known to the stream (what the terminal had before anything set it).
// Nothing makes a known colour unknown again.
constexpr int UNKNOWN = 16;
constexpr int SHADES = 17;
constexpr int COLOUR_PAIRS = SHADES * SHADES;

inline int colour_pair(int fg, int bg) { return fg + SHADES * bg; }
inline int fg_of(int colours) { return colours % SHADES; }
inline int bg_of(int colours) { return colours / SHADES; }

// One SGR with the changed parameters: ESC[fg;bg m, either alone.
struct ColourChanges {
    std::array<std::array<int, COLOUR_PAIRS>, COLOUR_PAIRS> cost{};  // NEVER to an unknown colour
    int dearest = 0;

    explicit ColourChanges(ColourMode mode);
};

const ColourChanges& colour_changes(ColourMode mode);
