// Plays the real game in a libvterm terminal just far enough to reach the
// map screen and a battle, and writes each screen as it stands, cell by
// cell, for tools/screen_png.py to turn into the README's pictures.
//
// Usage: screen_pictures OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/map.screen and OUTPUT_FOLDER/battle.screen: a first
// line "screen COLUMNS ROWS", then three lines per row: its text (UTF-8,
// one character per cell) and its foreground and background colours, one
// hexadecimal digit (0-15) per cell.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "e2e/chosen_dice.h"
#include "e2e/game_screens.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 10000;

bool write_screen(const VtermTerminal& term, const std::string& path) {
    std::ofstream out(path);
    out << "screen " << term.columns() << ' ' << term.rows() << '\n';
    const char* const HEX = "0123456789abcdef";
    for (int y = 0; y < term.rows(); ++y) {
        std::string fg, bg;
        for (int x = 0; x < term.columns(); ++x) {
            const int f = term.fg_at(x, y);
            const int b = term.bg_at(x, y);
            // The terminal's own colours are grey on black, as on the console.
            fg += HEX[f >= 0 && f < 16 ? f : 7];
            bg += HEX[b >= 0 && b < 16 ? b : 0];
        }
        out << term.row_text(y) << '\n' << fg << '\n' << bg << '\n';
    }
    return static_cast<bool>(out);
}

bool capture(const std::string& folder) {
    TerminalLaunch launch;
    launch.argv = {GAME_PATH};
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
    freeze_clock(launch, battle_dice());
    VtermTerminal term(launch);
    // The hero stands where every game starts: the map is whole once its
    // frame's last corner is drawn.
    if (!intro_to_map(term, TIMEOUT_MS)) return false;
    if (!write_screen(term, folder + "/map.screen")) return false;
    if (!walk_into_battle(term)) return false;
    if (!write_screen(term, folder + "/battle.screen")) return false;
    term.send_bytes("\x03");
    term.wait_exit(TIMEOUT_MS);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    mkdir(argv[1], 0755);  // if it is not there yet
    if (capture(argv[1])) return 0;
    std::fprintf(stderr, "%s: could not reach the map and a battle\n", argv[0]);
    return 1;
}
