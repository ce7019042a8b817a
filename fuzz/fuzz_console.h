// What the fuzz targets that draw need: the test console and virtual clock
// installed, standard output on the console, and a working folder of their
// own for the data file they write, removed when the run ends.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
    static char folder[] = "/tmp/dunmar_fuzz_XXXXXX";
    static const bool made = [] {
        if (!mkdtemp(folder) || chdir(folder) != 0) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
        return true;
    }();
    (void)made;
}

inline void write_data_file(const char* name, const unsigned char* data, std::size_t size) {
    FILE* file = std::fopen(name, "wb");
    if (!file) std::abort();
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
}
