// A long play on the test stand-ins with scripted random input: thousands
// of real battles (run_battle, every command, the spell and item menus,
// cancels) and a hundred thousand walk steps on the shipped map with the
// map-screen menus opened now and then. Memory is printed along the way;
// built with the sanitizers, leak checking at exit does the rest.
// Usage: soak_bench [battles, default 10000] [walk steps, default 100000].
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "battle/battle_driver.h"
#include "console/console_output.h"
#include "map/map_screen.h"
#include "map/walking.h"
#include "platform/clock.h"
#include "platform/doubles/test_console.h"
#include "platform/doubles/test_sound.h"
#include "state/tables.h"
#include "stand.h"
#include "table_row.h"

namespace {

double resident_mb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

// The script's own dice, apart from the game's generator.
unsigned next_die = 12345;
int die(int sides) {
    next_die = next_die * 1103515245u + 12345u;
    return static_cast<int>((next_die >> 16) % static_cast<unsigned>(sides));
}

// Clicks a player might make in battle: mostly commands, then menu entries,
// the window's edges, right clicks, strays and keys.
void script_battle_input(TestConsole& console, int events) {
    for (int i = 0; i < events; ++i) {
        switch (die(6)) {
        case 0:
        case 1:
            console.push(mouse_report(64 + die(7), 17 + die(5), LEFT_BUTTON));
            break;
        case 2:
            console.push(mouse_report(32 + die(12), 7 + die(11), LEFT_BUTTON));
            break;
        case 3:
            console.push(mouse_report(die(80), die(25), RIGHT_BUTTON));
            break;
        case 4:
            console.push(mouse_report(die(80), die(25), die(2) ? LEFT_BUTTON : 0, MOUSE_MOVED));
            break;
        default:
            console.push(key_press('a' + die(26)));
        }
    }
    // And always a way out: out of any menu, then Escape.
    console.push(mouse_report(5, 5, RIGHT_BUTTON));
    console.push(mouse_report(64, 21, LEFT_BUTTON));
}

void soak_battles(int battles) {
    std::unique_ptr<Stand> stand;
    double first = 0;
    int won = 0, fled = 0, unfinished = 0;
    long long rounds_ms = 0;
    for (int battle = 0; battle < battles; ++battle) {
        if (battle % 500 == 0) stand = std::make_unique<Stand>(1700000000LL + battle * 37);
        // A hero who never falls, so every battle ends by victory or escape
        // and the soak runs on; everything else is the game's own.
        init_tables();
        party.party_max_hp[0] = party.party_hp[0] = 1000000;
        current_monster = battle % 4;
        script_battle_input(stand->console, 1 + die(40));
        const long long started = stand->clock.now_ms();
        try {
            run_battle(party);
            if (monster_table.monster_hp[current_monster] <= 0) {
                ++won;
            } else {
                ++fled;
            }
        } catch (const ScriptExhausted&) {
            ++unfinished;
        }
        rounds_ms += stand->clock.now_ms() - started;
        while (stand->console.events_left() > 0) stand->console.read_event();
        stand->effects.played.clear();
        stand->clock.clear_pauses();
        if (battle == battles / 10) first = resident_mb();
    }
    std::printf("%d battles (%d won, %d fled, %d left with input to spare), %.1f s of game time each: "
                "resident %.1f MB at a tenth, %.1f MB at the end\n",
                battles, won, fled, unfinished, rounds_ms / 1000.0 / battles, first, resident_mb());
    char what[64];
    std::snprintf(what, sizeof what, "soak, %d battles", battles);
    table_row(what, "resident %.1f MB at a tenth, %.1f MB at the end", first, resident_mb());
}

void soak_walking(int steps) {
    std::unique_ptr<Stand> stand;
    double first = 0;
    init_tables();
    player_x = 4;
    player_y = 2;
    map_index = 0;
    for (int step = 0; step < steps; ++step) {
        if (step % 5000 == 0) {
            stand = std::make_unique<Stand>(1700000000LL + step);
            clear_screen();
            draw_map_screen();
            walking = true;
        }
        const int roll = die(100);
        if (roll == 0) {
            stand->console.push(mouse_report(60 + die(18), 10 + die(2), LEFT_BUTTON));  // a map menu
            stand->console.push(mouse_report(1 + die(12), 3 + die(10), LEFT_BUTTON));
            stand->console.push(mouse_report(5, 5, RIGHT_BUTTON));
        }
        stand->console.push(mouse_report(die(70), die(25), roll < 10 ? LEFT_BUTTON : 0, MOUSE_MOVED));
        stand->console.push(mouse_report(die(59), 2 + die(21), 0, MOUSE_MOVED));
        try {
            walk_step(player_x, player_y);
        } catch (const ScriptExhausted&) {
        }
        while (stand->console.events_left() > 0) stand->console.read_event();
        walking = true;
        stand->effects.played.clear();
        stand->clock.clear_pauses();
        if (step == steps / 10) first = resident_mb();
    }
    std::printf("%d walk steps: resident %.1f MB at a tenth, %.1f MB at the end; the hero ends at (%d, %d)\n", steps,
                first, resident_mb(), player_x, player_y);
    char what[64];
    std::snprintf(what, sizeof what, "soak, %d walking steps", steps);
    table_row(what, "resident %.1f MB at a tenth, %.1f MB at the end", first, resident_mb());
}

}  // namespace

int main(int argc, char** argv) {
    const int battles = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int steps = argc > 2 ? std::atoi(argv[2]) : 100000;
    if (chdir(GAME_DATA_DIR) != 0) return 1;
    // Never destroyed: the game's music player still talks to it at exit.
    static TestSoundLibrary* sound = new TestSoundLibrary;
    install_sound_library(*sound);
    route_standard_output_to_console();
    const auto start = std::chrono::steady_clock::now();
    soak_battles(battles);
    soak_walking(steps);
    std::printf("soak took %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}
