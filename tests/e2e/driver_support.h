// Small pieces both terminal drivers need: time left to a deadline, UTF-8
// for the glyphs they read back, and their screens as text.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace driver_support {

// argv or envp for exec: pointers into `strings`, ended by a null.
inline std::vector<char*> c_strings(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

using Clock = std::chrono::steady_clock;

inline int remaining_ms(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

inline void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// For a screen with rows() and row_text(): every row numbered with its
// trailing blanks dropped, for failure messages; and whether any row
// holds `text`.
template <class Screen>
std::string numbered_rows(const Screen& screen) {
    std::string text;
    for (int y = 0; y < screen.rows(); ++y) {
        std::string row = screen.row_text(y);
        row.erase(row.find_last_not_of(' ') + 1);
        char label[16];
        std::snprintf(label, sizeof label, "%2d|", y);
        text += label + row + "\n";
    }
    return text;
}

template <class Screen>
bool any_row_holds(const Screen& screen, std::string_view text) {
    for (int y = 0; y < screen.rows(); ++y)
        if (screen.row_text(y).find(text) != std::string::npos) return true;
    return false;
}

}  // namespace driver_support
