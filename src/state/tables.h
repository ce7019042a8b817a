// The game's state: the party, the monster table, the spell and item names,
// the map buffers and the hero's position. All of it is global, lives for
// the whole run, and is read and changed directly by the screens.
#pragma once

#include "support/apstring"
#include "support/checked_vector.h"

// The map is 21 lines of 55 codes; with each line end counted as one cell a
// map line is 56 cells long, and the last line has no line end.
constexpr int MAP_STRIDE = 56;
constexpr int MAP_CELLS = 1175;

// Seven parallel tables, one slot per party member. Only slot 0, the hero,
// is ever used; slots 1 and 2 exist and hold zero and empty names.
struct Party {
    checked_vector<apstring> party_names;
    checked_vector<int> party_hp;
    checked_vector<int> party_max_hp;
    checked_vector<int> party_mp;
    checked_vector<int> party_max_mp;
    checked_vector<int> party_exp;
    checked_vector<int> party_level;
};

// Four parallel tables, one slot per monster kind 0 to 3.
struct MonsterTable {
    checked_vector<apstring> monster_names;
    checked_vector<int> monster_hp;
    checked_vector<int> monster_max_hp;
    checked_vector<int> monster_mp;
};

extern Party party;
extern MonsterTable monster_table;
extern checked_vector<apstring> magic_names;  // 11 spells, by slot
extern checked_vector<apstring> item_names;   // 10 item slots, 8 named
extern checked_vector<char> map_chars;        // the glyph of every map cell
extern checked_vector<bool> map_grid;         // set = blocked; all blocked at start
extern checked_vector<apstring> menu_entries; // what the battle menu window lists
extern int current_monster;                   // kind of the coming or current battle
extern int player_x;
extern int player_y;

// Fills the spell, item and party tables; once, at start-up.
void init_tables();

// Puts every monster kind back to its full HP and starting MP; at the start
// of every battle.
void reset_monster_table();
