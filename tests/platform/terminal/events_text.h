// Console events as text, so a mismatch shows which event differs and how.
#pragma once

#include <string>
#include <vector>

#include "platform/console_event.h"

inline std::string text(const std::vector<ConsoleEvent>& events) {
    std::string s;
    for (const ConsoleEvent& e : events) {
        if (e.type == KEY_EVENT)
            s += "key(" + std::to_string(e.key_char) + "," + std::to_string(e.key_code) +
                 (e.key_down ? ") " : " up) ");
        else
            s += "mouse(" + std::to_string(e.x) + "," + std::to_string(e.y) + ",b=" +
                 std::to_string(e.buttons) + ",f=" + std::to_string(e.mouse_flags) + ") ";
    }
    return s;
}
