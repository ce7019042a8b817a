// Dice chosen for an end-to-end scenario. The game re-seeds its generator
// from the wall clock's whole seconds before its rolls, so a game whose wall
// clock stands still at one second rolls the same way every time, and every
// re-seed starts the same two draws again. A test picks the second whose
// draws take the path it names and freezes the clock there with Debian's
// libfaketime; pauses stay on the real monotonic clock.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "e2e/vterm_terminal.h"
#include "support/random.h"

// The game's rolls at a frozen second, in its own terms. After a re-seed
// the first draw is the encounter roll on the map, the hero's Attack or
// Fire in battle, or the monster's action roll when the hero only
// defended; the second is the monster met (drawn just after the field
// song's first draw) or the monster's action roll after an Attack or Fire.
struct Dice {
    long long second = 0;

    int draw(int which, int min, int max) const {
        seed_random(static_cast<std::uint32_t>(second));
        int value = 0;
        for (int n = 0; n < which; ++n) value = random_between(min, max);
        return value;
    }
    // With a frozen clock every step rolls alike: a monster at the first
    // step, or none on any walk.
    bool meets_at_first_step() const { return draw(1, 5, 15) == 5; }
    int monster() const { return draw(2, 0, 3); }  // Chimera, Cerberus, Dragon, Vorlisk
    int blow() const { return draw(1, 10, 20); }
    int action_after_defend() const { return draw(1, 0, 100); }
    int action_after_attack() const { return draw(2, 0, 100); }
};

enum Monster { CHIMERA, CERBERUS, DRAGON, VORLISK };
constexpr int MOUNTAIN_FALL = 95;  // an action roll from here up: 100 HP off the hero

// The first second, from a fixed day, whose dice the scenario wants.
inline Dice dice_where(const std::function<bool(const Dice&)>& wanted) {
    for (Dice dice{1796000000}; dice.second < 1796000000 + 1000000; ++dice.second)
        if (wanted(dice)) return dice;
    throw std::logic_error("no second in a million gives those dice");
}

// The dice most battles want: a Dragon (200 HP) met at the first step, who
// survives Attacks and spells, answers them with anything but a Mountain
// Fall, and answers a Defend with one.
inline Dice battle_dice() {
    return dice_where([](const Dice& d) {
        return d.meets_at_first_step() && d.monster() == DRAGON && d.action_after_attack() < MOUNTAIN_FALL &&
               d.action_after_defend() >= MOUNTAIN_FALL;
    });
}

inline Dice quiet_dice() {
    return dice_where([](const Dice& d) { return !d.meets_at_first_step(); });
}

// What a program needs in its environment for its wall clock to stand
// still at the dice's second.
inline std::vector<std::pair<std::string, std::string>> frozen_clock(const Dice& dice) {
    if (access(FAKETIME_LIBRARY, R_OK) != 0)
        throw std::runtime_error(FAKETIME_LIBRARY " is missing: sh tools/install-deps installs libfaketime");
    // As seconds since the epoch: no space in it, for emulators that split
    // their command line.
    return {{"LD_PRELOAD", FAKETIME_LIBRARY},
            {"FAKETIME_FMT", "%s"},
            {"FAKETIME", std::to_string(dice.second)},
            {"FAKETIME_DONT_FAKE_MONOTONIC", "1"},
            // The sanitizers' runtime wants to come first; libfaketime only
            // wraps the clock calls.
            {"ASAN_OPTIONS", "verify_asan_link_order=0"}};
}

inline void freeze_clock(TerminalLaunch& launch, const Dice& dice) {
    const auto frozen = frozen_clock(dice);
    launch.environment.insert(launch.environment.end(), frozen.begin(), frozen.end());
}

// The game in its data folder, on the silent sound driver, with its dice
// chosen.
inline TerminalLaunch game_launch(const Dice& dice) {
    TerminalLaunch launch;
    launch.argv = {GAME_PATH};
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
    freeze_clock(launch, dice);
    return launch;
}
