#include "platform/text_file.h"

#include <sys/stat.h>

bool open_text_file(std::ifstream& in, const char* name) {
    struct stat info {};
    if (stat(name, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    in.open(name, std::ios::in | std::ios::binary);
    return in.is_open();
}

bool read_text_char(std::istream& in, char& ch) {
    if (!in.get(ch)) return false;
    if (ch == '\r' && in.peek() == '\n') in.get(ch);
    return true;
}
