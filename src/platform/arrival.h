// What the terminal delivers together is one moment: a pointer that moved
// and then pressed, reported in one go, is a press where the pointer ended
// up, as a window system coalesces pointer motion. Both the terminal and the
// test console queue their input one arrival at a time through this rule.
#pragma once

#include <vector>

#include "platform/console_event.h"

// Drops every bare pointer motion (no button change) that another mouse
// report of the same arrival follows directly: a motion and a press read
// as the press, a burst of motions as the last one. Keys, presses,
// releases and wheel turns are all kept, in order.
void coalesce_arrival(std::vector<ConsoleEvent>& events);
