// libFuzzer target for the game's line reader: any bytes read line by line
// give back exactly the bytes, with each line feed (or carriage return and
// line feed) as the end of a line, and no line is ever lost or invented.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "support/apstring"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream in(bytes);
    apstring line;
    std::string rebuilt;
    while (getline(in, line)) {
        if (line.capacity() < line.length() + 1) std::abort();
        rebuilt.append(line.c_str(), static_cast<std::size_t>(line.length()));
        rebuilt += '\n';
    }
    // The failed read keeps what came after the last line feed.
    rebuilt.append(line.c_str(), static_cast<std::size_t>(line.length()));

    // The bytes without every CR that stands right before an LF, and with
    // the NULs a line may hold counted in its length but not its text.
    std::string expected;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        expected += bytes[i];
    }
    if (expected.find('\0') != std::string::npos) return 0;  // c_str stops at a NUL
    if (rebuilt != expected) {
        std::fprintf(stderr, "line_reader_fuzz: %zu bytes rebuilt as %zu\n", expected.size(), rebuilt.size());
        std::abort();
    }
    return 0;
}
