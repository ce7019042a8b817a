#include "support/text_file.h"

#include <filesystem>
#include <system_error>

bool open_text_file(std::ifstream& in, const char* name) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(name, error)) return false;
    in.open(name, std::ios::in | std::ios::binary);
    return in.is_open();
}

bool read_text_char(std::istream& in, char& ch) {
    if (!in.get(ch)) return false;
    if (ch == '\r' && in.peek() == '\n') in.get(ch);
    return true;
}
