#include "shell/main_loop.h"

#include <gtest/gtest.h>

#include <set>

#include "game_harness.h"

namespace {

using MainLoop = GameTest;

TEST_F(MainLoop, TheFieldSongDependsOnTheSecondOnly) {
    play_field_song();
    clock.pause(400);
    play_field_song();
    ASSERT_EQ(sound.calls.size(), 10u);
    EXPECT_EQ(sound.calls[3], sound.calls[8]) << "same second, same song";
    seed_random(static_cast<std::uint32_t>(clock.seconds()));
    EXPECT_EQ(sound.calls[3], std::string("load ") + FIELD_SONGS[random_between(0, 8)]);
    EXPECT_EQ(sound.calls[4], "play 1");
}

TEST_F(MainLoop, EveryFieldSongCanBeChosen) {
    std::set<std::string> loaded;
    for (int second = 0; second < 200; ++second) {
        play_field_song();
        clock.pause(1000);
    }
    for (const std::string& call : sound.calls)
        if (call.rfind("load ", 0) == 0) loaded.insert(call);
    EXPECT_EQ(loaded.size(), 9u);
}

TEST_F(MainLoop, ASongThatWillNotLoadEndsTheGame) {
    sound.load_answer = false;
    sound.error_answer = 9;
    EXPECT_EXIT(play_field_song(), ::testing::ExitedWithCode(1), "File not found");
}

TEST_F(MainLoop, TheDissolveEatsTheScreenWithBlanks) {
    set_color(160);
    clear_screen();
    set_color(15);
    encounter_dissolve();
    EXPECT_EQ(pauses().size(), 400u);
    EXPECT_EQ(clock.now_ms(), 800);
    int eaten = 0;
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 80; ++x)
            if (attr_at(x, y) == 15) {
                ++eaten;
                EXPECT_TRUE(y >= 1 && y <= 23 && x >= 1 && x <= 79) << x << "," << y;
            }
    EXPECT_GT(eaten, 300);
    EXPECT_LE(eaten, 400);
}

TEST_F(MainLoop, AStayOnTheMapEndsInTheTransitionToBattle) {
    data_file("Mp1.txt", map_of(std::string(55, '0')));
    const long long meeting = encounter_second(1700000000);
    clock.wait_until((meeting - clock.seconds()) * 1000);
    click(30, 10);  // walking on, first step, and a monster
    click(64, 21);  // in battle: Escape
    field_phase(party, player_x, player_y);

    EXPECT_EQ(player_x, 5);
    EXPECT_EQ(player_y, 3);
    EXPECT_FALSE(walking);
    EXPECT_EQ(sound.calls, (std::vector<std::string>{"close", "version", "init 44100 32 2", "free 0",
                                                     "load music/midi/Battle.mid", "play 1"}));
    ASSERT_EQ(effects.played.size(), 1u);
    EXPECT_EQ(effects.played[0].file_name, "music/wav/attack.wav");
    // The walk step's pause, the dissolve, the pause before the battle
    // music, then the escape's two messages; the attack sound starts right
    // at the dissolve.
    ASSERT_EQ(pauses().size(), 1u + 400u + 1u + 2u);
    EXPECT_EQ(pauses().front(), 175);
    EXPECT_EQ(pauses()[401], 2000);
    EXPECT_EQ(pauses().back(), 750);
    EXPECT_EQ(effects.played[0].at_ms, 175 + (meeting - 1700000000) * 1000);
    EXPECT_EQ(row(12), std::string(80, ' ')) << "the screen is cleared";
}

TEST_F(MainLoop, AMissingBattleSongEndsTheGameAfterTheTransition) {
    data_file("Mp1.txt", map_of(std::string(55, '0')));
    const long long meeting = encounter_second(1700000000);
    clock.wait_until((meeting - clock.seconds()) * 1000);
    click(30, 10);
    sound.load_answer = false;
    sound.error_answer = 9;
    auto stay = [&] {
        field_phase(party, player_x, player_y);
        std::exit(0);
    };
    EXPECT_EXIT(stay(), ::testing::ExitedWithCode(1), "File not found");
}

}  // namespace
