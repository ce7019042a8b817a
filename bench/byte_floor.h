// The fewest bytes any stream of widely supported terminal sequences needs
// to take a terminal through a run of frames: the floor the game's renderer
// is measured against.
//
// The stream writes the cells in reading order, frame after frame. Every
// cell that does not look as the frame wants is written; a cell that looks
// right may be written again as it is, which is sometimes the cheapest way
// to move the cursor or to set colours early. A write costs the cursor's
// move, the colour change it needs and the glyph's UTF-8 bytes.
//
// Moves: CUP (ESC[r;cH, ESC[rH, ESC[H), CUF, CUB, CUU, CUD (ESC[C for one,
// ESC[nC for more), CR, LF (down only, never from the last row) and BS, in
// any combination. After a write in the last column the terminal waits to
// wrap: only CUP and CR may follow, and no glyph. Colours: one SGR with the
// changed foreground, background or both; a blank may set any foreground
// along with its background, ready for the glyph after it. Nothing else: no
// autowrap, REP, ECH, CHA or VPA, no reset of the colours.
#pragma once

#include <vector>

#include "platform/screen_buffer.h"
#include "platform/terminal/renderer.h"

// The floor over frames[1..], the terminal showing frames[0] with the cursor
// and colours of start (the renderer's ShownScreen after showing frames[0]).
// Its cursor must be known; a colour it does not know is set before use.
long byte_floor(const std::vector<ScreenBuffer>& frames, const ShownScreen& start, ColourMode mode);
