// What the end-to-end tests of the real game share: how to tell the map and
// the battle screens apart, a player's click, and a walk until a monster.
#pragma once

#include <cctype>
#include <functional>
#include <string>

#include "e2e/vterm_terminal.h"

// For libvterm and for tmux's captured screens alike.
template <class Screen>
bool shows_map(const Screen& t) {
    return t.glyph_at(3, 1) == U'╔' && t.glyph_at(78, 23) == U'╝' && t.text_at(61, 11, 4) == "Item";
}

template <class Screen>
bool shows_battle(const Screen& t) {
    return t.text_at(64, 17, 6) == "Attack" && t.text_at(64, 21, 6) == "Escape" && t.glyph_at(1, 16) == U'╠';
}

inline bool map_shown(const VtermTerminal& t) { return shows_map(t); }
inline bool battle_shown(const VtermTerminal& t) { return shows_battle(t); }

// Pages through the intro as a player does, to the map: a key once a page
// asks for one, again only if the page did not turn in all that time. After the last page the map
// may take a while (its song is loaded first): no key is sent meanwhile,
// since on the map a Space or an Enter is a click of the keyboard pointer
// and would set the hero walking.
inline bool intro_to_map(VtermTerminal& term, int timeout_ms, const char* key = " ",
                         const std::function<bool(const VtermTerminal&)>& on_the_map = map_shown) {
    if (!term.wait_for_screen_text("Welcome, traveller", timeout_ms)) return false;
    const auto asking = [&](const VtermTerminal& t) { return on_the_map(t) || t.screen_contains("Press any key"); };
    for (int pressed = 0; pressed < 12; ++pressed) {
        if (!term.wait_for(asking, timeout_ms)) return false;
        if (on_the_map(term)) return true;
        const std::string page = term.screen_dump();
        term.send_bytes(key);
        term.wait_for([&](const VtermTerminal& t) { return t.screen_dump() != page; }, timeout_ms);
        // A page that came only partly in one read still shows the last
        // page's "Press any key" further down: wait for the screen to settle.
        for (std::string seen; seen != term.screen_dump();) {
            seen = term.screen_dump();
            term.pump(300);
        }
    }
    return term.wait_for(on_the_map, timeout_ms);
}

// The number written at (x, y), or -1 if none starts there.
inline int number_at(const VtermTerminal& t, int x, int y) {
    const std::string text = t.text_at(x, y, 6);
    return std::isdigit(static_cast<unsigned char>(text[0])) ? std::stoi(text) : -1;
}

// Waits for the battle to ask for a command again: the screen redrawn with
// no message at the top left.
inline bool command_awaited(VtermTerminal& term) {
    return term.wait_for(
        [](const VtermTerminal& t) { return battle_shown(t) && t.row_text(0).find_first_not_of(' ') == std::string::npos; },
        30000);
}

// Waits for the end of the round the player's action began: the monster
// names its action at the top left, or the battle is over (the map back after
// the victory pause, or the game-over screen). During the victory pause the
// battle screen looks just as if it waited for a command, so command_awaited
// alone cannot tell a won battle from the next round.
inline bool round_ended(VtermTerminal& term) {
    static const char* const ACTIONS[] = {"Claw", "Kick",  "Teeth", "Tail Whip", "Head Punch",
                                          "Eat",  "Bite", "Mountain Fall"};
    return term.wait_for(
        [](const VtermTerminal& t) {
            for (const char* action : ACTIONS)
                if (t.text_at(0, 0, static_cast<int>(std::string(action).size())) == action) return true;
            return shows_map(t) || t.screen_contains("Press any key.");
        },
        30000);
}

// A player's click: the pointer gets there first, then the button. The
// command input looks only at the first of the events that queue up while
// it is busy, so a move and a click sent at once would lose the click.
inline void player_click(VtermTerminal& term, int x, int y, int button = 1) {
    term.move(x, y);
    term.pump(200);
    term.press(x, y, button);
    term.pump(100);
    term.release(x, y, button);
}

// Clicks until the game shows it took the click: one it read while still
// busy with the last command is thrown away.
inline bool click_until(VtermTerminal& term, int x, int y, const std::function<bool(const VtermTerminal&)>& taken) {
    for (int tries = 0; tries < 10 && !taken(term); ++tries) {
        player_click(term, x + tries % 2, y);
        term.wait_for(taken, 3000);
    }
    return taken(term);
}

// Escape always succeeds once the game reads the click.
inline bool escape_to_map(VtermTerminal& term) {
    return click_until(term, 66, 21, [](const VtermTerminal& t) { return t.screen_contains("Escaping") || map_shown(t); }) &&
           term.wait_for(map_shown, 10000);
}

// The hero's cell on the map as a number (x + 80 y), or -1.
inline int hero_cell(const VtermTerminal& t) {
    for (int y = 2; y <= 22; ++y)
        for (int x = 4; x <= 58; ++x)
            if (t.glyph_at(x, y) == U'☺') return x + 80 * y;
    return -1;
}

// One tick of a walk to and fro on the top row: the pointer moved, and a
// click to set the hero walking whenever he has stood still for two
// seconds (a click taken while the game was busy is thrown away, and any
// click that came to the map before switches the walk off again).
inline void walk_tick(VtermTerminal& term, int tick, int& last_cell, int& still) {
    if (!map_shown(term)) return;
    const int cell = hero_cell(term);
    still = cell == last_cell ? still + 1 : 0;
    last_cell = cell;
    if (still >= 8) {
        player_click(term, 10, 2);
        still = 0;
    }
    term.move(tick % 2 ? 10 : 5, 2);
}

// Walks about until a monster is met and its battle screen is up.
inline bool walk_into_battle(VtermTerminal& term) {
    player_click(term, 10, 2);
    int last_cell = -1, still = 0;
    for (int tick = 0; tick < 200; ++tick) {
        walk_tick(term, tick, last_cell, still);
        if (term.wait_for(battle_shown, 250)) return true;
    }
    return false;
}

// Defends every round until the hero falls and the game-over screen waits
// for its key.
inline bool defend_until_fallen(VtermTerminal& term) {
    for (int tick = 0; tick < 400; ++tick) {
        player_click(term, 66 + tick % 2, 18);
        if (term.wait_for([](const VtermTerminal& t) { return t.screen_contains("Press any key."); }, 250)) return true;
    }
    return false;
}
