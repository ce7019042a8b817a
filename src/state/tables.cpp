#include "state/tables.h"

#include <iterator>

Party party;
MonsterTable monster_table;
checked_vector<apstring> magic_names;
checked_vector<apstring> item_names;
checked_vector<char> map_chars(MAP_CELLS);
checked_vector<bool> map_grid(MAP_CELLS);
checked_vector<apstring> menu_entries;
int current_monster = 2;
int player_x = 0;
int player_y = 0;

namespace {

const char* const SPELL_NAMES[] = {
    "Fire",       "SikSeeLo",  "Mirel Blaster", "QZ Foot",  "Egg Head",  "Zelto Kick",
    "VRN SWORD",  "Stormcat",  "Meat Pie",      "Angel Cry", "BUBI BUBI",
};

const char* const ITEM_NAMES[] = {
    "Potion", "Banana", "Ether", "Elixir", "Star", "Hi-Potion", "Hyper-Ether", "Peagent's Tail",
};

struct MonsterKind {
    const char* name;
    int max_hp;
    int mp;
};

const MonsterKind MONSTER_KINDS[] = {
    {"Chimera", 20, 30},
    {"Cerberus", 50, 70},
    {"Dragon", 200, 100},
    {"Vorlisk", 500, 500},
};

constexpr int count_of(const auto& array) { return static_cast<int>(std::size(array)); }

}  // namespace

void init_tables() {
    magic_names.resize(11);
    for (int slot = 0; slot < count_of(SPELL_NAMES); ++slot) magic_names[slot] = SPELL_NAMES[slot];

    // Slots 8 and 9 keep the empty names that resizing gives them.
    item_names.resize(10);
    for (int slot = 0; slot < count_of(ITEM_NAMES); ++slot) item_names[slot] = ITEM_NAMES[slot];

    party.party_names.resize(3);
    party.party_level.resize(3);
    party.party_max_hp.resize(3);
    party.party_hp.resize(3);
    party.party_max_mp.resize(3);
    party.party_mp.resize(3);
    party.party_exp.resize(3);

    party.party_names[0] = "Dunmar";
    party.party_max_hp[0] = 200;
    party.party_hp[0] = party.party_max_hp[0];
    party.party_max_mp[0] = 700;
    party.party_mp[0] = party.party_max_mp[0];
    party.party_exp[0] = 0;
    party.party_level[0] = 1;
}

void reset_monster_table() {
    monster_table.monster_names.resize(4);
    monster_table.monster_hp.resize(4);
    monster_table.monster_max_hp.resize(4);
    monster_table.monster_mp.resize(4);

    for (int kind = 0; kind < count_of(MONSTER_KINDS); ++kind) {
        monster_table.monster_names[kind] = MONSTER_KINDS[kind].name;
        monster_table.monster_max_hp[kind] = MONSTER_KINDS[kind].max_hp;
        monster_table.monster_hp[kind] = monster_table.monster_max_hp[kind];
        monster_table.monster_mp[kind] = MONSTER_KINDS[kind].mp;
    }
}
