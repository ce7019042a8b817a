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

class Pause : public ::testing::Test {
protected:
    Pause() : console(clock), old_clock(installed_clock()), old_device(console_device()) {
        install_clock(clock);
        install_console_device(console);
    }
    ~Pause() override {
        install_clock(old_clock);
        install_console_device(old_device);
    }
    void draw_cell() {
        goto_xy(console.drawn % 80, console.drawn / 80);
        write_char('*');
        ++console.drawn;
    }

    VirtualClock clock;
    ShowingConsole console;
    Clock& old_clock;
    ConsoleDevice& old_device;
};

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

}  // namespace
