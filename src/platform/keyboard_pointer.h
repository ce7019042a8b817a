// The pointer the keyboard moves, for players without a mouse: in the
// screens played with the pointer, the arrow keys move it a cell, PgUp,
// PgDn, Home and End eight cells (up, down, left, right), Enter or Space
// click it with the left button and Escape or Backspace with the right.
// Each key becomes the mouse events a mouse would send there, so every
// screen takes them by its own rules. The real mouse takes over as soon as
// it moves: the pointer hides and stands where the mouse is. Pure: no
// terminal, no clock.
#pragma once

#include <vector>

#include "platform/console_event.h"

class KeyboardPointer {
public:
    // The mouse events a key stands for, appended to out: a motion to the
    // new cell, or a press and its release. False (nothing appended) for
    // any other key, which stays a key.
    bool translate(const ConsoleEvent& key, std::vector<ConsoleEvent>& out);

    // A report from the real mouse: the pointer hides and moves there.
    void follow_mouse(const ConsoleEvent& report);

    // Where an event puts the pointer, when the game throws it away
    // unread: a pointer key moves it as if it had been read (a click
    // leaves it where it is), a mouse report as follow_mouse does.
    void follow(const ConsoleEvent& event);

    int x() const { return pointer_x; }
    int y() const { return pointer_y; }
    // Shown from the first pointer key until the real mouse moves.
    bool shown() const { return visible; }

    // How far PgUp, PgDn, Home and End move it.
    static constexpr int JUMP = 8;

private:
    int pointer_x = 40;  // the middle of the screen until a key or the mouse moves it
    int pointer_y = 12;
    bool visible = false;
};
