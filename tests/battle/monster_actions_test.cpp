// Screen tests of the monster's turn: which blow a roll picks, what each blow
// takes from the hero and costs the monster, the name it shows for the length
// of its pause, and when a weak monster eats instead.
#include "battle/monster_actions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "game_harness.h"
#include "watching_clock.h"
#include "state/battle_values.h"

namespace {

// What the player saw at one pause of a turn.
struct Shown {
    std::string top;  // the start of the top row
    int hero_hp;
    int monster_hp;
};


struct Blow {
    const char* name;
    int first_roll;
    int last_roll;
    int low;  // the amount's range
    int high;
    int mp_cost;
};

// The seven blows a roll picks from, in roll order.
const Blow BLOWS[] = {
    {"Claw", 0, 19, 0, 20, 0},
    {"Kick", 20, 39, 10, 20, 0},
    {"Teeth", 40, 54, 20, 40, 0},
    {"Tail Whip", 55, 69, 30, 40, 30},
    {"Head Punch", 70, 84, 30, 40, 30},
    {"Bite", 85, 94, 30, 60, 40},
    {"Mountain Fall", 95, 100, 100, 100, 80},
};
const Blow& MOUNTAIN_FALL = BLOWS[6];

constexpr int CHIMERA = 0;  // 20 HP at most: it eats below 4
constexpr int DRAGON = 2;   // 200 HP: at full health it never eats

class MonsterTurn : public GameTest {
protected:
    MonsterTurn() : watching(clock, [this] { shown.push_back({text_at(0, 0, 20), hero_hp(), monster_hp()}); }) {
        install_clock(watching);
        reset_monster_table();
        current_monster = DRAGON;
        action_amount = 0;
    }
    ~MonsterTurn() override {
        action_amount = 0;  // the next test's battle starts clean
        install_clock(clock);
    }

    static int& hero_hp() { return party.party_hp[0]; }
    static int& monster_hp() { return monster_table.monster_hp[current_monster]; }
    static int& monster_mp() { return monster_table.monster_mp[current_monster]; }

    // A seed whose first draw is the given roll.
    static std::uint32_t seed_for_roll(int roll) {
        for (std::uint32_t seed = 1;; ++seed) {
            seed_random(seed);
            if (random_between(0, 100) == roll) return seed;
        }
    }

    // The coin and then the amount from low to high that a second gives.
    static std::pair<int, int> coin_and_amount(long long second, int low, int high) {
        seed_random(static_cast<std::uint32_t>(second));
        const int coin = random_between(1, 2);
        return {coin, random_between(low, high)};
    }

    // The first second from now whose coin (and amount from low to high,
    // when one is wanted) are these.
    long long second_with(int coin, int low = 0, int high = 0, int amount = -1) {
        for (long long t = clock.seconds();; ++t) {
            const auto [c, a] = coin_and_amount(t, low, high);
            if (c == coin && (amount < 0 || a == amount)) return t;
        }
    }

    // One monster turn with the given roll, now or at a later second.
    void turn(int roll, long long second = -1) {
        if (second >= 0) clock.wait_until(clock.now_ms() + (second - clock.seconds()) * 1000);
        seed_random(seed_for_roll(roll));
        shown.clear();
        clock.clear_pauses();
        monster_turn();
    }

    // The action the last turn named, on a top row that was blank before.
    std::string named() {
        if (shown.empty()) return "(no pause)";
        std::string name = shown[0].top;
        while (!name.empty() && name.back() == ' ') name.pop_back();
        return name;
    }

    std::vector<Shown> shown;
    WatchingClock watching;
};

TEST_F(MonsterTurn, EveryBlowTakesItsAmountFromTheHeroAndChargesItsMp) {
    for (const Blow& blow : BLOWS) {
        SCOPED_TRACE(blow.name);
        for (int i = 0; i < 30; ++i) {
            hero_hp() = 200;
            const int mp_before = monster_mp();
            const long long second = clock.seconds();
            turn(blow.first_roll);
            EXPECT_EQ(action_amount, coin_and_amount(second, blow.low, blow.high).second)
                << "the amount comes after the coin in the turn's second";
            EXPECT_GE(action_amount, blow.low);
            EXPECT_LE(action_amount, blow.high);
            EXPECT_EQ(hero_hp(), 200 - action_amount);
            EXPECT_EQ(monster_mp(), mp_before - blow.mp_cost) << "MP may run below 0: nothing reads it";
            EXPECT_EQ(monster_hp(), 200);
            EXPECT_EQ(pauses(), std::vector<int>{1200});
            if (HasFailure()) return;
        }
    }
}

TEST_F(MonsterTurn, EachActionShowsItsNameWhileItTakesEffectThenBlanksExactlyTheName) {
    for (const Blow& blow : BLOWS) {
        SCOPED_TRACE(blow.name);
        const std::string name = blow.name;
        console.screen().fill_chars('#', SCREEN_WIDTH);
        hero_hp() = 200;
        turn(blow.first_roll);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].top.substr(0, name.size() + 1), name + "#");
        EXPECT_EQ(shown[0].hero_hp, hero_hp()) << "the blow lands while its name shows";
        EXPECT_EQ(text_at(0, 0, static_cast<int>(name.size()) + 1), std::string(name.size(), ' ') + "#");
    }

    current_monster = CHIMERA;
    monster_hp() = 3;
    console.screen().fill_chars('#', SCREEN_WIDTH);
    turn(0, second_with(1));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].top.substr(0, 4), "Eat#");
    EXPECT_EQ(shown[0].monster_hp, monster_hp());
    EXPECT_GT(monster_hp(), 3);
    EXPECT_EQ(text_at(0, 0, 4), "   #");
    EXPECT_EQ(pauses(), std::vector<int>{1200});
}

TEST_F(MonsterTurn, TheRollTableChangesBlowAtEachBoundaryWhateverTheSecond) {
    // Twice over, the second pass some seconds later than the first: the
    // roll is drawn before the generator is re-seeded from the clock.
    for (int pass = 0; pass < 2; ++pass) {
        for (const Blow& blow : BLOWS) {
            for (int roll : {blow.first_roll, blow.last_roll}) {
                hero_hp() = 200;
                turn(roll);
                EXPECT_EQ(named(), blow.name) << "roll " << roll << " at second " << clock.seconds();
            }
        }
    }
}

TEST_F(MonsterTurn, MountainFallTakesExactlyAHundredAndDrawsNoAmount) {
    hero_hp() = 100;
    const long long second = clock.seconds();
    turn(MOUNTAIN_FALL.first_roll);
    EXPECT_EQ(named(), "Mountain Fall");
    EXPECT_EQ(action_amount, 100);
    EXPECT_EQ(hero_hp(), 0);
    const int next = next_random();
    seed_random(static_cast<std::uint32_t>(second));
    random_between(1, 2);  // the coin, the turn's only draw after the roll
    EXPECT_EQ(next, next_random());

    hero_hp() = 60;
    turn(MOUNTAIN_FALL.last_roll);
    EXPECT_EQ(hero_hp(), 0) << "not -40";
    EXPECT_EQ(monster_mp(), 100 - 2 * 80);
}

TEST_F(MonsterTurn, AChimeraAtFourHpNeverEats) {
    current_monster = CHIMERA;
    monster_hp() = 4;  // a fifth of 20 is not below it
    turn(MOUNTAIN_FALL.first_roll, second_with(1));
    EXPECT_EQ(named(), "Mountain Fall");
    EXPECT_EQ(monster_hp(), 4);
    EXPECT_EQ(hero_hp(), 100);
}

TEST_F(MonsterTurn, AChimeraAtThreeHpEatsOnCoinOneEvenPastItsMaximum) {
    current_monster = CHIMERA;
    monster_hp() = 3;
    turn(MOUNTAIN_FALL.first_roll, second_with(1, 50, 60, 60));
    EXPECT_EQ(named(), "Eat") << "the coin overrules the roll";
    EXPECT_EQ(action_amount, 60);
    EXPECT_EQ(monster_hp(), 63) << "eating is not capped at the maximum of 20";
    EXPECT_EQ(monster_mp(), 30 - 60);
    EXPECT_EQ(hero_hp(), 200);

    monster_hp() = 3;
    turn(MOUNTAIN_FALL.first_roll, second_with(2));
    EXPECT_EQ(named(), "Mountain Fall") << "coin 2: the roll decides";
    EXPECT_EQ(monster_hp(), 3);
    EXPECT_EQ(hero_hp(), 100);

    for (int i = 0; i < 15; ++i) {
        monster_hp() = 3;
        hero_hp() = 200;
        const long long second = second_with(1);
        turn(0, second);
        EXPECT_EQ(named(), "Eat");
        EXPECT_EQ(action_amount, coin_and_amount(second, 50, 60).second);
        EXPECT_EQ(monster_hp(), 3 + action_amount);
        EXPECT_EQ(hero_hp(), 200);
    }
}

TEST_F(MonsterTurn, ANegativeMonsterHpIsRaisedToZeroAfterTheAction) {
    monster_hp() = -15;  // a hero's blow went past 0
    turn(0, second_with(2));
    EXPECT_EQ(named(), "Claw");
    EXPECT_EQ(monster_hp(), 0);

    // Below a fifth of 200 the dragon may eat: from -15, not from 0.
    monster_hp() = -15;
    turn(0, second_with(1));
    EXPECT_EQ(named(), "Eat");
    EXPECT_EQ(monster_hp(), -15 + action_amount);
}

TEST_F(MonsterTurn, TheHeroEndsTheTurnWithinHisLimits) {
    hero_hp() = 260;
    party.party_mp[0] = -10;
    turn(0);
    EXPECT_EQ(named(), "Claw");
    EXPECT_EQ(hero_hp(), 200) << "a claw takes at most 20 of the 60 over";
    EXPECT_EQ(party.party_mp[0], 0);

    hero_hp() = 30;
    party.party_mp[0] = 900;
    turn(MOUNTAIN_FALL.first_roll);
    EXPECT_EQ(hero_hp(), 0);
    EXPECT_EQ(party.party_mp[0], 700);
}

}  // namespace
