// libFuzzer target for the pictures: any bytes as a picture file draw
// without fault from any place the game draws one, with the cursor and the
// colour still inside the console's ranges afterwards.
#include <cstdlib>

#include "console/art_file.h"
#include "fuzz_console.h"
#include "platform/console_device.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static bool ready = (setup_fuzz_console(), true);
    (void)ready;
    write_data_file("picture.txt", data, size);
    const int column = size ? data[0] % 60 : 10;
    clear_screen();
    draw_art_file("picture.txt", column, 2, size > 1 ? data[1] : NO_COLOR, 0);
    const ScreenBuffer& screen = console_device().screen();
    if (screen.cursor_x() < 0 || screen.cursor_x() >= SCREEN_WIDTH) std::abort();
    if (screen.cursor_y() < 0 || screen.cursor_y() >= SCREEN_HEIGHT) std::abort();
    return 0;
}
