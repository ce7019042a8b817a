#include "console/pause.h"

#include <gtest/gtest.h>

#include <vector>

#include "console/console_input.h"
#include "console/console_output.h"
#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/doubles/test_console.h"

namespace {

// What the player saw: the time of every show and how many of the cells
// the test draws had been drawn by then.
class ShowingConsole : public TestConsole {
public:
    explicit ShowingConsole(VirtualClock& clock) : TestConsole(clock), clock(clock) {}
    void present() override {
        TestConsole::present();
        shows.push_back({clock.now_ms(), drawn});
    }
    struct Show {
        long long at_ms;
        int drawn;
    };
    std::vector<Show> shows;
    int drawn = 0;

private:
    VirtualClock& clock;
};

// A machine too busy to give the game its core in time: every pause it
// waits ends late.
class LateClock : public VirtualClock {
public:
    bool behind_by(int) override { return true; }
};

// A machine whose every pause ends late_ms after its deadline.
class SomewhatLateClock : public VirtualClock {
public:
    bool behind_by(int ms) override { return late_ms > ms; }
    int late_ms = 0;
};

template <class TheClock>
class PauseOn : public ::testing::Test {
protected:
    PauseOn() : console(clock), old_clock(installed_clock()), old_device(console_device()) {
        install_console_device(console);
        // Whatever pace an earlier test left, frames on time bring back the
        // display's.
        VirtualClock on_time;
        install_clock(on_time);
        for (int pause = 0; pause < 4 * LONGEST_FRAME_MS; ++pause) Sleep(2);
        Sleep(40);
        console.shows.clear();
        install_clock(clock);
    }
    ~PauseOn() override {
        install_clock(old_clock);
        install_console_device(old_device);
    }
    void draw_cell() {
        goto_xy(console.drawn % 80, console.drawn / 80);
        write_char('*');
        ++console.drawn;
    }

    TheClock clock;
    ShowingConsole console;
    Clock& old_clock;
    ConsoleDevice& old_device;
};
using Pause = PauseOn<VirtualClock>;
using PauseWhenLate = PauseOn<LateClock>;
using PauseWhenSomewhatLate = PauseOn<SomewhatLateClock>;

TEST_F(Pause, AFramesPauseShowsTheScreenBeforeIt) {
    draw_cell();
    Sleep(40);
    draw_cell();
    Sleep(DISPLAY_FRAME_MS);
    ASSERT_EQ(console.shows.size(), 2u);
    EXPECT_EQ(console.shows[0].at_ms, 0);
    EXPECT_EQ(console.shows[0].drawn, 1);
    EXPECT_EQ(console.shows[1].at_ms, 40);
    EXPECT_EQ(console.shows[1].drawn, 2);
    EXPECT_EQ(clock.pauses(), (std::vector<int>{40, DISPLAY_FRAME_MS}));
}

// A dissolve: a cell, a 2 ms pause, 400 times, then the game waits for the
// player.
TEST_F(Pause, ARunOfShortPausesShowsOnceAFrameAndAllBeforeTheNextWait) {
    Sleep(40);  // whatever came before is shown
    console.shows.clear();
    const long long start = clock.now_ms();
    for (int cell = 0; cell < 400; ++cell) {
        draw_cell();
        Sleep(2);
    }
    EXPECT_EQ(clock.now_ms() - start, 800) << "the pauses keep their lengths";
    EXPECT_EQ(console.shows.size(), 100u) << "once every 8 ms";
    // Each cell would have been shown at its own pause, at start + 2 * cell:
    // it is on the screen within a frame of that.
    std::size_t show = 0;
    for (int cell = 0; cell < 400 && show < console.shows.size(); ++cell) {
        while (show < console.shows.size() && console.shows[show].drawn <= cell) ++show;
        if (show == console.shows.size()) break;
        EXPECT_LE(console.shows[show].at_ms - (start + 2 * cell), DISPLAY_FRAME_MS) << "cell " << cell;
    }
    console.push(key_press('k'));
    EXPECT_EQ(wait_key(), 'k');
    ASSERT_FALSE(console.shows.empty());
    EXPECT_EQ(console.shows.back().drawn, 400) << "the last state is shown before the wait";
}

// Frames the game came to late are let go, never the answer to the
// player's input nor the screen a long pause stands on.
TEST_F(PauseWhenLate, OnlyTheAnswerAndTheLongPausesAreShown) {
    input_looked_at();
    for (int cell = 0; cell < 40; ++cell) {
        draw_cell();
        Sleep(2);
    }
    Sleep(40);
    ASSERT_EQ(console.shows.size(), 2u);
    EXPECT_EQ(console.shows[0].at_ms, 0) << "the first pause answers the player, at once";
    EXPECT_EQ(console.shows[0].drawn, 1);
    EXPECT_EQ(console.shows[1].at_ms, 80);
    EXPECT_EQ(console.shows[1].drawn, 40) << "everything is on the screen the long pause shows";
    EXPECT_EQ(clock.now_ms(), 120) << "the pauses keep their lengths";
}

// A game that comes to its frames late shows them further apart, up to the
// longest frame, and at the display's pace again once it is on time; the
// pauses keep their lengths throughout.
TEST_F(PauseWhenSomewhatLate, FramesComeFurtherApartWhileLateAndBackOnTime) {
    const auto gaps_of_a_run = [&](int pauses) {
        Sleep(40);
        console.shows.clear();
        const long long start = clock.now_ms();
        for (int cell = 0; cell < pauses; ++cell) {
            draw_cell();
            Sleep(2);
        }
        EXPECT_EQ(clock.now_ms() - start, 2 * pauses);
        std::vector<long long> gaps;
        for (std::size_t i = 1; i < console.shows.size(); ++i)
            gaps.push_back(console.shows[i].at_ms - console.shows[i - 1].at_ms);
        return gaps;
    };
    clock.late_ms = 4;  // late, though by less than a frame: every frame is still shown
    const std::vector<long long> late = gaps_of_a_run(200);
    ASSERT_GE(late.size(), 5u);
    EXPECT_EQ(std::vector<long long>(late.begin(), late.begin() + 5),
              (std::vector<long long>{2 * DISPLAY_FRAME_MS, 4 * DISPLAY_FRAME_MS, LONGEST_FRAME_MS, LONGEST_FRAME_MS,
                                      LONGEST_FRAME_MS}));
    clock.late_ms = 0;
    const std::vector<long long> on_time = gaps_of_a_run(100);
    ASSERT_GE(on_time.size(), 4u);
    EXPECT_EQ(std::vector<long long>(on_time.begin(), on_time.begin() + 4),
              (std::vector<long long>{LONGEST_FRAME_MS / 2, LONGEST_FRAME_MS / 4, DISPLAY_FRAME_MS, DISPLAY_FRAME_MS}));
}

}  // namespace
