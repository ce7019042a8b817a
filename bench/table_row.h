// One row of the summary table that bench/run_all.sh gathers from every
// benchmark: a line of its own, after the benchmark's detailed figures.
#pragma once

#include <cstdarg>
#include <cstdio>

// `what` was measured; the figure is formatted as printf would.
__attribute__((format(printf, 2, 3))) inline void table_row(const char* what, const char* format, ...) {
    char figure[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(figure, sizeof figure, format, args);
    va_end(args);
    std::printf("TABLE\t%s\t%s\n", what, figure);
}
