// Screen tests of the battle's spell and item menus: which clicks use an
// entry, which leave and which are ignored, the pictures of the two great
// spells with their sounds, and the Magic and Item commands around them.
#include "magic/battle_menus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "battle/player_commands.h"
#include "game_harness.h"
#include "watching_clock.h"
#include "state/battle_values.h"

namespace {

// What the player saw at one pause.
struct Shown {
    std::string top;  // the start of the top row
    int top_color;
};


// The top-left messages by spell slot and by item slot.
const char* const SPELL_MESSAGES[] = {
    "Fire",       "SikSeeLo",  "Mirel Blaster", "QZ Foot",  "Egg Head",  "Zelto Kick",
    "VRN Sword",  "Stormcat",  "Meat Pie",      "Angel Cry", "BUBI BUBI",
};
const char* const ITEM_MESSAGES[] = {
    "50 HP Restored", "Banana",          "50 MP Restored",  "HP and MP Restored",
    "Star",           "300 HP Restored", "150 MP Restored", "Unknown",
};

constexpr int CHIMERA = 0;  // 20 HP
constexpr int DRAGON = 2;   // 200 HP

// Where the command words are clicked.
constexpr int COMMAND_X = 64;
constexpr int MAGIC_ROW = 19;
constexpr int ITEM_ROW = 20;

struct Cell {
    int x;
    int y;
};

class BattleMenus : public GameTest {
protected:
    BattleMenus() : watching(clock, [this] { shown.push_back({text_at(0, 0, 20), attr_at(0, 0)}); }) {
        install_clock(watching);
        reset_monster_table();
        current_monster = DRAGON;
        action_amount = 0;
        amount_on_monster = true;
        hide_amount = false;
        menu_cancelled = false;
        escape_attempted = false;
    }
    ~BattleMenus() override { install_clock(clock); }

    static int& hero_hp() { return party.party_hp[0]; }
    static int& hero_mp() { return party.party_mp[0]; }
    static int& monster_hp() { return monster_table.monster_hp[current_monster]; }

    // The window as the Magic or Item command draws it over a blank top
    // row, and a clean record.
    void open(char kind) {
        console.screen().fill_chars(' ', SCREEN_WIDTH);
        menu_kind = kind;
        menu_window(kind == 'm' ? "MAGIC" : "ITEM");
        shown.clear();
        clock.clear_pauses();
        effects.played.clear();
    }

    // The menu on the script so far; false if it still waited for input
    // when the script ran dry.
    static bool run(void (*menu)()) {
        try {
            menu();
            return true;
        } catch (const ScriptExhausted&) {
            return false;
        }
    }

    // The message the first pause showed, without the blanks behind it.
    std::string named() {
        if (shown.empty()) return "(no pause)";
        std::string name = shown[0].top;
        while (!name.empty() && name.back() == ' ') name.pop_back();
        return name;
    }

    // Nothing was cast or used.
    void expect_untouched() {
        EXPECT_TRUE(pauses().empty());
        EXPECT_EQ(hero_hp(), 200);
        EXPECT_EQ(hero_mp(), 700);
        EXPECT_EQ(monster_hp(), 200);
    }

    std::vector<Shown> shown;
    WatchingClock watching;
};

TEST_F(BattleMenus, EveryRowOfTheSpellListCastsItsSpellInWhiteAndLeaves) {
    for (int slot = 0; slot <= 10; ++slot) {
        SCOPED_TRACE(SPELL_MESSAGES[slot]);
        hero_mp() = 700;
        monster_hp() = 200;
        open('m');
        click(slot % 2 ? 43 : 32, 7 + slot);  // both ends of the row
        ASSERT_TRUE(run(battle_magic_menu));
        EXPECT_EQ(named(), SPELL_MESSAGES[slot]);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown[0].top_color, 15) << "not the list's yellow";
        EXPECT_LT(hero_mp(), 700);
        EXPECT_FALSE(menu_cancelled);
        EXPECT_EQ(console.events_left(), 1u) << "the same click left the menu; its release waits";
        while (console.events_left() > 0) console.read_event();
    }
}

TEST_F(BattleMenus, ClicksInTheSpellWindowButOffTheListLeaveWithoutASpell) {
    for (Cell cell : {Cell{31, 10}, Cell{40, 18}, Cell{44, 10}, Cell{40, 6}, Cell{31, 19}, Cell{44, 19}}) {
        SCOPED_TRACE(testing::Message() << "(" << cell.x << ", " << cell.y << ")");
        open('m');
        press(cell.x, cell.y);
        ASSERT_TRUE(run(battle_magic_menu));
        expect_untouched();
        EXPECT_FALSE(menu_cancelled);
        EXPECT_EQ(screen().attribute(), 15);
    }
}

TEST_F(BattleMenus, ClicksOutsideTheSpellWindowAndOtherInputAreIgnored) {
    open('m');
    for (Cell cell : {Cell{50, 10}, Cell{45, 10}, Cell{30, 10}, Cell{40, 5}, Cell{40, 20}}) click(cell.x, cell.y);
    press(35, 8, LEFT_BUTTON | RIGHT_BUTTON);  // both buttons: neither click
    press(35, 8, MIDDLE_BUTTON);
    key('a');
    move(35, 8);
    EXPECT_FALSE(run(battle_magic_menu)) << "the menu still waits";
    expect_untouched();
    EXPECT_FALSE(menu_cancelled);
}

TEST_F(BattleMenus, ARightClickAnywhereCancelsWithoutCasting) {
    for (Cell cell : {Cell{35, 8}, Cell{0, 24}}) {
        SCOPED_TRACE(testing::Message() << "(" << cell.x << ", " << cell.y << ")");
        menu_cancelled = false;
        open('m');
        press(cell.x, cell.y, RIGHT_BUTTON);
        ASSERT_TRUE(run(battle_magic_menu));
        EXPECT_TRUE(menu_cancelled);
        expect_untouched();
    }
}

TEST_F(BattleMenus, AngelCryHealsThenShowsItsPictureToTheHealTheCryAndTheSparkles) {
    // No stars in the picture, so a star on it is a sparkle.
    const std::vector<std::string> picture = {"ANGEL", "C R Y", "WINGS"};
    data_file("angel cry.txt", picture[0] + "\n" + picture[1] + "\n" + picture[2] + "\n");
    open('m');
    click(32, 16);
    ASSERT_TRUE(run(battle_magic_menu));

    std::vector<int> expected_pauses = {1200, 40, 40, 40};
    expected_pauses.insert(expected_pauses.end(), 1896, 2);  // 24 rows of 79 cells
    EXPECT_EQ(pauses(), expected_pauses);
    ASSERT_EQ(effects.played.size(), 3u);
    EXPECT_EQ(effects.played[0].file_name, "music/wav/heal.wav");
    EXPECT_EQ(effects.played[0].at_ms, 1200) << "at the end of the spell's pause";
    EXPECT_EQ(effects.played[1].file_name, "music/wav/heal.wav");
    EXPECT_EQ(effects.played[1].at_ms, 1200) << "again as the picture opens, before its first line";
    EXPECT_EQ(effects.played[2].file_name, "music/wav/angelcry.wav");
    EXPECT_EQ(effects.played[2].at_ms, 1320) << "after the picture's last line";
    EXPECT_EQ(clock.now_ms(), 1320 + 1896 * 2);

    for (int line = 0; line < 3; ++line)
        for (int i = 0; i < 5; ++i) {
            const int ch = char_at(10 + i, 2 + line);
            EXPECT_TRUE(ch == picture[line][i] || ch == '*') << "picture cell (" << 10 + i << ", " << 2 + line << ")";
        }
    EXPECT_TRUE(char_at(30, 5) == ' ' || char_at(30, 5) == '*') << "the window was cleared away";
    EXPECT_EQ(hero_hp(), 200 + action_amount) << "the menu leaves the clamping to the command";
    EXPECT_FALSE(menu_cancelled);
}

TEST_F(BattleMenus, AngelCryWithoutItsPictureOnlyHeals) {
    open('m');
    click(43, 16);
    ASSERT_TRUE(run(battle_magic_menu));
    EXPECT_EQ(text_at(0, 0, 16), "Cannot find file");
    EXPECT_EQ(pauses(), std::vector<int>{1200});
    ASSERT_EQ(effects.played.size(), 1u);
    EXPECT_EQ(effects.played[0].file_name, "music/wav/heal.wav");
}

TEST_F(BattleMenus, BubiBubiShowsItsPictureInBlueAndHoldsIt) {
    data_file("bubi.txt", "BUBI\nBUBI\n");
    open('m');
    click(32, 17);
    ASSERT_TRUE(run(battle_magic_menu));
    EXPECT_EQ(monster_hp(), 100);
    EXPECT_EQ(pauses(), (std::vector<int>{1200, 40, 40, 2500}));
    EXPECT_EQ(text_at(10, 2, 4), "BUBI");
    EXPECT_EQ(text_at(10, 3, 4), "BUBI");
    EXPECT_EQ(attr_at(10, 2), 9);
    EXPECT_EQ(screen().attribute(), 15) << "white again for the hold";
    EXPECT_EQ(char_at(30, 5), ' ') << "the window was cleared away";
    EXPECT_TRUE(effects.played.empty());

    // Without the picture: the message and nothing more.
    std::remove("bubi.txt");
    open('m');
    click(32, 17);
    ASSERT_TRUE(run(battle_magic_menu));
    EXPECT_EQ(text_at(0, 0, 16), "Cannot find file");
    EXPECT_EQ(pauses(), std::vector<int>{1200});
    EXPECT_EQ(monster_hp(), 0);
}

TEST_F(BattleMenus, EveryRowOfTheItemListUsesItsItemAndLeaves) {
    for (int slot = 0; slot <= 7; ++slot) {
        SCOPED_TRACE(ITEM_MESSAGES[slot]);
        hero_hp() = 100;
        open('i');
        click(slot % 2 ? 45 : 34, 7 + slot);
        ASSERT_TRUE(run(battle_item_menu));
        EXPECT_EQ(named(), ITEM_MESSAGES[slot]);
        EXPECT_FALSE(menu_cancelled);
        EXPECT_EQ(console.events_left(), 1u);
        while (console.events_left() > 0) console.read_event();
    }
}

TEST_F(BattleMenus, ClicksInTheItemWindowButOffTheListLeaveWithoutAnItem) {
    for (Cell cell : {Cell{33, 8}, Cell{46, 8}, Cell{40, 6}, Cell{33, 14}, Cell{46, 14}}) {
        SCOPED_TRACE(testing::Message() << "(" << cell.x << ", " << cell.y << ")");
        open('i');
        press(cell.x, cell.y);
        ASSERT_TRUE(run(battle_item_menu));
        expect_untouched();
        EXPECT_FALSE(menu_cancelled);
        EXPECT_EQ(screen().attribute(), 15);
    }
}

TEST_F(BattleMenus, ClicksOutsideTheItemWindowAreIgnoredAndARightClickCancels) {
    open('i');
    for (Cell cell : {Cell{60, 8}, Cell{47, 8}, Cell{32, 8}, Cell{40, 15}, Cell{40, 5}}) click(cell.x, cell.y);
    EXPECT_FALSE(run(battle_item_menu)) << "the menu still waits";
    expect_untouched();
    EXPECT_FALSE(menu_cancelled);
    EXPECT_EQ(screen().attribute(), 15) << "any event turns the list's red to white";

    right_click(40, 8);
    ASSERT_TRUE(run(battle_item_menu));
    EXPECT_TRUE(menu_cancelled);
    expect_untouched();
}

// Through the command: the menu, the battle screen again, and the clamping.

TEST_F(BattleMenus, FireWithFiveMpStillHitsAndTheMpReadsZeroOnceTheMenuHasClosed) {
    hero_mp() = 5;
    click(COMMAND_X, MAGIC_ROW);
    click(32, 7);
    int escaped = 0;
    read_battle_command(&escaped);
    EXPECT_EQ(named(), "Fire");
    EXPECT_GE(action_amount, 10);
    EXPECT_EQ(monster_hp(), 200 - action_amount);
    EXPECT_EQ(hero_mp(), 0);
    EXPECT_EQ(text_at(3, 20, 6), "MP: 0 ");
    EXPECT_EQ(text_at(64, 19, 5), "Magic") << "the battle screen is back";
    EXPECT_TRUE(amount_on_monster);
    EXPECT_FALSE(menu_cancelled);
    EXPECT_EQ(escaped, 0);
}

TEST_F(BattleMenus, AngelCryAtFullHpShowsItsAmountAndEndsAtTheMaximum) {
    click(COMMAND_X, MAGIC_ROW);
    click(40, 16);
    int escaped = 0;
    read_battle_command(&escaped);
    EXPECT_GE(action_amount, 50) << "the amount shown is the spell's, not what was gained";
    EXPECT_LE(action_amount, 60);
    EXPECT_FALSE(amount_on_monster) << "shown by the hero";
    EXPECT_FALSE(hide_amount);
    EXPECT_EQ(hero_hp(), 200);
    EXPECT_EQ(hero_mp(), 610);
}

TEST_F(BattleMenus, BubiBubiLeavesAWeakMonsterAtZero) {
    current_monster = CHIMERA;
    click(COMMAND_X, MAGIC_ROW);
    click(40, 17);
    int escaped = 0;
    read_battle_command(&escaped);
    EXPECT_EQ(monster_hp(), 0) << "not -80";
}

TEST_F(BattleMenus, HiPotionAt150Of200EndsAt200) {
    hero_hp() = 150;
    click(COMMAND_X, ITEM_ROW);
    click(34, 12);
    int escaped = 0;
    read_battle_command(&escaped);
    EXPECT_EQ(named(), "300 HP Restored");
    EXPECT_EQ(hero_hp(), 200);
    EXPECT_EQ(action_amount, 300);
    EXPECT_FALSE(amount_on_monster);
}

TEST_F(BattleMenus, ARightClickInTheItemMenuCancelsTheCommand) {
    click(COMMAND_X, ITEM_ROW);
    right_click(40, 8);
    int escaped = 0;
    read_battle_command(&escaped);
    EXPECT_TRUE(menu_cancelled);
    expect_untouched();
    EXPECT_EQ(text_at(64, 20, 4), "Item");
}

}  // namespace
