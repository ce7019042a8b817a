// Screen tests of the spells: the name each shows at the top left for its
// pause, what it costs and takes, the sound after the pause, and the wipe.
#include "magic/spells.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game_harness.h"
#include "watching_clock.h"
#include "state/battle_values.h"

namespace {

// What the player saw at one pause of a spell.
struct Shown {
    std::string top;  // the start of the top row
    int top_color;
    int hero_hp;
    int hero_mp;
    int monster_hp;
};


struct Spell {
    int slot;
    const char* message;
    int mp_cost;
    int low;  // the amount's range
    int high;
    int erase;          // blanks written over the message
    const char* sound;  // after the pause, or none
};

// Every spell that strikes the monster.
const Spell STRIKES[] = {
    {0, "Fire", 20, 10, 20, 4, "music/wav/fire.wav"},
    {1, "SikSeeLo", 30, 40, 50, 8, nullptr},
    {2, "Mirel Blaster", 30, 40, 50, 13, nullptr},
    {3, "QZ Foot", 40, 30, 40, 7, nullptr},
    {4, "Egg Head", 30, 40, 50, 8, nullptr},
    {5, "Zelto Kick", 60, 60, 70, 10, nullptr},
    {6, "VRN Sword", 60, 30, 40, 9, nullptr},  // not the list's "VRN SWORD"
    {7, "Stormcat", 30, 20, 30, 8, nullptr},
    {8, "Meat Pie", 20, 10, 30, 8, nullptr},
    {10, "BUBI BUBI", 100, 100, 100, 9, nullptr},
};

constexpr int FIRE = 0;
constexpr int MEAT_PIE = 8;
constexpr int ANGEL_CRY = 9;
constexpr int BUBI_BUBI = 10;
constexpr int CHIMERA = 0;  // 20 HP
constexpr int VORLISK = 3;  // 500 HP: room for any spell

class Spells : public GameTest {
protected:
    Spells()
        : watching(clock, [this] {
              shown.push_back({text_at(0, 0, 20), attr_at(0, 0), hero_hp(), hero_mp(), monster_hp()});
          }) {
        install_clock(watching);
        reset_monster_table();
        current_monster = VORLISK;
        action_amount = 0;
        amount_on_monster = true;  // as the Magic command leaves it
        hide_amount = false;
    }
    ~Spells() override { install_clock(clock); }

    static int& hero_hp() { return party.party_hp[0]; }
    static int& hero_mp() { return party.party_mp[0]; }
    static int& monster_hp() { return monster_table.monster_hp[current_monster]; }

    // A fresh start for one cast: a row of marks on top shows how far the
    // wipe reaches, and only this cast's pauses and sounds are kept.
    void ready() {
        console.screen().fill_chars('#', SCREEN_WIDTH);
        shown.clear();
        clock.clear_pauses();
        effects.played.clear();
    }

    static std::string marked(const std::string& text, int width = 20) {
        return text + std::string(static_cast<std::size_t>(width) - text.size(), '#');
    }

    std::vector<Shown> shown;
    WatchingClock watching;
};

TEST_F(Spells, EachStrikeShowsItsNameForItsPauseTakesItsAmountAndWipesExactlyItsBlanks) {
    for (const Spell& spell : STRIKES) {
        SCOPED_TRACE(spell.message);
        hero_mp() = 700;
        monster_hp() = 500;
        seed_random(4321);
        ready();
        const long long start = clock.now_ms();
        cast_spell(spell.slot);

        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].top, marked(spell.message));
        EXPECT_EQ(shown[0].hero_mp, 700 - spell.mp_cost) << "paid before the pause";
        EXPECT_EQ(shown[0].monster_hp, 500 - action_amount) << "the blow lands while the name shows";
        EXPECT_EQ(pauses(), std::vector<int>{1200});
        EXPECT_EQ(text_at(0, 0, spell.erase + 1), std::string(static_cast<std::size_t>(spell.erase), ' ') + "#");

        EXPECT_GE(action_amount, spell.low);
        EXPECT_LE(action_amount, spell.high);
        EXPECT_EQ(monster_hp(), 500 - action_amount);
        EXPECT_EQ(hero_mp(), 700 - spell.mp_cost);
        EXPECT_EQ(hero_hp(), 200);
        EXPECT_TRUE(amount_on_monster) << "a blow's amount shows over the monster";

        if (spell.sound) {
            ASSERT_EQ(effects.played.size(), 1u);
            EXPECT_EQ(effects.played[0].file_name, spell.sound);
            EXPECT_EQ(effects.played[0].at_ms, start + 1200) << "at the end of the pause";
        } else {
            EXPECT_TRUE(effects.played.empty());
        }
    }
}

TEST_F(Spells, FireAndMeatPieDrawEveryAmountOfTheirRangeAndNoOther) {
    const std::pair<int, std::pair<int, int>> RANGES[] = {{FIRE, {10, 20}}, {MEAT_PIE, {10, 30}}};
    for (const auto& [slot, range] : RANGES) {
        SCOPED_TRACE(slot);
        std::set<int> seen;
        for (std::uint32_t seed = 0; seed < 1500; ++seed) {
            monster_hp() = 500;
            seed_random(seed);
            cast_spell(slot);
            ASSERT_GE(action_amount, range.first) << "seed " << seed;
            ASSERT_LE(action_amount, range.second) << "seed " << seed;
            ASSERT_EQ(monster_hp(), 500 - action_amount);
            seen.insert(action_amount);
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(range.second - range.first + 1)) << "both ends included";
    }
}

TEST_F(Spells, BubiBubiTakesExactlyAHundredAndDrawsNothing) {
    for (std::uint32_t seed = 0; seed < 50; ++seed) {
        monster_hp() = 500;
        hero_mp() = 700;
        seed_random(seed);
        cast_spell(BUBI_BUBI);
        EXPECT_EQ(action_amount, 100);
        EXPECT_EQ(monster_hp(), 400);
        const int next = next_random();
        seed_random(seed);
        ASSERT_EQ(next, next_random()) << "the generator was left as it was";
    }
}

TEST_F(Spells, NeitherTheHeroesMpNorTheMonstersHpIsCheckedOrBounded) {
    hero_mp() = 5;
    cast_spell(FIRE);
    EXPECT_EQ(hero_mp(), -15) << "the caller clamps";
    EXPECT_EQ(monster_hp(), 500 - action_amount) << "Fire still hits";
    EXPECT_GE(action_amount, 10);

    current_monster = CHIMERA;
    hero_mp() = 0;
    cast_spell(BUBI_BUBI);
    EXPECT_EQ(monster_hp(), 20 - 100);
    EXPECT_EQ(hero_mp(), -100);
}

TEST_F(Spells, AngelCryHealsTheHeroPastHisMaximumAndShowsTheAmountByHim) {
    hero_mp() = 700;
    ready();
    cast_spell(ANGEL_CRY);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].top, marked("Angel Cry"));
    EXPECT_EQ(shown[0].hero_hp, hero_hp()) << "healed while the name shows";
    EXPECT_GE(action_amount, 50);
    EXPECT_LE(action_amount, 60);
    EXPECT_EQ(hero_hp(), 200 + action_amount) << "no upper bound: the caller clamps";
    EXPECT_EQ(hero_mp(), 610);
    EXPECT_EQ(monster_hp(), 500);
    EXPECT_FALSE(amount_on_monster);
    EXPECT_EQ(pauses(), std::vector<int>{1200});
    EXPECT_EQ(text_at(0, 0, 12), std::string(11, ' ') + "#") << "two blanks past the name";
    ASSERT_EQ(effects.played.size(), 1u);
    EXPECT_EQ(effects.played[0].file_name, "music/wav/heal.wav");
    EXPECT_EQ(effects.played[0].at_ms, 1200);

    std::set<int> seen;
    for (std::uint32_t seed = 0; seed < 500; ++seed) {
        seed_random(seed);
        spell_angel_cry();
        seen.insert(action_amount);
    }
    EXPECT_EQ(seen, (std::set<int>{50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60}));
}

}  // namespace
