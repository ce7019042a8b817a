// The console the game draws on and reads from: a screen buffer that is the
// truth of what the player sees, and an input queue. The real terminal and
// the test console are the two devices; the game uses whichever is installed.
#pragma once

#include <deque>
#include <vector>

#include "platform/console_event.h"
#include "platform/keyboard_pointer.h"
#include "platform/screen_buffer.h"

class ConsoleDevice {
public:
    virtual ~ConsoleDevice() = default;

    ScreenBuffer& screen() { return buffer; }

    // An observation point: from here on the player sees the buffer as it
    // is now. Called before every pause, every input read or poll, and at
    // exit.
    virtual void present() {}

    // Waits until an event is there and removes it from the queue, as it
    // came: what the key waits read.
    virtual ConsoleEvent read_event() = 0;

    // The same for the screens played with the pointer: a key that moves
    // or clicks the keyboard pointer comes as the mouse events it stands
    // for, one at a time, and the real mouse's reports place the pointer.
    ConsoleEvent read_pointer_event();

    // Whether a key press is queued, removing nothing.
    virtual bool key_press_queued() = 0;

    // Throws away every queued event and every byte not yet decoded, and
    // what is left of a pointer key (the release of its click). The
    // pointer still goes where the thrown-away keys and mouse reports put
    // it: the game may ignore what they asked, never where they moved it.
    void discard_input();

    const KeyboardPointer& keyboard_pointer() const { return pointer; }

protected:
    // Throws the queued events away, appending them to dropped in order.
    virtual void drop_queued_input(std::vector<ConsoleEvent>& dropped) = 0;

    ScreenBuffer buffer;
    KeyboardPointer pointer;

private:
    std::deque<ConsoleEvent> translated;  // the rest of a pointer key, read before anything else
};

void install_console_device(ConsoleDevice& device);
ConsoleDevice& console_device();
