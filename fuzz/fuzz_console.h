// What the fuzz targets that draw need: the test console and virtual clock
// installed, standard output on the console, and a working folder of their
// own for the data file they write.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/console_output.h"
#include "platform/clock.h"
#include "platform/doubles/test_console.h"

inline void setup_fuzz_console() {
    static VirtualClock clock;
    static TestConsole console(clock);
    install_clock(clock);
    install_console_device(console);
    route_standard_output_to_console();
    static std::string folder = [] {
        char pattern[] = "/tmp/dunmar_fuzz_XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made || chdir(made) != 0) std::abort();
        return std::string(made);
    }();
}

inline void write_data_file(const char* name, const unsigned char* data, std::size_t size) {
    FILE* file = std::fopen(name, "wb");
    if (!file) std::abort();
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
}
