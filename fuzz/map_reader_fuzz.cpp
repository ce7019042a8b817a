// libFuzzer target for the map screen: any bytes as "Mp1.txt" draw without
// fault, and only the six codes ever make a cell free or blocked.
#include <cstdlib>

#include "fuzz_console.h"
#include "map/map_screen.h"
#include "state/tables.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static bool ready = [] {
        setup_fuzz_console();
        init_tables();
        player_x = 4;
        player_y = 2;
        return true;
    }();
    (void)ready;
    for (int i = 0; i < MAP_CELLS; ++i) map_grid[i] = true;
    write_data_file("Mp1.txt", data, size);
    clear_screen();
    draw_map_screen();
    // A cell is free only where the file (read as text: CR LF as LF) had a 0.
    for (int i = 0; i < MAP_CELLS; ++i)
        if (!map_grid[i] && map_chars[i] != ' ') std::abort();
    return 0;
}
