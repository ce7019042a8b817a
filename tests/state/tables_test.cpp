#include "state/tables.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "state/hero_clamp.h"

namespace {

// The globals as they are built before the game starts. Other tests change
// them, so this looks at them in a fresh run of the test program.
TEST(TablesDeathTest, BeforeStartUpTheMapIsBlockedAndTheTablesEmpty) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto check = [] {
        bool ok = map_chars.length() == MAP_CELLS && map_grid.length() == MAP_CELLS;
        for (int i = 0; i < MAP_CELLS; ++i) ok = ok && map_grid[i] && map_chars[i] == 0;
        ok = ok && menu_entries.length() == 0 && magic_names.length() == 0 && item_names.length() == 0;
        ok = ok && party.party_hp.length() == 0 && monster_table.monster_names.length() == 0;
        ok = ok && current_monster == 2;
        std::_Exit(ok ? 0 : 1);
    };
    EXPECT_EXIT(check(), ::testing::ExitedWithCode(0), "");
}

TEST(Tables, StartUpFillsTheHeroSpellsAndItems) {
    init_tables();
    EXPECT_STREQ(party.party_names[0].c_str(), "Dunmar");
    EXPECT_EQ(party.party_hp[0], 200);
    EXPECT_EQ(party.party_max_hp[0], 200);
    EXPECT_EQ(party.party_mp[0], 700);
    EXPECT_EQ(party.party_max_mp[0], 700);
    EXPECT_EQ(party.party_exp[0], 0);
    EXPECT_EQ(party.party_level[0], 1);
    for (int slot = 1; slot < 3; ++slot) {
        EXPECT_STREQ(party.party_names[slot].c_str(), "");
        EXPECT_EQ(party.party_hp[slot], 0);
        EXPECT_EQ(party.party_max_mp[slot], 0);
        EXPECT_EQ(party.party_level[slot], 0);
    }

    const char* spells[] = {"Fire",      "SikSeeLo", "Mirel Blaster", "QZ Foot",   "Egg Head", "Zelto Kick",
                            "VRN SWORD", "Stormcat", "Meat Pie",      "Angel Cry", "BUBI BUBI"};
    ASSERT_EQ(magic_names.length(), 11);
    for (int slot = 0; slot < 11; ++slot) EXPECT_STREQ(magic_names[slot].c_str(), spells[slot]);

    const char* items[] = {"Potion", "Banana",    "Ether",       "Elixir",         "Star",
                           "Hi-Potion", "Hyper-Ether", "Peagent's Tail", "",   ""};
    ASSERT_EQ(item_names.length(), 10);
    for (int slot = 0; slot < 10; ++slot) EXPECT_STREQ(item_names[slot].c_str(), items[slot]);
}

TEST(Tables, EveryBattleStartsWithTheMonstersRestored) {
    reset_monster_table();
    const char* names[] = {"Chimera", "Cerberus", "Dragon", "Vorlisk"};
    const int max_hp[] = {20, 50, 200, 500};
    const int mp[] = {30, 70, 100, 500};
    for (int kind = 0; kind < 4; ++kind) {
        monster_table.monster_hp[kind] = -12;
        monster_table.monster_mp[kind] = 0;
        monster_table.monster_names[kind] = "left over";
    }
    reset_monster_table();
    ASSERT_EQ(monster_table.monster_names.length(), 4);
    for (int kind = 0; kind < 4; ++kind) {
        EXPECT_STREQ(monster_table.monster_names[kind].c_str(), names[kind]);
        EXPECT_EQ(monster_table.monster_max_hp[kind], max_hp[kind]);
        EXPECT_EQ(monster_table.monster_hp[kind], max_hp[kind]);
        EXPECT_EQ(monster_table.monster_mp[kind], mp[kind]);
    }
}

TEST(Tables, ACopiedPartyIsIndependent) {
    init_tables();
    Party copy = party;
    copy.party_hp[0] = 1;
    copy.party_names[0] = "Someone";
    EXPECT_EQ(party.party_hp[0], 200);
    EXPECT_STREQ(party.party_names[0].c_str(), "Dunmar");
}

TEST(HeroClamp, CapsAtTheMaximumThenRaisesToZero) {
    init_tables();
    party.party_hp[0] = 250;
    party.party_mp[0] = -15;
    clamp_hero();
    EXPECT_EQ(party.party_hp[0], 200);
    EXPECT_EQ(party.party_mp[0], 0);

    party.party_hp[0] = -15;
    party.party_mp[0] = 701;
    clamp_hero();
    EXPECT_EQ(party.party_hp[0], 0);
    EXPECT_EQ(party.party_mp[0], 700);

    party.party_hp[0] = 137;
    party.party_mp[0] = 0;
    clamp_hero();
    EXPECT_EQ(party.party_hp[0], 137);
    EXPECT_EQ(party.party_mp[0], 0);

    // The cap comes before the floor: with a maximum below zero the floor
    // has the last word.
    party.party_max_hp[0] = -5;
    party.party_hp[0] = 10;
    clamp_hero();
    EXPECT_EQ(party.party_hp[0], 0);
    init_tables();
}

}  // namespace
