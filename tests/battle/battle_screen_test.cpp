#include "battle/battle_screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game_harness.h"
#include "state/battle_values.h"

namespace {

// The harness's clock, with a picture of the screen taken as every pause
// begins: what the player looks at while a number floats.
class WatchingClock : public Clock {
public:
    explicit WatchingClock(VirtualClock& inner) : inner(inner) {}

    void pause(int ms) override {
        seen.push_back(console_device().screen());
        inner.pause(ms);
    }
    long long seconds() override { return inner.seconds(); }
    void input_waited() override { inner.input_waited(); }

    std::vector<ScreenBuffer> seen;

private:
    VirtualClock& inner;
};

class BattleScreen : public GameTest {
protected:
    BattleScreen() : watch(clock) {
        install_clock(watch);
        reset_monster_table();
        action_amount = 0;
        amount_on_monster = false;
        escape_attempted = false;
        hide_amount = false;
    }

    // A number rising from row 7 to row 4 in the column and colour, each
    // row shown for 300 ms and wiped before the next.
    void expect_rising(int column, int color, const std::string& number) {
        ASSERT_EQ(pauses(), std::vector<int>(4, 300));
        for (int k = 0; k < 4; ++k) {
            const ScreenBuffer& seen = watch.seen[k];
            const int y = 7 - k;
            std::string shown;
            for (std::size_t i = 0; i < number.size(); ++i) shown += static_cast<char>(seen.at(column + static_cast<int>(i), y).ch);
            EXPECT_EQ(shown, number) << "row " << y;
            EXPECT_EQ(seen.at(column, y).attr, color) << "row " << y;
            for (int other = 4; other <= 7; ++other) {
                if (other == y) continue;
                EXPECT_EQ(seen.at(column, other).ch, ' ') << "row " << other << " while on " << y;
            }
        }
        for (int y = 4; y <= 7; ++y) EXPECT_EQ(text_at(column, y, 3), "   ") << "wiped at the end, row " << y;
        EXPECT_EQ(screen().attribute(), 15);
    }

    WatchingClock watch;
};

TEST_F(BattleScreen, TheFrameIsDoubleLinedInGrey) {
    set_color(0);
    clear_screen();
    draw_battle_frame();
    for (int x = 2; x <= 77; ++x)
        for (int y : {1, 16, 23}) ASSERT_EQ(char_at(x, y), 205) << x << "," << y;
    for (int y = 2; y <= 22; ++y) {
        if (y != 16) {
            ASSERT_EQ(char_at(1, y), 186) << y;
        }
        ASSERT_EQ(char_at(78, y), 186) << y;
    }
    EXPECT_EQ(char_at(1, 16), 204) << "the divider joins the left side";
    EXPECT_EQ(char_at(78, 16), 186) << "but not the right";
    EXPECT_EQ(char_at(1, 1), 201);
    EXPECT_EQ(char_at(78, 1), 187);
    EXPECT_EQ(char_at(1, 23), 200);
    EXPECT_EQ(char_at(78, 23), 188);
    for (int y = 1; y <= 23; ++y)
        for (int x : {1, 40, 78}) {
            if (x == 40 && y != 1 && y != 16 && y != 23) continue;
            ASSERT_EQ(attr_at(x, y), 7) << x << "," << y;
        }
    // Nothing outside the frame, nothing inside it.
    EXPECT_EQ(row(0), std::string(80, ' '));
    EXPECT_EQ(row(24), std::string(80, ' '));
    for (int y = 0; y < 25; ++y) {
        EXPECT_EQ(char_at(0, y), ' ') << y;
        EXPECT_EQ(char_at(79, y), ' ') << y;
    }
    EXPECT_EQ(text_at(2, 10, 76), std::string(76, ' '));
}

TEST_F(BattleScreen, EveryPartHasItsPlaceAndColour) {
    data_file("rat.txt", "(\\_/)\n(o.o)\n");
    set_color(0x4f);
    draw_battle_screen();

    EXPECT_EQ(attr_at(30, 10), 0) << "cleared in black";
    EXPECT_EQ(text_at(50, 5, 5), "(\\_/)");
    EXPECT_EQ(text_at(50, 6, 5), "(o.o)");
    EXPECT_EQ(attr_at(50, 5), MONSTER_PICTURE_COLOR);
    EXPECT_EQ(attr_at(54, 6), MONSTER_PICTURE_COLOR);
    EXPECT_EQ(char_at(1, 16), 204);
    EXPECT_EQ(attr_at(40, 16), 7);

    const char* const commands[] = {"Attack", "Defend", "Magic ", "Item  ", "Escape"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(text_at(64, 17 + i, 6), commands[i]);
        EXPECT_EQ(attr_at(64, 17 + i), 9) << commands[i];
    }
    EXPECT_EQ(text_at(65, 2, 7), "Dragon ");
    EXPECT_EQ(text_at(65, 3, 9), "HP: 200  ");
    EXPECT_EQ(attr_at(65, 2), 15);
    EXPECT_EQ(attr_at(71, 3), 15);

    EXPECT_EQ(text_at(3, 17, 7), "Dunmar ");
    EXPECT_EQ(attr_at(3, 17), 15);
    const struct {
        int row;
        const char* text;
        int color;
    } hero[] = {{18, "Lv: 1 ", 11}, {19, "HP: 200 ", 12}, {20, "MP: 700 ", 14}, {21, "Exp: 0 ", 9}};
    for (const auto& line : hero) {
        const int length = static_cast<int>(std::string(line.text).size());
        EXPECT_EQ(text_at(3, line.row, length), line.text);
        EXPECT_EQ(attr_at(3, line.row), line.color) << line.text;
        EXPECT_EQ(attr_at(3 + length - 2, line.row), line.color) << "the value too: " << line.text;
    }
    EXPECT_EQ(screen().attribute(), 15);
}

TEST_F(BattleScreen, AMonsterBelowZeroShowsAndStaysAtZero) {
    monster_table.monster_hp[2] = 10;
    draw_monster_status();
    monster_table.monster_hp[2] = -5;
    monster_table.monster_mp[2] = -3;
    draw_monster_status();
    EXPECT_EQ(text_at(65, 3, 7), "HP: 0  ") << "the blank after the number wipes a lost digit";
    EXPECT_EQ(monster_table.monster_hp[2], 0);
    EXPECT_EQ(monster_table.monster_mp[2], 0);
    EXPECT_EQ(monster_table.monster_hp[1], 50) << "only the current monster";
}

TEST_F(BattleScreen, AHeroBelowZeroShowsZeroButKeepsHisPoints) {
    party.party_hp[0] = -7;
    party.party_mp[0] = -2;
    draw_party_status(party);
    EXPECT_EQ(text_at(3, 19, 6), "HP: 0 ");
    EXPECT_EQ(text_at(3, 20, 6), "MP: 0 ");
    EXPECT_EQ(party.party_hp[0], -7);
    EXPECT_EQ(party.party_mp[0], -2);
}

TEST_F(BattleScreen, TheLabelsWipeTheOldValues) {
    party.party_exp[0] = 345;
    draw_party_status(party);
    draw_party_labels();
    EXPECT_EQ(text_at(3, 18, 8), "Lv:     ");
    EXPECT_EQ(text_at(3, 19, 8), "HP:     ");
    EXPECT_EQ(text_at(3, 20, 8), "MP:     ");
    EXPECT_EQ(text_at(3, 21, 9), "Exp:     ");
    EXPECT_EQ(attr_at(9, 19), 12);
    EXPECT_EQ(attr_at(10, 21), 9);
    EXPECT_EQ(screen().attribute(), 15);

    // So a value that shrinks leaves none of its old digits behind.
    party.party_hp[0] = 5;
    party.party_exp[0] = 6;
    draw_party_status(party);
    EXPECT_EQ(text_at(3, 19, 8), "HP: 5   ");
    EXPECT_EQ(text_at(3, 21, 9), "Exp: 6   ");
}

TEST_F(BattleScreen, TheBlowRisesOverTheMonsterInRed) {
    amount_on_monster = true;
    action_amount = 17;
    show_player_amount();
    expect_rising(45, 12, "17");
}

TEST_F(BattleScreen, WhatIsNotABlowRisesByTheHeroInGreen) {
    action_amount = 250;
    show_player_amount();
    expect_rising(5, 10, "250");
}

TEST_F(BattleScreen, TheMonstersBlowRisesByTheHeroInRed) {
    amount_on_monster = true;  // the player's choice does not move it
    action_amount = 100;
    show_monster_amount();
    expect_rising(5, 12, "100");
}

TEST_F(BattleScreen, NoAmountAfterAnEscapeOrAnItemWithNothingToShow) {
    action_amount = 12;
    set_color(3);
    escape_attempted = true;
    show_player_amount();
    escape_attempted = false;
    hide_amount = true;
    amount_on_monster = true;
    show_player_amount();
    EXPECT_TRUE(pauses().empty());
    for (int y = 4; y <= 7; ++y) {
        EXPECT_EQ(char_at(5, y), ' ');
        EXPECT_EQ(char_at(45, y), ' ');
    }
    EXPECT_EQ(screen().attribute(), 3) << "not even the colour";
}

}  // namespace
