// What the end-to-end tests of the real game share: how to tell the map and
// the battle screens apart, the way through the intro, and the steps of a
// battle whose dice the test chose (chosen_dice.h).
#pragma once

#include <cctype>
#include <functional>
#include <string>
#include <utility>

#include "e2e/vterm_terminal.h"

// For libvterm and for tmux's captured screens alike. A frame may come in
// over several reads, and the renderer sends only the cells that change, so
// each screen is also known by the other's marks being gone: half of a map
// drawn over a battle is neither.
template <class Screen>
bool shows_map(const Screen& t) {
    return t.glyph_at(3, 1) == U'╔' && t.glyph_at(78, 23) == U'╝' && t.text_at(61, 11, 4) == "Item" &&
           t.text_at(64, 17, 6) != "Attack" && t.text_at(64, 21, 6) != "Escape";
}

template <class Screen>
bool shows_battle(const Screen& t) {
    return t.text_at(64, 17, 6) == "Attack" && t.text_at(64, 21, 6) == "Escape" && t.glyph_at(1, 16) == U'╠' &&
           t.glyph_at(3, 1) != U'╔' && t.text_at(61, 11, 4) != "Item";
}

inline bool map_shown(const VtermTerminal& t) { return shows_map(t); }
inline bool battle_shown(const VtermTerminal& t) { return shows_battle(t); }

// The intro's pages, each known by its heading. Nothing pauses within a
// page, so once its heading shows the game waits for its key: one key a
// page, and none more, since on the map a Space or an Enter is a click of
// the keyboard pointer and would set the hero walking.
template <class Terminal, class OnTheMap>
bool intro_to_map(Terminal& term, int timeout_ms, const char* key, const OnTheMap& on_the_map) {
    for (const char* heading : {"Welcome, traveller", "How to walk the Vale", "A word of warning"}) {
        if (!term.wait_for_screen_text(heading, timeout_ms)) return false;
        term.send_bytes(key);
    }
    return term.wait_for(on_the_map, timeout_ms);
}

inline bool intro_to_map(VtermTerminal& term, int timeout_ms, const char* key = " ") {
    return intro_to_map(term, timeout_ms, key, map_shown);
}

// The hero's cell on the map, or (-1, -1) if he is not on it.
template <class Screen>
std::pair<int, int> hero(const Screen& t) {
    for (int y = 2; y <= 22; ++y)
        for (int x = 4; x <= 58; ++x)
            if (t.glyph_at(x, y) == U'☺') return {x, y};
    return {-1, -1};
}

// The number written at (x, y), or -1 if none starts there.
inline int number_at(const VtermTerminal& t, int x, int y) {
    const std::string text = t.text_at(x, y, 6);
    return std::isdigit(static_cast<unsigned char>(text[0])) ? std::stoi(text) : -1;
}

// The battle screen with no message at the top left: the first screen of a
// battle, or the one a cancelled list gives back, asks for a command. After
// a round the screen looks the same while the amounts still float, so a
// test waits there for the status the round's dice leave.
inline bool command_awaited(VtermTerminal& term) {
    return term.wait_for(
        [](const VtermTerminal& t) { return battle_shown(t) && t.row_text(0).find_first_not_of(' ') == std::string::npos; },
        30000);
}

// The hero's HP on the battle screen's status, redrawn as the next command
// is asked for.
inline bool hero_hp_shown(VtermTerminal& term, int hp) {
    return term.wait_for_text(3, 19, "HP: " + std::to_string(hp) + " ", 30000);
}

// The monster's HP under its name, redrawn as the next command is asked for.
inline bool monster_hp_shown(VtermTerminal& term, int hp) {
    return term.wait_for_text(65, 3, "HP: " + std::to_string(hp) + " ", 30000);
}

// The monster names its action at the top left.
inline bool monster_acted(VtermTerminal& term) {
    return term.wait_for(
        [](const VtermTerminal& t) {
            for (const char* action : {"Claw", "Kick", "Teeth", "Tail Whip", "Head Punch", "Eat", "Bite", "Mountain Fall"})
                if (t.text_at(0, 0, static_cast<int>(std::string(action).size())) == action) return true;
            return false;
        },
        30000);
}

// One click into the map with dice that meet a monster at the first step:
// the step, the encounter's dissolve and pause, and the battle screen.
inline bool walk_into_battle(VtermTerminal& term) {
    term.click(10, 2);
    return term.wait_for(battle_shown, 30000);
}

// Escape always succeeds.
inline bool escape_to_map(VtermTerminal& term) {
    term.click(66, 21);
    return term.wait_for(map_shown, 30000);
}

// With dice whose every Defend is answered by a Mountain Fall (100 HP):
// Defend until the hero falls and the game-over screen waits for its key.
inline bool defend_until_fallen(VtermTerminal& term, int hero_hp = 200) {
    for (; hero_hp > 100; hero_hp -= 100) {
        term.click(66, 18);
        if (!hero_hp_shown(term, hero_hp - 100)) return false;
    }
    term.click(66, 18);
    return term.wait_for_screen_text("Press any key.", 30000);
}
