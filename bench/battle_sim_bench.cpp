// Many battles against each monster kind, headless on the test stand-ins,
// the hero attacking every round: how often he wins, how long a battle
// lasts, how fast battles run and whether memory stays flat.
// Usage: battle_sim_bench [battles per kind, default 10000]. Prints
// figures; never fails.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "audio/music_player.h"
#include "audio/sound_effects.h"
#include "battle/battle_screen.h"
#include "battle/monster_actions.h"
#include "battle/player_commands.h"
#include "console/console_output.h"
#include "console/pause.h"
#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/doubles/test_console.h"
#include "platform/doubles/test_sound.h"
#include "state/battle_values.h"
#include "state/tables.h"
#include "support/random.h"
#include "stand.h"
#include "table_row.h"

namespace {

constexpr int MONSTER_KINDS = 4;

constexpr int BATTLES_PER_STAND = 1000;

enum class Outcome { WON, LOST, FLED };

struct Battle {
    Outcome outcome;
    int rounds;
};

int& monster_hp() { return monster_table.monster_hp[current_monster]; }

// One battle, round for round as run_battle plays it, with two changes: the
// player's command is the policy's click, queued as the round asks for it,
// and a defeat is counted where the game would show its game-over screen
// and end.
Battle simulate_battle(TestConsole& console) {
    escape_attempted = false;
    int escaped = 0;
    reset_monster_table();
    for (int round = 1;; ++round) {
        hide_amount = false;
        menu_cancelled = false;
        reseed_random_from_clock();
        draw_battle_screen();
        console.push(mouse_report(COMMAND_LEFT, COMMAND_TOP, LEFT_BUTTON));  // Attack, every round
        read_battle_command(&escaped);
        draw_party_labels();
        draw_party_status(party);
        if (escaped == 1) return {Outcome::FLED, round};
        if (menu_cancelled) continue;

        show_player_amount();
        if (monster_hp() <= 0) {
            music.close();
            play_victory_sound();
            Sleep(6000);
            return {Outcome::WON, round};
        }
        monster_turn();
        show_monster_amount();
        draw_party_labels();
        draw_party_status(party);
        if (party.party_hp[0] <= 0) {
            music.close();
            Sleep(3000);
            play_game_over_sound();
            return {Outcome::LOST, round};
        }
    }
}

// The process's peak resident memory in kB, from /proc/self/status.
long peak_memory_kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

struct Tally {
    long battles = 0;
    long wins = 0;
    long long rounds = 0;
    long long hp_left_after_wins = 0;
};

}  // namespace

int main(int argc, char** argv) {
    long per_kind = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    if (per_kind <= 0) per_kind = 10000;

    // The music player is a global that closes through the library when the
    // program ends, after main's own objects are gone: the library stays.
    auto* sound = new TestSoundLibrary;
    install_sound_library(*sound);
    auto stand = std::make_unique<Stand>(1700000000);
    route_standard_output_to_console();
    init_tables();

    long total = 0;
    long peak_after_100 = -1;
    Tally tallies[MONSTER_KINDS];
    double seconds_per_kind[MONSTER_KINDS] = {};
    for (int kind = 0; kind < MONSTER_KINDS; ++kind) {
        current_monster = kind;
        Tally& tally = tallies[kind];
        const auto kind_start = std::chrono::steady_clock::now();
        for (long i = 0; i < per_kind; ++i) {
            if (total > 0 && total % BATTLES_PER_STAND == 0) stand = std::make_unique<Stand>(stand->clock.seconds() + 1);
            // Each battle opens on a second of its own, so the rolls differ.
            VirtualClock& clock = stand->clock;
            clock.wait_until(clock.now_ms() - clock.now_ms() % 1000 + 1000);
            // Each battle is its own trial: the hero starts it whole.
            party.party_hp[0] = party.party_max_hp[0];
            party.party_mp[0] = party.party_max_mp[0];

            const Battle battle = simulate_battle(stand->console);
            ++tally.battles;
            tally.rounds += battle.rounds;
            if (battle.outcome == Outcome::WON) {
                ++tally.wins;
                tally.hp_left_after_wins += party.party_hp[0];
            }
            clock.clear_pauses();
            stand->effects.played.clear();
            sound->calls.clear();
            if (++total == 100) peak_after_100 = peak_memory_kb();
        }
        seconds_per_kind[kind] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - kind_start).count();
    }

    std::printf("%-9s %8s %8s %11s %19s %10s\n", "monster", "battles", "win %", "avg rounds", "avg HP left (wins)",
                "time (s)");
    double all_seconds = 0;
    for (int kind = 0; kind < MONSTER_KINDS; ++kind) {
        const Tally& t = tallies[kind];
        all_seconds += seconds_per_kind[kind];
        const double hp_left = t.wins ? static_cast<double>(t.hp_left_after_wins) / t.wins : 0.0;
        std::printf("%-9s %8ld %8.1f %11.2f %19.1f %10.2f\n", monster_table.monster_names[kind].c_str(), t.battles,
                    100.0 * t.wins / t.battles, static_cast<double>(t.rounds) / t.battles, hp_left,
                    seconds_per_kind[kind]);
        char what[64];
        std::snprintf(what, sizeof what, "battles against %s, Attack only", monster_table.monster_names[kind].c_str());
        table_row(what, "%.1f %% won in %.2f rounds", 100.0 * t.wins / t.battles,
                  static_cast<double>(t.rounds) / t.battles);
    }
    std::printf("%ld battles in %.2f s (%.1f us a battle)\n", total, all_seconds, 1e6 * all_seconds / total);
    std::printf("peak memory (VmHWM): %ld kB after 100 battles, %ld kB after %ld\n", peak_after_100,
                peak_memory_kb(), total);
    table_row("simulated battles", "%ld in %.2f s; peak %.1f MB after 100, %.1f MB after all", total, all_seconds,
              peak_after_100 / 1024.0, peak_memory_kb() / 1024.0);
    return 0;
}
