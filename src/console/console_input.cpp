#include "console/console_input.h"

#include "console/pause.h"
#include "platform/clock.h"
#include "platform/console_device.h"

// The player's input is looked at only once the pauses owed before it have
// passed: what came in during them is there, and the screen they end on is
// the one shown.
ConsoleEvent read_console_event() {
    installed_clock().settle();
    const ConsoleEvent event = console_device().read_pointer_event();
    input_looked_at();
    return event;
}

void flush_console_input() {
    installed_clock().settle();
    console_device().discard_input();
}

int wait_key() {
    installed_clock().settle();
    for (;;) {
        const ConsoleEvent event = console_device().read_event();
        input_looked_at();
        if (is_key_press(event)) return event.key_char;
    }
}

bool key_pressed() {
    installed_clock().settle();
    return console_device().key_press_queued();
}

bool is_left_click(const ConsoleEvent& event) { return event.type == MOUSE_EVENT && event.buttons == LEFT_BUTTON; }

bool is_right_click(const ConsoleEvent& event) { return event.type == MOUSE_EVENT && event.buttons == RIGHT_BUTTON; }

bool in_zone(const ConsoleEvent& event, int x1, int x2, int y1, int y2) {
    return event.type == MOUSE_EVENT && event.x >= x1 && event.x <= x2 && event.y >= y1 && event.y <= y2;
}
