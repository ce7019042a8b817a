// Screen tests of the player's turn in a battle: which clicks choose a
// command, what is thrown away, and what each of the five commands does to
// the fight and to the screen.
#include "battle/player_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "game_harness.h"
#include "watching_clock.h"
#include "state/battle_values.h"

namespace {


constexpr int DRAGON = 2;
constexpr int WORD_X = 66;  // the middle of the command words
constexpr int ATTACK_ROW = 17;
constexpr int DEFEND_ROW = 18;
constexpr int MAGIC_ROW = 19;
constexpr int ITEM_ROW = 20;
constexpr int ESCAPE_ROW = 21;
const char* const ATTACK_SOUND = "music/wav/attack.wav";

class PlayerCommand : public GameTest {
protected:
    PlayerCommand() : watching(clock, [this] { tops.push_back(text_at(0, 0, 12)); }) {
        install_clock(watching);
        reset_monster_table();
        current_monster = DRAGON;
        fresh_battle_values();
    }
    ~PlayerCommand() override {
        fresh_battle_values();  // the next test's battle starts clean
        install_clock(clock);
    }

    static void fresh_battle_values() {
        action_amount = 0;
        amount_on_monster = false;
        escape_attempted = false;
        hide_amount = false;
        menu_cancelled = false;
        menu_kind = 'm';
        menu_entries.resize(0);
    }

    static int& monster_hp() { return monster_table.monster_hp[current_monster]; }

    // One player's turn on the script so far; what it set escaped to.
    int command() {
        int escaped = 0;
        read_battle_command(&escaped);
        return escaped;
    }

    // Nothing a command does has happened.
    void expect_no_command() {
        EXPECT_TRUE(effects.played.empty());
        EXPECT_EQ(monster_hp(), 200);
        EXPECT_EQ(menu_kind, 'm');
        EXPECT_TRUE(menu_entries.length() == 0) << "no menu window";
        EXPECT_FALSE(escape_attempted);
        EXPECT_TRUE(pauses().empty());
    }

    std::vector<std::string> whole_screen() {
        std::vector<std::string> rows;
        for (int y = 0; y < SCREEN_HEIGHT; ++y) rows.push_back(row(y));
        return rows;
    }

    // The battle screen as drawn afresh: nothing of what was there before.
    void expect_battle_screen() {
        const char* const words[] = {"Attack", "Defend", "Magic", "Item", "Escape"};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(text_at(64, 17 + i, 6).substr(0, std::string(words[i]).size()), words[i]);
            EXPECT_EQ(attr_at(64, 17 + i), 9);
        }
        EXPECT_EQ(text_at(65, 2, 6), "Dragon");
        EXPECT_EQ(text_at(3, 17, 6), "Dunmar");
        EXPECT_EQ(text_at(50, 5, 5), "(o.o)");
        EXPECT_EQ(attr_at(50, 5), 12);
        EXPECT_EQ(char_at(1, 1), 201);
        for (int y = 0; y < SCREEN_HEIGHT; ++y)
            EXPECT_EQ(row(y).find('#'), std::string::npos) << "row " << y << " not cleared";
        for (int y = 5; y <= 19; ++y) {
            if (y == 16) continue;  // the frame's divider runs through it
            EXPECT_EQ(text_at(30, y, 17), std::string(17, ' ')) << "window left on row " << y;
        }
    }

    std::vector<std::string> tops;  // the top row at each pause
    WatchingClock watching;
};

TEST_F(PlayerCommand, TheCornersOfTheZoneChooseTheirRowsCommand) {
    click(COMMAND_LEFT, ATTACK_ROW);
    EXPECT_EQ(command(), 0);
    click(COMMAND_RIGHT, ATTACK_ROW);
    EXPECT_EQ(command(), 0);
    EXPECT_EQ(effects.played.size(), 2u) << "two attacks";
    EXPECT_EQ(console.events_left(), 1u) << "each call returned on its press";

    click(COMMAND_LEFT, ESCAPE_ROW);
    EXPECT_EQ(command(), 1);
    click(COMMAND_RIGHT, ESCAPE_ROW);
    EXPECT_EQ(command(), 1);
}

TEST_F(PlayerCommand, ClicksJustOutsideTheZoneAreReadAndIgnored) {
    const std::pair<int, int> misses[] = {{63, ATTACK_ROW}, {71, ATTACK_ROW}, {63, ESCAPE_ROW}, {71, ESCAPE_ROW},
                                          {64, 16},         {70, 16},         {64, 22},         {70, 22}};
    for (auto [x, y] : misses) {
        click(x, y);
        EXPECT_THROW(command(), ScriptExhausted) << "(" << x << ", " << y << ") chose something";
    }
    expect_no_command();

    // Misses, then a word: only the word counts.
    click(63, MAGIC_ROW);
    click(WORD_X, 22);
    click(WORD_X, ATTACK_ROW);
    EXPECT_EQ(command(), 0);
    EXPECT_EQ(effects.played.size(), 1u);
    EXPECT_EQ(console.events_left(), 1u) << "the attack's release";
}

TEST_F(PlayerCommand, OnlyTheLeftButtonAloneChooses) {
    const std::pair<const char*, ConsoleEvent> not_clicks[] = {
        {"right press", mouse_report(WORD_X, ATTACK_ROW, RIGHT_BUTTON)},
        {"both buttons", mouse_report(WORD_X, ATTACK_ROW, LEFT_BUTTON | RIGHT_BUTTON)},
        {"middle press", mouse_report(WORD_X, ESCAPE_ROW, MIDDLE_BUTTON)},
        {"release", mouse_report(WORD_X, ATTACK_ROW, 0)},
        {"bare movement", mouse_report(WORD_X, ESCAPE_ROW, 0, MOUSE_MOVED)},
        {"key", key_press('a')},
    };
    for (const auto& [what, e] : not_clicks) {
        event(e);
        EXPECT_THROW(command(), ScriptExhausted) << what << " chose something";
    }
    right_click(WORD_X, ESCAPE_ROW);
    EXPECT_THROW(command(), ScriptExhausted);
    expect_no_command();
}

TEST_F(PlayerCommand, DraggingOntoACommandWithTheLeftHeldCarriesItOut) {
    press(40, 10);
    move(55, 15, LEFT_BUTTON);
    move(WORD_X, ATTACK_ROW, LEFT_BUTTON);
    EXPECT_EQ(command(), 0);
    EXPECT_EQ(effects.played.size(), 1u);
    EXPECT_LT(monster_hp(), 200);
    EXPECT_EQ(console.events_left(), 0u);
}

TEST_F(PlayerCommand, APointerThatMovesAndPressesInOneArrivalChooses) {
    // A quick click: the terminal sends the last motion, the press and the
    // release in one go.
    together({mouse_report(WORD_X, ATTACK_ROW, 0, MOUSE_MOVED), mouse_report(WORD_X, ATTACK_ROW, LEFT_BUTTON),
              mouse_report(WORD_X, ATTACK_ROW, 0)});
    EXPECT_EQ(command(), 0);
    EXPECT_LT(monster_hp(), 200);
    EXPECT_EQ(effects.played.size(), 1u);
    EXPECT_EQ(console.events_left(), 0u) << "its release thrown away";
}

TEST_F(PlayerCommand, APressWrittenJustAfterItsMotionIsStillOneArrival) {
    // The terminal wrote the motion and the click apart, microseconds
    // apart: the motion must not be looked at alone, nor the click thrown
    // away after it.
    wait(0);
    move(WORD_X, ATTACK_ROW);
    click(WORD_X, ATTACK_ROW);
    EXPECT_EQ(command(), 0);
    EXPECT_LT(monster_hp(), 200);
    EXPECT_EQ(console.events_left(), 0u);
}

TEST_F(PlayerCommand, OnlyTheFirstOfTheEventsWaitingIsLookedAt) {
    wait(0);  // all of these are waiting when the turn begins
    click(40, 10);
    click(WORD_X, ATTACK_ROW);
    EXPECT_THROW(command(), ScriptExhausted) << "the attack was thrown away with the miss's release";
    expect_no_command();

    wait(0);
    amount_on_monster = false;
    click(WORD_X, ATTACK_ROW);
    click(WORD_X, DEFEND_ROW);
    EXPECT_EQ(command(), 0);
    EXPECT_TRUE(amount_on_monster) << "the defend after it never counted";
    EXPECT_EQ(console.events_left(), 0u);
}

TEST_F(PlayerCommand, InputDuringACommandIsThrownAwayButNotInputStillToCome) {
    wait(0);
    click(WORD_X, ESCAPE_ROW);
    wait(100);
    click(WORD_X, ATTACK_ROW);  // while "Escaping" shows
    wait(1000);
    click(WORD_X, ATTACK_ROW);  // while "Escaped" shows
    wait(1000);
    click(WORD_X, DEFEND_ROW);  // after the escape
    EXPECT_EQ(command(), 1);
    EXPECT_TRUE(effects.played.empty());
    EXPECT_EQ(console.events_left(), 2u);
}

TEST_F(PlayerCommand, AttackStrikesForTenToTwentyWithTheAttackSound) {
    seed_random(777);
    int lowest = 99;
    int highest = -1;
    for (int i = 0; i < 60; ++i) {
        monster_hp() = 200;
        amount_on_monster = false;
        click(WORD_X, ATTACK_ROW);
        EXPECT_EQ(command(), 0);
        EXPECT_TRUE(amount_on_monster);
        EXPECT_GE(action_amount, 10);
        EXPECT_LE(action_amount, 20);
        EXPECT_EQ(monster_hp(), 200 - action_amount);
        lowest = std::min(lowest, action_amount);
        highest = std::max(highest, action_amount);
    }
    EXPECT_EQ(lowest, 10);
    EXPECT_EQ(highest, 20);
    ASSERT_EQ(effects.played.size(), 60u);
    EXPECT_EQ(effects.played[0].file_name, ATTACK_SOUND);
    EXPECT_TRUE(pauses().empty());

    // The blow is the generator's next draw; no re-seeding from the clock.
    seed_random(4321);
    const int expected = random_between(10, 20);
    seed_random(4321);
    click(WORD_X, ATTACK_ROW);
    command();
    EXPECT_EQ(action_amount, expected);
}

TEST_F(PlayerCommand, AttackLeavesABeatenMonsterAtZeroAndEveryTurnClampsTheHero) {
    monster_hp() = 5;
    party.party_hp[0] = 250;
    party.party_mp[0] = -3;
    click(WORD_X, ATTACK_ROW);
    command();
    EXPECT_EQ(monster_hp(), 0);
    EXPECT_EQ(party.party_hp[0], 200);
    EXPECT_EQ(party.party_mp[0], 0);

    monster_hp() = -4;
    party.party_hp[0] = -8;
    party.party_mp[0] = 701;
    click(WORD_X, DEFEND_ROW);
    command();
    EXPECT_EQ(monster_hp(), 0);
    EXPECT_EQ(party.party_hp[0], 0);
    EXPECT_EQ(party.party_mp[0], 700);
}

TEST_F(PlayerCommand, DefendChangesNothingButWhereTheAmountShows) {
    console.screen().fill_chars('#', SCREEN_WIDTH * 3);
    amount_on_monster = true;
    action_amount = 37;
    monster_hp() = 150;
    party.party_hp[0] = 120;
    party.party_mp[0] = 300;
    menu_kind = 'i';
    const std::vector<std::string> before = whole_screen();
    seed_random(4242);
    click(WORD_X, DEFEND_ROW);
    EXPECT_EQ(command(), 0);

    EXPECT_FALSE(amount_on_monster);
    EXPECT_EQ(action_amount, 37);
    EXPECT_EQ(monster_hp(), 150);
    EXPECT_EQ(monster_table.monster_mp[DRAGON], 100);
    EXPECT_EQ(party.party_hp[0], 120);
    EXPECT_EQ(party.party_mp[0], 300);
    EXPECT_EQ(menu_kind, 'i');
    EXPECT_FALSE(escape_attempted);
    EXPECT_TRUE(effects.played.empty());
    EXPECT_TRUE(pauses().empty());
    EXPECT_EQ(whole_screen(), before);
    const int next = next_random();
    seed_random(4242);
    EXPECT_EQ(next, next_random()) << "no draw, no re-seeding";
}

TEST_F(PlayerCommand, TheSpellWindowListsElevenSpellsInYellow) {
    console.screen().fill_chars('#', SCREEN_CELLS);
    menu_kind = 'm';
    menu_window("MAGIC");

    EXPECT_EQ(char_at(30, 5), 201);
    EXPECT_EQ(char_at(46, 5), 187);
    EXPECT_EQ(char_at(30, 19), 200);
    EXPECT_EQ(char_at(46, 19), 188);
    for (int x = 31; x <= 45; ++x) {
        EXPECT_EQ(char_at(x, 5), 205) << "top edge, column " << x;
        EXPECT_EQ(char_at(x, 19), 205) << "bottom edge, column " << x;
    }
    for (int y = 6; y <= 18; ++y) {
        EXPECT_EQ(char_at(30, y), 186) << "left edge, row " << y;
        EXPECT_EQ(char_at(46, y), 186) << "right edge, row " << y;
    }
    EXPECT_EQ(text_at(31, 6, 5), "MAGIC");
    ASSERT_EQ(menu_entries.length(), 11);
    for (int i = 0; i < 11; ++i) {
        const std::string name = magic_names[i].c_str();
        EXPECT_EQ(menu_entries[i], magic_names[i]);
        EXPECT_EQ(text_at(31, 7 + i, 15), " " + name + std::string(14 - name.size(), ' ')) << "row " << 7 + i;
        for (int x = 32; x < 32 + static_cast<int>(name.size()); ++x) EXPECT_EQ(attr_at(x, 7 + i), 14) << name;
    }
    EXPECT_EQ(screen().attribute(), 14) << "the spell menu goes on in yellow";
    EXPECT_EQ(char_at(29, 5), '#');
    EXPECT_EQ(char_at(47, 19), '#');
    EXPECT_EQ(char_at(30, 4), '#');
    EXPECT_EQ(char_at(30, 20), '#');
}

TEST_F(PlayerCommand, TheItemWindowListsEightItemsInRedOverABlankedInside) {
    console.screen().fill_chars('#', SCREEN_CELLS);
    menu_kind = 'i';
    menu_window("ITEM");

    EXPECT_EQ(text_at(31, 6, 4), "ITEM");
    EXPECT_EQ(char_at(30, 5), 201);
    EXPECT_EQ(char_at(46, 19), 188);
    ASSERT_EQ(menu_entries.length(), 8);
    for (int i = 0; i < 8; ++i) {
        const std::string name = item_names[i].c_str();
        EXPECT_EQ(text_at(31, 7 + i, 15), " " + name + std::string(14 - name.size(), ' ')) << "row " << 7 + i;
        EXPECT_EQ(attr_at(32, 7 + i), 4) << name;
    }
    for (int y = 15; y <= 17; ++y) EXPECT_EQ(text_at(31, y, 15), std::string(15, ' ')) << "row " << y;
    EXPECT_EQ(screen().attribute(), 4);
}

TEST_F(PlayerCommand, MagicAndItemOpenTheirListsThenRedrawTheBattle) {
    data_file("rat.txt", "(o.o)\n");
    console.screen().fill_chars('#', SCREEN_CELLS);
    menu_kind = 'i';
    click(WORD_X, MAGIC_ROW);
    right_click(10, 10);  // leaves the menu having chosen nothing
    EXPECT_EQ(command(), 0);
    EXPECT_EQ(menu_kind, 'm');
    ASSERT_EQ(menu_entries.length(), 11) << "the spell window was drawn";
    EXPECT_EQ(menu_entries[10], magic_names[10]);
    expect_battle_screen();

    console.screen().fill_chars('#', SCREEN_CELLS);
    click(WORD_X, ITEM_ROW);
    right_click(10, 10);
    EXPECT_EQ(command(), 0);
    EXPECT_EQ(menu_kind, 'i');
    ASSERT_EQ(menu_entries.length(), 8) << "the item window was drawn";
    EXPECT_EQ(menu_entries[7], item_names[7]);
    expect_battle_screen();

    EXPECT_TRUE(effects.played.empty());
    EXPECT_TRUE(pauses().empty());
    EXPECT_FALSE(escape_attempted);
}

TEST_F(PlayerCommand, EscapeAlwaysWorksAndSaysSoForHalfASecondAndMore) {
    console.screen().fill_chars('#', SCREEN_WIDTH);
    clock.wait_until(900);  // late in a second, so the escape ends two seconds on
    const long long second = clock.seconds();
    seed_random(99);
    amount_on_monster = true;
    click(WORD_X, ESCAPE_ROW);
    EXPECT_EQ(command(), 1);

    EXPECT_TRUE(escape_attempted);
    EXPECT_FALSE(amount_on_monster);
    EXPECT_EQ(pauses(), (std::vector<int>{750, 750}));
    EXPECT_EQ(tops, (std::vector<std::string>{"Escaping####", "Escaped  ###"}));
    EXPECT_EQ(text_at(0, 0, 10), "Escaped  #") << "left on the screen";
    EXPECT_EQ(monster_hp(), 200);
    EXPECT_TRUE(effects.played.empty());

    const int next = next_random();
    seed_random(static_cast<std::uint32_t>(second));
    EXPECT_EQ(next, next_random()) << "re-seeded from the second of the click";
}

}  // namespace
