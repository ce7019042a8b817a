#include "map/walking.h"

#include <gtest/gtest.h>

#include "game_harness.h"
#include "map/map_screen.h"

namespace {

class Walking : public GameTest {
protected:
    // An open meadow with a rock at the given cells.
    void meadow_with_rocks(std::initializer_list<std::pair<int, int>> rocks) {
        std::string map = map_of(std::string(55, '0'));
        for (auto [x, y] : rocks) map[(x - 4) + (y - 2) * MAP_STRIDE] = '3';
        data_file("Mp1.txt", map);
        draw_map_screen();
    }

    void place_hero(int x, int y) {
        player_x = x;
        player_y = y;
        map_index = (x - 4) + (y - 2) * MAP_STRIDE;
    }

    // One walk step on the script so far; the script running dry inside it
    // means the step never ended.
    bool step() {
        try {
            walk_step(player_x, player_y);
            return true;
        } catch (const ScriptExhausted&) {
            return false;
        }
    }
};

TEST_F(Walking, AClickThatSwitchesWalkingOnIsAlsoTheFirstStep) {
    meadow_with_rocks({});
    place_hero(10, 10);
    wait(0);  // the press and its release come in together
    click(20, 5);
    ASSERT_TRUE(step());
    EXPECT_TRUE(walking);
    EXPECT_EQ(player_x, 11);
    EXPECT_EQ(player_y, 9) << "one cell on each axis towards the click";
    EXPECT_EQ(map_index, 7 + 7 * 56);
    EXPECT_EQ(char_at(10, 10), ' ');
    EXPECT_EQ(attr_at(10, 10), 160) << "erased in the map's green";
    EXPECT_EQ(char_at(11, 9), ' ') << "not drawn at the new cell until the next step";
    EXPECT_EQ(pauses(), std::vector<int>{175});
    EXPECT_EQ(screen().attribute(), 15);
    EXPECT_EQ(console.events_left(), 0u) << "the release was thrown away with the rest";
}

TEST_F(Walking, AClickWithWalkingOnSwitchesItOffWithoutAStep) {
    meadow_with_rocks({});
    place_hero(10, 10);
    walking = true;
    click(30, 10);  // the press stops walking; the release is read and ignored
    key('w');
    EXPECT_FALSE(step()) << "the step keeps reading";
    EXPECT_FALSE(walking);
    EXPECT_EQ(player_x, 10);
}

TEST_F(Walking, EveryMouseEventWhileWalkingIsAStepEvenAtRest) {
    meadow_with_rocks({});
    place_hero(10, 10);
    walking = true;
    key('x');  // keys change nothing
    move(10, 10);
    ASSERT_TRUE(step());
    EXPECT_EQ(player_x, 10);
    EXPECT_EQ(player_y, 10);
    EXPECT_EQ(char_at(10, 10), 1) << "drawn at the start of the step, never erased";
}

TEST_F(Walking, TheHeroIsDrawnAtTheStartOfEveryStep) {
    meadow_with_rocks({});
    place_hero(10, 10);
    walking = true;
    move(30, 10);
    ASSERT_TRUE(step());
    EXPECT_EQ(char_at(11, 10), ' ');
    move(11, 10);  // the pointer rests on him: no movement
    ASSERT_TRUE(step());
    EXPECT_EQ(char_at(11, 10), 1);
    EXPECT_EQ(attr_at(11, 10), 160);
    EXPECT_EQ(player_x, 11);
}

TEST_F(Walking, RightFromColumnFiftyEightIsRefusedOnEveryRow) {
    meadow_with_rocks({});
    walking = true;
    for (int y = 2; y <= 22; ++y) {
        place_hero(58, y);
        move(70, y);
        ASSERT_TRUE(step());
        EXPECT_EQ(player_x, 58) << "row " << y;
    }
    place_hero(4, 2);
    move(0, 0);
    ASSERT_TRUE(step());
    EXPECT_EQ(player_x, 4);
    EXPECT_EQ(player_y, 2);
    place_hero(30, 22);
    move(30, 24);
    ASSERT_TRUE(step());
    EXPECT_EQ(player_y, 22);
}

TEST_F(Walking, ABurstOfMotionsInOneArrivalIsOneStepTowardsTheLast) {
    meadow_with_rocks({});
    place_hero(10, 10);
    walking = true;
    together({mouse_report(20, 10, 0, MOUSE_MOVED), mouse_report(25, 3, 0, MOUSE_MOVED),
              mouse_report(3, 15, 0, MOUSE_MOVED)});
    ASSERT_TRUE(step());
    EXPECT_EQ(player_x, 9);
    EXPECT_EQ(player_y, 11);
    EXPECT_EQ(console.events_left(), 0u);

    // The same motions a moment apart while the hero paused: the first is
    // the step, the rest are thrown away.
    wait(0);
    move(20, 10);
    wait(40);
    move(25, 3);
    wait(40);
    move(3, 15);
    ASSERT_TRUE(step());
    EXPECT_EQ(player_x, 10);
    EXPECT_EQ(player_y, 10) << "towards (20, 10)";
    EXPECT_EQ(console.events_left(), 0u);
}

TEST_F(Walking, DiagonalStepsGoRoundACornerAxisByAxis) {
    // Rock to the right-and-below; right is free, then down from there is
    // blocked by the rock, so the hero ends one cell right.
    meadow_with_rocks({{11, 11}});
    place_hero(10, 10);
    walking = true;
    move(20, 20);
    ASSERT_TRUE(step());
    EXPECT_EQ(player_x, 11);
    EXPECT_EQ(player_y, 10);

    // Rock straight right: the horizontal step fails, the vertical one works.
    meadow_with_rocks({{12, 10}});
    move(20, 20);
    ASSERT_TRUE(step());
    EXPECT_EQ(player_x, 11);
    EXPECT_EQ(player_y, 11);
}

TEST_F(Walking, PanelClicksDoNotSwitchWalkingAndStillStepWhileWalking) {
    meadow_with_rocks({});
    place_hero(58, 10);
    walking = true;
    press(77, 12);  // a panel row that opens nothing
    ASSERT_TRUE(step());
    EXPECT_TRUE(walking) << "a panel click does not switch walking";
    EXPECT_EQ(player_x, 58) << "the step right stops at the divider";

    walking = false;
    press(59, 5);  // the divider: neither map nor panel
    key('k');
    EXPECT_FALSE(step());
    EXPECT_FALSE(walking);
}

TEST_F(Walking, ThePanelRowsAreWiderThanTheirWordsAndTheirMenusStopTheWalk) {
    meadow_with_rocks({});
    place_hero(10, 10);
    walking = true;
    press(77, 10);    // the Magic row, far right of the word
    right_click(5, 5);  // leaves the spell menu at once
    key('k');
    EXPECT_FALSE(step()) << "with walking off the step keeps reading";
    EXPECT_FALSE(walking);
    EXPECT_EQ(text_at(61, 10, 5), "Magic") << "the map screen is back";
    EXPECT_EQ(player_x, 10);
}

TEST_F(Walking, BothButtonsHeldAreNoClick) {
    meadow_with_rocks({});
    place_hero(10, 10);
    press(20, 10, LEFT_BUTTON | RIGHT_BUTTON);
    EXPECT_FALSE(step());
    EXPECT_FALSE(walking);
}

TEST_F(Walking, TheMonsterIsTheKindDrawnBeforeTheStepThatMetIt) {
    meadow_with_rocks({});
    place_hero(10, 10);
    walking = true;
    // A second that meets nothing, followed by one that meets a monster.
    long long quiet = 1700000000;
    while (encounter_second(quiet, false) != quiet || encounter_second(quiet + 1) != quiet + 1) ++quiet;
    seed_random(static_cast<std::uint32_t>(quiet));
    random_between(5, 15);  // the quiet second's roll
    const int expected_kind = random_between(0, 3);

    clock.wait_until((quiet - clock.seconds()) * 1000);
    move(30, 10);
    wait(1000);
    move(30, 10);
    encounter_loop(player_x, player_y);
    EXPECT_EQ(clock.seconds(), quiet + 1);
    EXPECT_EQ(player_x, 12) << "two steps";
    EXPECT_EQ(current_monster, expected_kind);
}

TEST_F(Walking, AllRollsWithinOneSecondGiveTheSameResult) {
    meadow_with_rocks({});
    place_hero(10, 10);
    walking = true;
    const long long quiet = encounter_second(1700000000, false);
    clock.wait_until((quiet - clock.seconds()) * 1000);
    for (int i = 0; i < 4; ++i) move(30, 10);
    EXPECT_THROW(encounter_loop(player_x, player_y), ScriptExhausted) << "four steps, no monster";
    EXPECT_EQ(player_x, 14);
    EXPECT_EQ(clock.seconds(), quiet) << "4 x 175 ms stay within the second";
}

}  // namespace
