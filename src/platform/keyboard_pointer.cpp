#include "platform/keyboard_pointer.h"

#include <algorithm>

#include "platform/screen_buffer.h"

namespace {

struct Step {
    int dx;
    int dy;
};

// How far a key moves the pointer; {0, 0} for keys that do not move it.
Step step_of(int key_code) {
    using P = KeyboardPointer;
    switch (key_code) {
    case KEY_CODE_LEFT: return {-1, 0};
    case KEY_CODE_RIGHT: return {1, 0};
    case KEY_CODE_UP: return {0, -1};
    case KEY_CODE_DOWN: return {0, 1};
    case KEY_CODE_HOME: return {-P::JUMP, 0};
    case KEY_CODE_END: return {P::JUMP, 0};
    case KEY_CODE_PAGE_UP: return {0, -P::JUMP};
    case KEY_CODE_PAGE_DOWN: return {0, P::JUMP};
    default: return {0, 0};
    }
}

// The button a key clicks with, or 0.
std::uint32_t button_of(const ConsoleEvent& key) {
    if (key.key_code == KEY_CODE_RETURN || key.key_char == ' ') return LEFT_BUTTON;
    if (key.key_code == KEY_CODE_ESCAPE || key.key_code == KEY_CODE_BACK) return RIGHT_BUTTON;
    return 0;
}

}  // namespace

bool KeyboardPointer::translate(const ConsoleEvent& key, std::vector<ConsoleEvent>& out) {
    if (key.type != KEY_EVENT || !key.key_down) return false;
    const Step step = step_of(key.key_code);
    const std::uint32_t button = button_of(key);
    if (step.dx == 0 && step.dy == 0 && button == 0) return false;
    visible = true;
    if (button != 0) {
        out.push_back(mouse_report(pointer_x, pointer_y, button));
        out.push_back(mouse_report(pointer_x, pointer_y, 0));
        return true;
    }
    pointer_x = std::clamp(pointer_x + step.dx, 0, SCREEN_WIDTH - 1);
    pointer_y = std::clamp(pointer_y + step.dy, 0, SCREEN_HEIGHT - 1);
    out.push_back(mouse_report(pointer_x, pointer_y, 0, MOUSE_MOVED));
    return true;
}

void KeyboardPointer::follow_mouse(const ConsoleEvent& report) {
    if (report.type != MOUSE_EVENT) return;
    visible = false;
    pointer_x = std::clamp(report.x, 0, SCREEN_WIDTH - 1);
    pointer_y = std::clamp(report.y, 0, SCREEN_HEIGHT - 1);
}

void KeyboardPointer::follow(const ConsoleEvent& event) {
    if (event.type == MOUSE_EVENT) {
        follow_mouse(event);
        return;
    }
    std::vector<ConsoleEvent> unread;
    translate(event, unread);
}
