// What the terminal delivers in one moment is one arrival: a pointer that
// moved and then pressed is a press where the pointer ended up, as a window
// system coalesces pointer motion. A moment is not one read: terminals write
// the pointer's last motion and the press that follows it separately,
// microseconds apart (and ssh and tmux pass each write on as it came), so
// what follows an arrival's first bytes within a short window is part of
// it. Both the terminal and the test console queue their input one arrival
// at a time through this rule.
#pragma once

#include <chrono>
#include <vector>

#include "platform/console_event.h"

// How long an arrival stays open for what follows its first bytes. A
// terminal's separate writes of one burst come within a fraction of a
// millisecond, over ssh and tmux within a few; a movement and then a click
// that a person makes one after the other are 40 ms or more apart, and
// remain two arrivals.
constexpr std::chrono::milliseconds ARRIVAL_WINDOW{10};

// Whether what follows could still change how the arrival reads: only a
// bare pointer motion at its end can be superseded. An arrival ending in
// anything else is complete at once and waits for nothing.
bool arrival_may_change(const std::vector<ConsoleEvent>& events);

// Drops every bare pointer motion (no button change) that another mouse
// report of the same arrival follows directly: a motion and a press read
// as the press, a burst of motions as the last one. Keys, presses,
// releases and wheel turns are all kept, in order.
void coalesce_arrival(std::vector<ConsoleEvent>& events);
