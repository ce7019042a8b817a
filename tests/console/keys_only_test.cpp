// The game played with the keyboard alone: the keyboard pointer's moves and
// clicks reach the map and the battle as a mouse's would, by each screen's
// own rules.
#include <gtest/gtest.h>

#include "battle/battle_driver.h"
#include "battle/player_commands.h"
#include "game_harness.h"
#include "map/map_screen.h"
#include "state/battle_values.h"

namespace {

const ConsoleEvent UP = key_press(0, KEY_CODE_UP);
const ConsoleEvent DOWN = key_press(0, KEY_CODE_DOWN);
const ConsoleEvent RIGHT = key_press(0, KEY_CODE_RIGHT);
const ConsoleEvent LEFT = key_press(0, KEY_CODE_LEFT);
const ConsoleEvent HOME = key_press(0, KEY_CODE_HOME);  // eight to the left
const ConsoleEvent END = key_press(0, KEY_CODE_END);    // eight to the right
const ConsoleEvent ENTER = key_press(13, KEY_CODE_RETURN);
const ConsoleEvent ESCAPE = key_press(27, KEY_CODE_ESCAPE);

class KeysOnly : public GameTest {
protected:
    void keys(std::initializer_list<ConsoleEvent> presses, int times = 1) {
        for (int i = 0; i < times; ++i)
            for (const ConsoleEvent& k : presses) event(k);
    }

    // An open meadow on the map screen, the hero at (x, 12).
    void on_open_meadow(int x) {
        data_file("Mp1.txt", map_of(std::string(55, '0')));
        draw_map_screen();
        player_x = x;
        player_y = 12;
        map_index = (x - MAP_LEFT) + (12 - MAP_TOP) * MAP_STRIDE;
    }

    // One walk step on the script so far; false if the script ran dry first.
    bool step() {
        try {
            walk_step(player_x, player_y);
            return true;
        } catch (const ScriptExhausted&) {
            return false;
        }
    }
};

TEST_F(KeysOnly, OnTheMapEnterWalksTheArrowsLeadAndThePanelsMenusOpenAndClose) {
    on_open_meadow(38);
    party.party_hp[0] = 20;

    keys({ENTER});  // the pointer starts in the middle, (40, 12)
    ASSERT_TRUE(step());
    EXPECT_TRUE(walking);
    EXPECT_EQ(player_x, 39) << "the click that starts the walk is its first step";
    keys({RIGHT});
    ASSERT_TRUE(step());
    EXPECT_EQ(player_x, 40) << "a step towards each move";

    // Enter stops the walk; then to the panel's Magic row, (64, 10), and
    // from the spell list's corner down to Angel Cry, (1, 12).
    keys({ENTER});
    keys({END}, 3);
    keys({UP}, 2);
    keys({ENTER});
    keys({HOME}, 8);
    keys({RIGHT});
    keys({DOWN}, 2);
    keys({ENTER});
    // Then the Item row, (65, 11), and its menu left with Escape.
    keys({END}, 8);
    keys({UP});
    keys({ENTER, ESCAPE});
    EXPECT_FALSE(step()) << "standing still, the map keeps reading";
    EXPECT_FALSE(walking);
    EXPECT_GT(party.party_hp[0], 20) << "Angel Cry was cast";
    ASSERT_EQ(effects.played.size(), 1u);
    EXPECT_EQ(effects.played[0].file_name, "music/wav/heal.wav");
    EXPECT_EQ(text_at(61, 11, 4), "Item") << "the item menu closed onto the map";
    EXPECT_EQ(char_at(1, 1), ' ') << "no menu title left";
    EXPECT_EQ(console.events_left(), 0u);
}

TEST_F(KeysOnly, ThePointerStandsWhereTheKeysPutItThoughTheWalkThrowsThemAway) {
    on_open_meadow(30);
    keys({ENTER});  // walking, towards the pointer in the middle
    // Right and Left in turn, 50 ms apart: three or four come during each
    // step's pause, and the walk reads one of them and throws the rest away.
    for (int pair = 0; pair < 24; ++pair) {
        wait(50);
        event(RIGHT);
        wait(50);
        event(LEFT);
    }
    while (step()) {
    }
    EXPECT_EQ(console.keyboard_pointer().x(), 40);
    EXPECT_EQ(console.keyboard_pointer().y(), 12);
    EXPECT_TRUE(walking);
}

TEST_F(KeysOnly, InBattleEscapeLeavesAMenuWithoutTheMonsterActingAndTheEscapeCommandIsChosen) {
    current_monster = 2;
    action_amount = 0;
    menu_cancelled = false;
    keys({END}, 3);
    keys({DOWN}, 7);  // Magic, (64, 19)
    keys({ENTER, ESCAPE});
    keys({DOWN}, 2);  // Escape, (64, 21)
    keys({ENTER});
    run_battle(party);
    EXPECT_TRUE(escape_attempted);
    EXPECT_EQ(party.party_hp[0], 200) << "the monster never acted";
    EXPECT_TRUE(effects.played.empty()) << "no spell, no blow";
    EXPECT_EQ(console.events_left(), 0u);
}

}  // namespace
