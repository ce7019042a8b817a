// Screen tests of the map screen's spell and item menus: the lists, the one
// spell and five items the map allows, the hero kept within his maxima, and
// the way back to the map.
#include "magic/field_menus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "game_harness.h"
#include "state/battle_values.h"

namespace {

constexpr int ANGEL_CRY_ROW = 12;

struct Cell {
    int x;
    int y;
};

class FieldMenus : public GameTest {
protected:
    FieldMenus() {
        data_file("Mp1.txt", map_of(std::string(55, '0')));
        walking = true;
        action_amount = 0;
        hide_amount = false;
    }

    static int& hero_hp() { return party.party_hp[0]; }
    static int& hero_mp() { return party.party_mp[0]; }

    // The menu on the script so far; false if it was still open when the
    // script ran dry.
    static bool run(void (*menu)()) {
        try {
            menu();
            return true;
        } catch (const ScriptExhausted&) {
            return false;
        }
    }

    // Back on the map, standing still, with the panel showing the hero.
    void expect_map_shown() {
        EXPECT_FALSE(walking);
        EXPECT_EQ(char_at(3, 1), 201) << "the map's frame";
        EXPECT_EQ(text_at(61, 3, 6), "Dunmar");
        EXPECT_EQ(char_at(player_x, player_y), 1) << "the hero";
        EXPECT_EQ(attr_at(20, 10), 170) << "the meadow";
        EXPECT_EQ(char_at(1, 1), ' ') << "the menu's title is gone";
    }

    // A row of the status panel, without the blanks behind it.
    std::string panel_row(int y) {
        std::string text = text_at(61, y, 17);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    }
};

TEST_F(FieldMenus, TheSpellListShowsEverySpellGreyButAngelCry) {
    console.screen().fill_chars('#', SCREEN_CELLS);
    EXPECT_FALSE(run(field_magic_menu));
    EXPECT_EQ(text_at(1, 1, 6), "MAGIC ");
    EXPECT_EQ(attr_at(1, 1), 15);
    for (int slot = 0; slot < 11; ++slot) {
        const std::string name = magic_names[slot].c_str();
        EXPECT_EQ(text_at(1, 3 + slot, static_cast<int>(name.size()) + 1), name + " ");
        EXPECT_EQ(attr_at(1, 3 + slot), slot == 9 ? 15 : 8) << name;
    }
    EXPECT_EQ(char_at(70, 20), ' ') << "the map was cleared away";
    EXPECT_EQ(attr_at(70, 20), 15);
    EXPECT_EQ(screen().attribute(), 15);
}

TEST_F(FieldMenus, OnlyAngelCryCanBeCastOnTheMap) {
    for (Cell cell : {Cell{5, 3}, Cell{5, 13}, Cell{1, 11}, Cell{12, 13}, Cell{0, 12}, Cell{14, 12}}) click(cell.x, cell.y);
    key('a');
    EXPECT_FALSE(run(field_magic_menu)) << "still open";
    EXPECT_EQ(hero_mp(), 700) << "Fire and the rest do nothing here";
    EXPECT_TRUE(pauses().empty());
    EXPECT_TRUE(effects.played.empty());
    EXPECT_TRUE(walking);
    EXPECT_EQ(text_at(1, 1, 5), "MAGIC");
}

TEST_F(FieldMenus, AngelCryHealsWithinTheMaximumSpendsWhatMpThereIsAndClosesOntoTheMap) {
    struct Case {
        int hp;
        int mp;
        int x;
    };
    for (Case c : {Case{100, 40, 1}, Case{200, 700, 12}}) {
        SCOPED_TRACE(testing::Message() << c.hp << " HP, " << c.mp << " MP");
        hero_hp() = c.hp;
        hero_mp() = c.mp;
        walking = true;
        clock.clear_pauses();
        effects.played.clear();
        click(c.x, ANGEL_CRY_ROW);
        ASSERT_TRUE(run(field_magic_menu));
        EXPECT_GE(action_amount, 50);
        EXPECT_LE(action_amount, 60);
        EXPECT_EQ(hero_hp(), std::min(200, c.hp + action_amount));
        EXPECT_EQ(hero_mp(), std::max(0, c.mp - 90));
        EXPECT_EQ(pauses(), std::vector<int>{1200}) << "no picture on the map";
        ASSERT_EQ(effects.played.size(), 1u);
        EXPECT_EQ(effects.played[0].file_name, "music/wav/heal.wav");
        expect_map_shown();
        EXPECT_EQ(panel_row(4), "Hp:  " + std::to_string(hero_hp()) + "/200");
        EXPECT_EQ(panel_row(5), "Mp:  " + std::to_string(hero_mp()) + "/700");
        EXPECT_EQ(console.events_left(), 1u) << "the casting click closed the menu";
        while (console.events_left() > 0) console.read_event();
    }
}

TEST_F(FieldMenus, TheSpellMenuClosesOnARightClickOrJustPastAngelCry) {
    for (bool right : {true, false}) {
        SCOPED_TRACE(right ? "right click" : "left click at (13, 12)");
        walking = true;
        console.screen().fill_chars('#', SCREEN_CELLS);
        if (right) {
            press(40, 20, RIGHT_BUTTON);
        } else {
            press(13, ANGEL_CRY_ROW);
        }
        ASSERT_TRUE(run(field_magic_menu));
        EXPECT_EQ(hero_mp(), 700);
        EXPECT_TRUE(pauses().empty());
        expect_map_shown();
    }
}

TEST_F(FieldMenus, TheItemListGreysWhatTheMapCannotUse) {
    EXPECT_FALSE(run(field_item_menu));
    EXPECT_EQ(text_at(1, 1, 5), "Item ");
    for (int slot = 0; slot < 10; ++slot) {
        const int y = 3 + slot;
        const std::string name = item_names[slot].c_str();
        EXPECT_EQ(text_at(1, y, static_cast<int>(name.size()) + 1), name + " ");
        EXPECT_EQ(attr_at(1, y), (y == 4 || y == 7 || y == 10) ? 8 : 15) << "row " << y;
    }
    EXPECT_EQ(text_at(1, 11, 14), std::string(14, ' ')) << "the two unnamed slots";
}

TEST_F(FieldMenus, EachUsableItemWorksWithinTheMaximaAndClosesOntoTheMap) {
    struct Case {
        int row;
        int x;
        int hp_before;
        int mp_before;
        int hp_after;
        int mp_after;
    };
    const Case CASES[] = {
        {3, 1, 10, 10, 60, 10},      // Potion
        {5, 12, 10, 10, 10, 60},     // Ether
        {6, 1, 10, 10, 200, 700},    // Elixir
        {8, 12, 150, 10, 200, 10},   // Hi-Potion, 150 of 200
        {9, 1, 10, 600, 10, 700},    // Hyper-Ether
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(testing::Message() << "row " << c.row);
        hero_hp() = c.hp_before;
        hero_mp() = c.mp_before;
        walking = true;
        clock.clear_pauses();
        click(c.x, c.row);
        ASSERT_TRUE(run(field_item_menu));
        EXPECT_EQ(hero_hp(), c.hp_after);
        EXPECT_EQ(hero_mp(), c.mp_after);
        EXPECT_EQ(pauses(), std::vector<int>{1200});
        expect_map_shown();
        EXPECT_EQ(panel_row(4), "Hp:  " + std::to_string(c.hp_after) + "/200");
        while (console.events_left() > 0) console.read_event();
    }
}

TEST_F(FieldMenus, GreyedRowsAndClicksBesideTheListDoNothing) {
    hero_hp() = 100;
    for (Cell cell : {Cell{5, 4}, Cell{5, 7}, Cell{5, 10}, Cell{20, 3}, Cell{14, 5}, Cell{0, 3}}) click(cell.x, cell.y);
    key('p');
    EXPECT_FALSE(run(field_item_menu)) << "still open";
    EXPECT_EQ(hero_hp(), 100);
    EXPECT_EQ(hero_mp(), 700);
    EXPECT_FALSE(hide_amount) << "the Banana was not eaten";
    EXPECT_TRUE(pauses().empty());
    EXPECT_TRUE(walking);
    EXPECT_EQ(text_at(1, 1, 4), "Item");
}

TEST_F(FieldMenus, TheItemMenuClosesOnAnyOtherRowOfTheListsColumnsOrARightClick) {
    hero_hp() = 100;
    for (Cell cell : {Cell{5, 11}, Cell{5, 20}, Cell{13, 3}, Cell{1, 1}, Cell{40, 4}}) {
        SCOPED_TRACE(testing::Message() << "(" << cell.x << ", " << cell.y << ")");
        walking = true;
        if (cell.x == 40) {
            press(cell.x, cell.y, RIGHT_BUTTON);
        } else {
            press(cell.x, cell.y);
        }
        ASSERT_TRUE(run(field_item_menu));
        EXPECT_EQ(hero_hp(), 100) << "nothing used, not even the Potion beside (13, 3)";
        EXPECT_TRUE(pauses().empty());
        expect_map_shown();
    }
}

TEST_F(FieldMenus, BothMenusKeepTheHeroWithinHisMaximaWhileOpen) {
    for (auto menu : {field_magic_menu, field_item_menu}) {
        hero_hp() = 250;
        hero_mp() = -5;
        move(30, 15);
        EXPECT_FALSE(run(menu));
        EXPECT_EQ(hero_hp(), 200);
        EXPECT_EQ(hero_mp(), 0);
    }
}

TEST_F(FieldMenus, ClosingWithoutAMapFileSaysSo) {
    std::remove("Mp1.txt");
    press(40, 4, RIGHT_BUTTON);
    ASSERT_TRUE(run(field_item_menu));
    EXPECT_FALSE(walking);
    EXPECT_EQ(char_at(3, 1), 201) << "frame and panel still drawn";
    std::string screen_text;
    for (int y = 0; y < SCREEN_HEIGHT; ++y) screen_text += row(y);
    EXPECT_NE(screen_text.find("Cannot find file"), std::string::npos);
}

}  // namespace
