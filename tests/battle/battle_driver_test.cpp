#include "battle/battle_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "battle/player_commands.h"
#include "game_harness.h"
#include "state/battle_values.h"

namespace {

constexpr int ATTACK = COMMAND_TOP;
constexpr int DEFEND = COMMAND_TOP + 1;
constexpr int MAGIC = COMMAND_TOP + 2;
constexpr int ESCAPE = COMMAND_TOP + 4;

// The harness's clock, with a picture of the screen taken as every pause
// begins: what the player looks at while the game waits.
class WatchingClock : public Clock {
public:
    explicit WatchingClock(VirtualClock& inner) : inner(inner) {}

    void pause(int ms) override {
        seen.push_back({ms, console_device().screen()});
        inner.pause(ms);
    }
    long long seconds() override { return inner.seconds(); }
    void input_waited() override { inner.input_waited(); }

    struct Seen {
        int ms;
        ScreenBuffer screen;
    };
    std::vector<Seen> seen;

private:
    VirtualClock& inner;
};

std::string text_in(const ScreenBuffer& screen, int x, int y, int length) {
    std::string text;
    for (int i = 0; i < length; ++i) text += static_cast<char>(screen.at(x + i, y).ch);
    return text;
}

std::string trimmed(std::string text) { return text.erase(text.find_last_not_of(' ') + 1); }

// What a round that opens at the start of a second draws when the player
// attacks: his blow, then the roll that picks the monster's action.
struct Opening {
    int blow;
    int action_roll;
};

Opening opening_at(long long second) {
    seed_random(static_cast<std::uint32_t>(second));
    const int blow = random_between(10, 20);
    return {blow, random_between(0, 100)};
}

bool is_kick(const Opening& opening) { return opening.action_roll >= 20 && opening.action_roll <= 39; }

// The damage of a kick in a round that opened at the start of the second:
// the monster moves 1200 ms in and draws afresh from the next second, its
// coin first. (A Dragon after one blow is too healthy to eat.)
int kick_damage(long long round_second) {
    seed_random(static_cast<std::uint32_t>(round_second + 1));
    random_between(1, 2);
    return random_between(10, 20);
}

class BattleDriver : public GameTest {
protected:
    BattleDriver() : watch(clock) {
        install_clock(watch);
        // Battle values outlive a battle, and so a test.
        action_amount = 0;
        amount_on_monster = false;
        escape_attempted = false;
        hide_amount = false;
        menu_cancelled = false;
    }

    void choose(int command_row) { press(COMMAND_LEFT, command_row); }

    // The first second after the clock's whose round opens as wanted.
    template <class Wanted>
    long long second_where(Wanted wanted) {
        for (long long t = clock.seconds() + 1;; ++t)
            if (wanted(opening_at(t))) return t;
    }

    // The clock at the very start of that second.
    void start_at(long long second) {
        clock.wait_until(clock.now_ms() - clock.now_ms() % 1000 + (second - clock.seconds()) * 1000);
    }

    // A defeat ends the program; what led up to it is told on the way out.
    static void tell_defeat() { std::fprintf(stderr, "%s\n", dying->defeat_summary().c_str()); }
    void lose() {
        dying = this;
        std::atexit(tell_defeat);
        run_battle(party);
    }
    std::string defeat_summary() {
        std::string told = "pauses";
        for (int ms : pauses()) told += " " + std::to_string(ms);
        told += "; effects";
        for (const auto& effect : effects.played) told += " " + effect.file_name + " at " + std::to_string(effect.at_ms);
        told += "; music";
        for (const std::string& call : sound.calls) told += " " + call;
        told += "; screen " + trimmed(row(0)) + "/" + trimmed(row(1)) + " in " + std::to_string(attr_at(0, 0));
        told += "; hero " + std::to_string(party.party_hp[0]);
        told += "; exit at " + std::to_string(clock.now_ms());
        told += "; keys waiting " + std::to_string(console.events_left());
        return told;
    }
    static inline BattleDriver* dying = nullptr;

    WatchingClock watch;
};

using BattleDriverDeathTest = BattleDriver;

TEST_F(BattleDriver, AMonsterWithNoHpLeftIsBeatenOnceTheBlowHasRisen) {
    current_monster = 0;  // the Chimera's 20 HP: one full blow leaves exactly 0
    start_at(second_where([](const Opening& o) { return o.blow == 20; }));
    const long long start = clock.now_ms();
    choose(ATTACK);
    run_battle(party);

    ASSERT_EQ(pauses(), (std::vector<int>{300, 300, 300, 300, 6000}));
    EXPECT_EQ(monster_table.monster_hp[0], 0);
    EXPECT_EQ(party.party_hp[0], 200) << "the monster never moved";
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(text_in(watch.seen[k].screen, 45, 7 - k, 2), "20") << k;
        EXPECT_EQ(watch.seen[k].screen.at(45, 7 - k).attr, 12) << k;
    }
    ASSERT_EQ(effects.played.size(), 2u);
    EXPECT_EQ(effects.played[0].file_name, "music/wav/attack.wav");
    EXPECT_EQ(effects.played[0].at_ms, start);
    EXPECT_EQ(effects.played[1].file_name, "music/wav/Victory.wav");
    EXPECT_EQ(effects.played[1].at_ms, start + 1200) << "the fanfare waits for the risen amount";
    EXPECT_EQ(sound.calls, std::vector<std::string>{"close"});
}

TEST_F(BattleDriverDeathTest, AHeroWithNoHpLeftLosesTheGame) {
    // A kick that takes exactly what the hero has: 0 HP without any
    // clamping, and that is a defeat.
    const long long second = second_where(is_kick);
    start_at(second);
    party.party_hp[0] = kick_damage(second);
    data_file("gameover.txt", "YOU\nDIED\n");
    const long long start = clock.now_ms();
    // Player's amount, the kick, the monster's amount, then 3000 ms of
    // silence; the picture's two lines and the flicker until the key.
    const long long screen_start = start + 1200 + 1200 + 1200 + 3000;
    const long long key_at = screen_start + 275 + 275 + 100;
    choose(ATTACK);
    console.push(key_press(' '), key_at);

    std::string expected = "pauses 300 300 300 300 1200 300 300 300 300 3000 275 275";
    for (int i = 0; i < 20; ++i) expected += " 5";
    expected += "; effects music/wav/attack.wav at " + std::to_string(start) + " music/wav/Gameover.wav at " +
                std::to_string(screen_start) + "; music close; screen YOU/DIED in 15; hero 0; exit at " +
                std::to_string(key_at) + "; keys waiting 1";
    EXPECT_EXIT(lose(), ::testing::ExitedWithCode(1), expected);
}

TEST_F(BattleDriver, EscapeEndsTheBattleBeforeTheMonsterMoves) {
    choose(ESCAPE);
    run_battle(party);
    EXPECT_EQ(pauses(), (std::vector<int>{750, 750}));
    EXPECT_EQ(text_at(0, 0, 9), "Escaped  ");
    EXPECT_TRUE(effects.played.empty());
    EXPECT_TRUE(sound.calls.empty()) << "the battle music plays on";
    EXPECT_EQ(party.party_hp[0], 200);
    EXPECT_EQ(monster_table.monster_hp[2], 200);
    EXPECT_EQ(console.events_left(), 0u);
}

TEST_F(BattleDriver, ALeftMenuCostsTheRoundButTheMonsterWaits) {
    choose(MAGIC);
    right_click(40, 10);  // leaves the spell list, having cast nothing
    choose(ESCAPE);
    run_battle(party);

    EXPECT_EQ(console.events_left(), 0u) << "the escape was read in a round of its own";
    EXPECT_EQ(pauses(), (std::vector<int>{750, 750})) << "no amount and no monster turn";
    EXPECT_EQ(party.party_hp[0], 200);
    EXPECT_EQ(party.party_mp[0], 700);
    EXPECT_EQ(monster_table.monster_hp[2], 200);
    EXPECT_TRUE(effects.played.empty());
}

TEST_F(BattleDriver, EveryBattleMeetsAFreshMonsterButTheSameHero) {
    const long long first = second_where(is_kick);
    start_at(first);
    choose(ATTACK);
    choose(ESCAPE);
    run_battle(party);
    const int first_kick = kick_damage(first);
    ASSERT_EQ(pauses(), (std::vector<int>{300, 300, 300, 300, 1200, 300, 300, 300, 300, 750, 750}))
        << "the escape comes before the monster's second move";
    EXPECT_EQ(text_in(watch.seen[4].screen, 0, 0, 4), "Kick");
    EXPECT_EQ(monster_table.monster_hp[2], 200 - opening_at(first).blow);
    EXPECT_EQ(party.party_hp[0], 200 - first_kick);

    const long long second = second_where(is_kick);
    start_at(second);
    clock.clear_pauses();
    watch.seen.clear();
    choose(ATTACK);
    choose(ESCAPE);
    run_battle(party);
    ASSERT_FALSE(watch.seen.empty());
    // The screen as the second battle's first blow rises.
    const ScreenBuffer& opened = watch.seen.front().screen;
    EXPECT_EQ(text_in(opened, 65, 3, 8), "HP: 200 ");
    EXPECT_EQ(text_in(opened, 3, 19, 7), "HP: " + std::to_string(200 - first_kick));
    EXPECT_EQ(pauses().size(), 11u) << "the last battle's escape does not hide this one's amounts";
    EXPECT_EQ(monster_table.monster_hp[2], 200 - opening_at(second).blow);
    EXPECT_EQ(party.party_hp[0], 200 - first_kick - kick_damage(second));
}

// A Defend round: the hero's amount rises for 1200 ms, then the monster's
// message shows until 2400 ms. Meanwhile the pointer goes onto Attack and
// clicks, gap_ms after the motion (below 0: motion, press and release in one
// read); afterwards the player escapes.
class BusyClick : public BattleDriver {
protected:
    void defend_then_attack_during_the_monsters_message(int gap_ms) {
        choose(DEFEND);
        wait(1500);
        const ConsoleEvent onto_attack = mouse_report(COMMAND_LEFT, ATTACK, 0, MOUSE_MOVED);
        if (gap_ms < 0) {
            together({onto_attack, mouse_report(COMMAND_LEFT, ATTACK, LEFT_BUTTON), mouse_report(COMMAND_LEFT, ATTACK, 0)});
        } else {
            event(onto_attack);
            wait(gap_ms);
            click(COMMAND_LEFT, ATTACK);
        }
        script_time = TestConsole::WHEN_ASKED;
        choose(ESCAPE);
        run_battle(party);
        EXPECT_EQ(text_at(0, 0, 9), "Escaped  ");
        EXPECT_EQ(console.events_left(), 0u);
    }

    void expect_attacked() {
        ASSERT_EQ(effects.played.size(), 1u);
        EXPECT_EQ(effects.played[0].file_name, "music/wav/attack.wav");
        EXPECT_LT(monster_table.monster_hp[2], 200);
    }
};

TEST_F(BusyClick, AMoveThenAClickWhileTheMonsterActsLoseTheClick) {
    defend_then_attack_during_the_monsters_message(40);
    EXPECT_TRUE(effects.played.empty()) << "the move was the event looked at, the click thrown away";
    EXPECT_EQ(monster_table.monster_hp[2], 200);
}

TEST_F(BusyClick, AMoveAndAClickInOneArrivalAreTheClick) {
    defend_then_attack_during_the_monsters_message(-1);
    expect_attacked();
}

TEST_F(BusyClick, AMoveAndAClickWrittenApartWithinTheWindowAreTheClick) {
    defend_then_attack_during_the_monsters_message(1);
    expect_attacked();
}

TEST_F(BattleDriver, DefendingBeforeAnyActionShowsNothingDealt) {
    choose(DEFEND);
    choose(ESCAPE);
    run_battle(party);
    ASSERT_GE(watch.seen.size(), 5u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(watch.seen[k].ms, 300);
        EXPECT_EQ(text_in(watch.seen[k].screen, 5, 7 - k, 3), "0  ") << k;
        EXPECT_EQ(watch.seen[k].screen.at(5, 7 - k).attr, 10) << "by the hero, in green";
    }
    EXPECT_EQ(watch.seen[4].ms, 1200) << "the monster still moves";
    EXPECT_EQ(monster_table.monster_hp[2], 200);
    EXPECT_TRUE(effects.played.empty()) << "no blow, no blow's sound";
}

TEST_F(BattleDriver, TheGameOverPictureComesLineByLineThenFlickers) {
    goto_xy(40, 12);
    write_text("left over");
    data_file("gameover.txt", "GAME\nOVER\nDUNMAR\n");
    console.push(key_press(' '), 1000);
    game_over_screen();

    ASSERT_EQ(pauses().size(), 3u + 35u) << "three lines, then 5 ms flickers from 825 ms to the key";
    for (int k = 0; k < 3; ++k) EXPECT_EQ(pauses()[k], 275);
    EXPECT_EQ(text_in(watch.seen[0].screen, 0, 0, 5), "GAME ");
    EXPECT_EQ(text_in(watch.seen[0].screen, 0, 1, 4), "    ") << "one line at a time";
    EXPECT_EQ(text_in(watch.seen[1].screen, 0, 1, 4), "OVER");
    int colours = 0;
    for (std::size_t k = 3; k < watch.seen.size(); ++k) {
        const ScreenBuffer& seen = watch.seen[k].screen;
        EXPECT_EQ(watch.seen[k].ms, 5);
        EXPECT_TRUE(seen.attribute() >= 1 && seen.attribute() <= 15) << int(seen.attribute());
        EXPECT_EQ(seen.cursor_x(), 0);
        EXPECT_TRUE(seen.cursor_y() >= 1 && seen.cursor_y() <= 22) << seen.cursor_y();
        if (seen.attribute() != watch.seen[k - 1].screen.attribute()) ++colours;
    }
    EXPECT_GT(colours, 10) << "the colour changes as it flickers";
    EXPECT_EQ(trimmed(row(0)), "GAME");
    EXPECT_EQ(trimmed(row(1)), "OVER");
    EXPECT_EQ(trimmed(row(2)), "DUNMAR");
    EXPECT_EQ(attr_at(0, 2), 15);
    EXPECT_EQ(text_at(40, 12, 9), "         ");
    EXPECT_EQ(clock.now_ms(), 1000);
    EXPECT_EQ(console.events_left(), 1u) << "the key is seen, not taken";
}

TEST_F(BattleDriver, AKeyDuringThePictureEndsTheScreenAtOnce) {
    data_file("gameover.txt", "GAME\nOVER\nDUNMAR\n");
    console.push(key_press(' '), 100);
    game_over_screen();
    EXPECT_EQ(pauses(), std::vector<int>{275});
    EXPECT_EQ(trimmed(row(0)), "GAME");
    EXPECT_EQ(trimmed(row(1)), "");

    // Still waiting, so the next game-over screen ends before its first line.
    game_over_screen();
    EXPECT_EQ(pauses().size(), 1u);
    EXPECT_EQ(trimmed(row(0)), "");
    EXPECT_EQ(console.events_left(), 1u);
}

TEST_F(BattleDriver, WithoutItsPictureTheScreenStillSaysGameOver) {
    console.push(key_press(' '), 50);
    game_over_screen();
    EXPECT_EQ(trimmed(row(0)), "GAME OVER");
    EXPECT_EQ(attr_at(0, 0), 15);
    EXPECT_EQ(pauses(), std::vector<int>(10, 5));
    EXPECT_EQ(console.events_left(), 1u);
}

}  // namespace
