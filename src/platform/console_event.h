// One console input event, as the game's screens read them: a key press or
// a mouse report in character cells, shaped like the console input records
// the game was first written against.
#pragma once

#include <cstdint>

constexpr int KEY_EVENT = 1;
constexpr int MOUSE_EVENT = 2;

// Held-button bits of ConsoleEvent::buttons; several held add up.
constexpr std::uint32_t LEFT_BUTTON = 1;
constexpr std::uint32_t RIGHT_BUTTON = 2;
constexpr std::uint32_t MIDDLE_BUTTON = 4;
// A wheel turn carries its direction in the upper half of buttons, as the
// console reports it (+120 away from the player, -120 towards).
constexpr std::uint32_t WHEEL_FORWARD = 0x00780000u;
constexpr std::uint32_t WHEEL_BACKWARD = 0xff880000u;

// ConsoleEvent::mouse_flags
constexpr std::uint32_t MOUSE_MOVED = 1;
constexpr std::uint32_t MOUSE_WHEELED = 4;
constexpr std::uint32_t MOUSE_HWHEELED = 8;

// ConsoleEvent::key_code for keys that yield no character (extended keys).
constexpr int KEY_CODE_NONE = 0;
constexpr int KEY_CODE_OTHER = 0xff;  // a recognised sequence with no code of its own
constexpr int KEY_CODE_BACK = 0x08;
constexpr int KEY_CODE_TAB = 0x09;
constexpr int KEY_CODE_RETURN = 0x0d;
constexpr int KEY_CODE_ESCAPE = 0x1b;
constexpr int KEY_CODE_PAGE_UP = 0x21;
constexpr int KEY_CODE_PAGE_DOWN = 0x22;
constexpr int KEY_CODE_END = 0x23;
constexpr int KEY_CODE_HOME = 0x24;
constexpr int KEY_CODE_LEFT = 0x25;
constexpr int KEY_CODE_UP = 0x26;
constexpr int KEY_CODE_RIGHT = 0x27;
constexpr int KEY_CODE_DOWN = 0x28;
constexpr int KEY_CODE_INSERT = 0x2d;
constexpr int KEY_CODE_DELETE = 0x2e;
constexpr int KEY_CODE_F1 = 0x70;  // F1 to F12 follow in order

struct ConsoleEvent {
    int type = 0;  // KEY_EVENT or MOUSE_EVENT

    // Key events. A terminal reports presses only, so key_down is always
    // true for decoded keys; the test console may script releases.
    bool key_down = false;
    int key_char = 0;  // the character (0-255), or 0 for an extended key
    int key_code = KEY_CODE_NONE;

    // Mouse events: the cell from (0, 0) at the top left, the buttons held
    // after this report, and what kind of report it is.
    int x = 0;
    int y = 0;
    std::uint32_t buttons = 0;
    std::uint32_t mouse_flags = 0;

    bool operator==(const ConsoleEvent&) const = default;
};

inline ConsoleEvent key_press(int key_char, int key_code = KEY_CODE_NONE) {
    ConsoleEvent e;
    e.type = KEY_EVENT;
    e.key_down = true;
    e.key_char = key_char;
    e.key_code = key_code;
    return e;
}

inline ConsoleEvent mouse_report(int x, int y, std::uint32_t buttons, std::uint32_t flags = 0) {
    ConsoleEvent e;
    e.type = MOUSE_EVENT;
    e.x = x;
    e.y = y;
    e.buttons = buttons;
    e.mouse_flags = flags;
    return e;
}

// A key press that wait_key and key_pressed count: one that yields a
// character or is an extended key.
inline bool is_key_press(const ConsoleEvent& e) {
    return e.type == KEY_EVENT && e.key_down && (e.key_char != 0 || e.key_code != KEY_CODE_NONE);
}
