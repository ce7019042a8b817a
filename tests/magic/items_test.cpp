// Screen tests of the items: the message each shows for its pause, the
// wipe, and what it does once the message is gone.
#include "magic/items.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "game_harness.h"
#include "watching_clock.h"
#include "state/battle_values.h"

namespace {

// What the player saw at one pause of an item.
struct Shown {
    std::string top;  // the start of the top row
    int hero_hp;
    int hero_mp;
};


constexpr int NO_AMOUNT = -1;
constexpr int UNTOUCHED = 77;  // action_amount before an item that shows none

struct Item {
    int slot;
    const char* message;
    int hp_after;  // from 100 HP and 300 MP
    int mp_after;
    int amount;  // or NO_AMOUNT
};

const Item ITEMS[] = {
    {0, "50 HP Restored", 150, 300, 50},
    {1, "Banana", 100, 300, NO_AMOUNT},
    {2, "50 MP Restored", 100, 350, 50},
    {3, "HP and MP Restored", 200, 700, NO_AMOUNT},
    {4, "Star", 100, 300, NO_AMOUNT},
    {5, "300 HP Restored", 400, 300, 300},  // no cap: the caller clamps
    {6, "150 MP Restored", 100, 450, 150},
    {7, "Unknown", 100, 300, NO_AMOUNT},
};

constexpr int POTION = 0;

class Items : public GameTest {
protected:
    Items() : watching(clock, [this] { shown.push_back({text_at(0, 0, 20), hero_hp(), hero_mp()}); }) {
        install_clock(watching);
        reset_monster_table();
        current_monster = 2;
        action_amount = UNTOUCHED;
        amount_on_monster = false;  // as the Item command leaves it
        hide_amount = false;
    }
    ~Items() override { install_clock(clock); }

    static int& hero_hp() { return party.party_hp[0]; }
    static int& hero_mp() { return party.party_mp[0]; }

    std::vector<Shown> shown;
    WatchingClock watching;
};

TEST_F(Items, EachItemShowsItsMessageForItsPauseWipesItThenTakesEffect) {
    for (const Item& item : ITEMS) {
        SCOPED_TRACE(item.message);
        const std::string message = item.message;
        hero_hp() = 100;
        hero_mp() = 300;
        action_amount = UNTOUCHED;
        hide_amount = false;
        console.screen().fill_chars('#', SCREEN_WIDTH);
        shown.clear();
        clock.clear_pauses();
        use_item(item.slot);

        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].top, message + std::string(20 - message.size(), '#'));
        EXPECT_EQ(shown[0].hero_hp, 100) << "nothing happens until the message is gone";
        EXPECT_EQ(shown[0].hero_mp, 300);
        EXPECT_EQ(pauses(), std::vector<int>{1200});
        EXPECT_EQ(text_at(0, 0, static_cast<int>(message.size()) + 1), std::string(message.size(), ' ') + "#");

        EXPECT_EQ(hero_hp(), item.hp_after);
        EXPECT_EQ(hero_mp(), item.mp_after);
        if (item.amount == NO_AMOUNT) {
            EXPECT_TRUE(hide_amount);
            EXPECT_EQ(action_amount, UNTOUCHED);
        } else {
            EXPECT_FALSE(hide_amount);
            EXPECT_EQ(action_amount, item.amount);
        }
        EXPECT_EQ(monster_table.monster_hp[current_monster], 200);
        EXPECT_FALSE(amount_on_monster);
    }
    EXPECT_TRUE(effects.played.empty()) << "items make no sound";
}

TEST_F(Items, PotionsNeverRunOut) {
    hero_hp() = 0;
    for (int i = 0; i < 100; ++i) use_item(POTION);
    EXPECT_EQ(hero_hp(), 5000);
    EXPECT_EQ(action_amount, 50);
    EXPECT_EQ(pauses(), std::vector<int>(100, 1200));
    ASSERT_EQ(shown.size(), 100u);
    EXPECT_EQ(shown.back().top.substr(0, 14), "50 HP Restored");
}

}  // namespace
