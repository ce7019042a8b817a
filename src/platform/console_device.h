// The console the game draws on and reads from: a screen buffer that is the
// truth of what the player sees, and an input queue. The real terminal and
// the test console are the two devices; the game uses whichever is installed.
#pragma once

#include "platform/console_event.h"
#include "platform/screen_buffer.h"

class ConsoleDevice {
public:
    virtual ~ConsoleDevice() = default;

    ScreenBuffer& screen() { return buffer; }

    // An observation point: from here on the player sees the buffer as it
    // is now. Called before every pause, every input read or poll, and at
    // exit.
    virtual void present() {}

    // Waits until an event is there and removes it from the queue.
    virtual ConsoleEvent read_event() = 0;

    // Whether a key press is queued, removing nothing.
    virtual bool key_press_queued() = 0;

    // Throws away every queued event and every byte not yet decoded.
    virtual void discard_input() = 0;

protected:
    ScreenBuffer buffer;
};

void install_console_device(ConsoleDevice& device);
ConsoleDevice& console_device();

// The console's pause: an observation point, then the clock's pause.
void Sleep(int ms);
