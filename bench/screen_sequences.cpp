#include "screen_sequences.h"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "console/console_output.h"
#include "map/map_screen.h"
#include "map/walking.h"
#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/doubles/test_console.h"
#include "state/tables.h"
#include "support/game_streams.h"

namespace {

// Records a frame at every present(), as the player would see it.
class Recorder {
public:
    explicit Recorder(const ScreenBuffer& screen) : screen(screen) {}
    void present() { frames.push_back(screen); }
    std::vector<ScreenBuffer> frames;

private:
    const ScreenBuffer& screen;
};

void write_at(ScreenBuffer& s, int x, int y, int attr, const std::string& text) {
    s.set_cursor(x, y);
    s.set_attribute(static_cast<unsigned char>(attr));
    s.write(text.data(), text.size());
}

// The battle's frame and text drawn on a cleared screen in one go.
void frame_and_text(ScreenBuffer& s, Recorder& r) {
    s.set_attribute(0);
    s.fill_chars(' ', SCREEN_CELLS);
    s.fill_attributes(0, SCREEN_CELLS);
    std::string top(1, '\xc9'), bottom(1, '\xc8');
    top += std::string(77, '\xcd') + "\xbb";
    bottom += std::string(77, '\xcd') + "\xbc";
    write_at(s, 0, 0, 7, top);
    for (int y = 1; y < 23; ++y) {
        write_at(s, 0, y, 7, "\xba");
        write_at(s, 78, y, 7, "\xba");
    }
    write_at(s, 0, 23, 7, bottom);
    write_at(s, 50, 2, 11, "Dragon");
    write_at(s, 50, 3, 12, "HP 200");
    write_at(s, 3, 18, 14, "Attack   Defend   Magic   Item   Escape");
    write_at(s, 3, 20, 15, "Dunmar  HP 200  MP 700  Lv 1  Exp 0");
    r.present();
}

// A map-like grid of the map's six codes, written one cell at a time.
void grid_cell_by_cell(ScreenBuffer& s, Recorder& r) {
    const int attrs[] = {170, 161, 160, 168, 145, 161};
    const char glyphs[] = {' ', 6, 4, '\xb0', '\xb2', 5};
    for (int i = 0; i < MAP_COLUMNS * MAP_ROWS; ++i) {
        const int code = (i * 7 + i / MAP_COLUMNS * 3) % 13 % 6;
        s.set_cursor(MAP_LEFT + i % MAP_COLUMNS, MAP_TOP + i / MAP_COLUMNS);
        s.set_attribute(static_cast<unsigned char>(attrs[code]));
        s.write(&glyphs[code], 1);
    }
    r.present();
}

// A hero crossing open ground, one cell per walk step's pause.
void moving_cell(ScreenBuffer& s, Recorder& r) {
    for (int step = 0; step < 50; ++step) {
        write_at(s, 5 + step, 10, 170, " ");
        write_at(s, 6 + step, 10, 160, "\x01");
        r.present();
    }
}

// Damage floating up from a monster, shown for a pause at each height.
void floating_number(ScreenBuffer& s, Recorder& r) {
    for (int step = 0; step < 4; ++step) {
        write_at(s, 55, 12 - step, 12, "137");
        r.present();
        write_at(s, 55, 12 - step, 15, "   ");
    }
    r.present();
}

// A few cells changed anywhere at each pause, blanks and glyphs in every
// colour, the screen's edges included: every way the cursor can be moved
// from one cell to the next turns up. The same cells every run.
void scattered_cells(ScreenBuffer& s, Recorder& r) {
    unsigned seed = 12345;
    const auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    const char glyphs[] = {' ', ' ', 'a', 'Z', 1, 4, '\xb2', '\xcd', 0, '\xff'};
    for (int frame = 0; frame < 200; ++frame) {
        for (unsigned n = 1 + next(4); n > 0; --n) {
            const int x = next(3) == 0 ? (next(2) ? 0 : SCREEN_WIDTH - 1) : static_cast<int>(next(SCREEN_WIDTH));
            const char glyph = glyphs[next(sizeof glyphs)];
            // (Not the last row's last cell: the screen would scroll.)
            const int y = static_cast<int>(next(x == SCREEN_WIDTH - 1 ? SCREEN_HEIGHT - 1 : SCREEN_HEIGHT));
            write_at(s, x, y, static_cast<int>(next(256)), std::string(1, glyph));
        }
        r.present();
    }
}

ScreenSequence drawn(const char* name, void (*draw)(ScreenBuffer&, Recorder&)) {
    ScreenBuffer screen;
    Recorder recorder(screen);
    recorder.present();  // frame 0: the screen already shown
    draw(screen, recorder);
    return {name, std::move(recorder.frames)};
}

// The test console, recording a frame at every observation point.
class RecordingConsole : public TestConsole {
public:
    explicit RecordingConsole(VirtualClock& clock) : TestConsole(clock), recorder(screen()) {}
    void present() override {
        TestConsole::present();
        recorder.present();
    }
    Recorder recorder;
};

// The game's clock, console, standard output, working folder and state,
// lent to the map's drawing and walking here and given back unchanged.
class BorrowedGame {
public:
    BorrowedGame()
        : clock(installed_clock()), device(console_device()), output(standard_output()), folder(getcwd(nullptr, 0)),
          saved_party(party), saved_monsters(monster_table), saved_magic(magic_names), saved_items(item_names),
          saved_chars(map_chars), saved_grid(map_grid), saved_menu(menu_entries), saved_monster(current_monster),
          saved_x(player_x), saved_y(player_y), saved_walking(walking), saved_index(map_index) {
        if (chdir(GAME_DATA_DIR) != 0) {
            std::free(folder);
            throw std::runtime_error("no game data in " GAME_DATA_DIR);
        }
    }

    ~BorrowedGame() {
        install_clock(clock);
        install_console_device(device);
        route_standard_output(output);
        if (folder && chdir(folder) != 0) std::abort();
        std::free(folder);
        party = saved_party;
        monster_table = saved_monsters;
        magic_names = saved_magic;
        item_names = saved_items;
        map_chars = saved_chars;
        map_grid = saved_grid;
        menu_entries = saved_menu;
        current_monster = saved_monster;
        player_x = saved_x;
        player_y = saved_y;
        walking = saved_walking;
        map_index = saved_index;
    }

    BorrowedGame(const BorrowedGame&) = delete;
    BorrowedGame& operator=(const BorrowedGame&) = delete;

private:
    Clock& clock;
    ConsoleDevice& device;
    std::ostream& output;
    char* folder;
    Party saved_party;
    MonsterTable saved_monsters;
    checked_vector<apstring> saved_magic, saved_items;
    checked_vector<char> saved_chars;
    checked_vector<bool> saved_grid;
    checked_vector<apstring> saved_menu;
    int saved_monster, saved_x, saved_y;
    bool saved_walking;
    int saved_index;
};

constexpr int WALK_STEPS = 20;

// The whole map screen drawn on a cleared screen, then the hero walking
// back and forth along the meadow at the top left of the map.
void map_sequences(std::vector<ScreenSequence>& out) {
    BorrowedGame borrowed;
    VirtualClock clock;
    RecordingConsole console(clock);
    install_clock(clock);
    install_console_device(console);
    route_standard_output_to_console();
    init_tables();
    player_x = MAP_LEFT;
    player_y = MAP_TOP;
    map_index = 0;
    walking = false;

    set_color(15);
    clear_screen();
    console.recorder.present();  // frame 0: the cleared screen, already shown
    draw_map_screen();
    console.present();
    out.push_back({"whole map screen", std::move(console.recorder.frames)});

    console.recorder.frames = {console.screen()};  // frame 0: the map, shown
    walking = true;
    for (int i = 0; i < WALK_STEPS; ++i) {
        console.push(mouse_report(i / 5 % 2 ? MAP_LEFT : MAP_LEFT + 5, MAP_TOP, 0, MOUSE_MOVED));
        walk_step(player_x, player_y);
    }
    out.push_back({"walking step", std::move(console.recorder.frames), WALK_STEPS});
}

}  // namespace

std::vector<ScreenSequence> screen_sequences() {
    std::vector<ScreenSequence> all;
    all.push_back(drawn("full-screen frame and text", frame_and_text));
    all.push_back(drawn("map grid, cell by cell", grid_cell_by_cell));
    all.push_back(drawn("cell moving, pause a step", moving_cell));
    all.push_back(drawn("four-step floating number", floating_number));
    all.push_back(drawn("scattered cells", scattered_cells));
    map_sequences(all);
    return all;
}
