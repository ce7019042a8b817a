// Reading the player's input: one console event at a time, what counts as a
// left or right click, and the two keyboard waits of the intro and the
// game-over screens.
#pragma once

#include "platform/console_event.h"

// Waits for the next event and returns it.
ConsoleEvent read_console_event();

// Throws away everything queued: the movements and releases that came in
// while a reaction was drawn or paused.
void flush_console_input();

// Waits for a key press and returns its character (0 for an extended key);
// mouse events that come first are lost.
int wait_key();

// Whether a key press is waiting, without taking anything from the queue.
bool key_pressed();

// Exactly the left button held: the press itself and every movement while
// it is held, so a drag is a stream of left clicks. Both buttons is neither.
bool is_left_click(const ConsoleEvent& event);
bool is_right_click(const ConsoleEvent& event);

// The event is a mouse event inside the cells x1-x2, y1-y2, bounds included.
bool in_zone(const ConsoleEvent& event, int x1, int x2, int y1, int y2);
