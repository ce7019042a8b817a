// How fast the game's line reader gets through a picture-sized file, a file
// of many lines, and one enormous line (a hostile data file). Prints figures;
// never fails.
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

#include "support/apstring"
#include "table_row.h"

namespace {

void measure(const char* what, const std::string& bytes) {
    std::istringstream in(bytes);
    apstring line;
    long lines = 0;
    const auto start = std::chrono::steady_clock::now();
    while (getline(in, line)) ++lines;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-28s %9zu bytes %8ld lines %9.3f ms %8.1f MB/s  final capacity %d\n", what, bytes.size(), lines,
                seconds * 1e3, bytes.size() / seconds / 1e6, line.capacity());
    char row[64];
    std::snprintf(row, sizeof row, "line reader, %s", what);
    table_row(row, "%.3f ms, %.1f MB/s", seconds * 1e3, bytes.size() / seconds / 1e6);
}

}  // namespace

int main() {
    std::string picture;
    for (int row = 0; row < 22; ++row) picture += std::string(68, '\xdb') + "\r\n";
    measure("picture 68 x 22, CRLF", picture);

    std::string many;
    for (int row = 0; row < 200000; ++row) many += "a line of the intro text, about sixty characters long.\n";
    measure("200,000 lines of 55", many);

    measure("one 50 MB line", std::string(50u << 20, 'x') + "\n");
    return 0;
}
