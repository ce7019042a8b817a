#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/console_device.h"
#include "platform/doubles/test_console.h"

namespace {

TEST(VirtualClock, PausesAdvanceTimeAndAreRecorded) {
    VirtualClock clock(1000);
    clock.pause(1200);
    clock.pause(0);
    clock.pause(2500);
    EXPECT_EQ(clock.now_ms(), 3700);
    EXPECT_EQ(clock.seconds(), 1003);
    EXPECT_EQ(clock.pauses(), (std::vector<int>{1200, 0, 2500}));
    clock.wait_until(100);
    EXPECT_EQ(clock.now_ms(), 3700) << "time never runs backwards";
}

TEST(VirtualClock, ALoopThatNeverWaitsForInputIsStopped) {
    VirtualClock clock;
    EXPECT_THROW(
        for (;;) clock.pause(6000), RunawayClock);
}

// The wall clock's waits, as the terminal is asked to wait them out.
struct RecordingWaiter : PauseWaiter {
    std::vector<std::chrono::steady_clock::time_point> deadlines;
    void wait_until(std::chrono::steady_clock::time_point deadline) override { deadlines.push_back(deadline); }
};

TEST(WallClock, OwedPausesAreWaitedOutTogetherAndKeepTheirLengths) {
    RecordingWaiter waiter;
    install_pause_waiter(&waiter);
    WallClock clock;
    // The waiter only records, so the deadlines run a minute ahead of the
    // time and stay chained however slow the machine is.
    clock.pause(60000);
    ASSERT_EQ(waiter.deadlines.size(), 1u);
    const auto start = waiter.deadlines[0];
    for (int i = 0; i < 3; ++i) clock.owe(2);
    EXPECT_EQ(waiter.deadlines.size(), 1u) << "an owed pause does not wait";
    clock.settle();
    clock.pause(2);
    clock.settle();  // nothing owed
    install_pause_waiter(nullptr);
    using std::chrono::milliseconds;
    ASSERT_EQ(waiter.deadlines.size(), 3u);
    EXPECT_EQ(waiter.deadlines[1] - start, milliseconds(6)) << "the owed pauses end where they would have";
    EXPECT_EQ(waiter.deadlines[2] - start, milliseconds(8)) << "and the chain goes on from there";
}

// A machine that gives the game its core 30 ms after the deadline.
struct LateWaiter : PauseWaiter {
    void wait_until(std::chrono::steady_clock::time_point deadline) override {
        std::this_thread::sleep_until(deadline + std::chrono::milliseconds(30));
    }
};

TEST(WallClock, APauseThatEndsAFrameLateIsBehind) {
    LateWaiter late;
    install_pause_waiter(&late);
    WallClock clock;
    clock.pause(1);
    EXPECT_TRUE(clock.behind_by(8));
    RecordingWaiter on_time;  // returns at once, long before the deadline
    install_pause_waiter(&on_time);
    clock.pause(60000);
    install_pause_waiter(nullptr);
    EXPECT_FALSE(clock.behind_by(8));
}

TEST(TestConsole, TimedEventsQueueUpAndDiscardDropsOnlyThoseArrived) {
    VirtualClock clock;
    TestConsole console(clock);
    console.push(mouse_report(1, 1, LEFT_BUTTON), 0);
    console.push(mouse_report(2, 1, LEFT_BUTTON, MOUSE_MOVED), 100);
    console.push(mouse_report(3, 1, 0), 5000);
    console.push(key_press('k'));

    EXPECT_EQ(console.read_event().x, 1);
    clock.pause(1200);
    console.discard_input();
    ASSERT_EQ(console.events_left(), 2u) << "the movement came in during the pause and is gone";
    const ConsoleEvent release = console.read_event();
    EXPECT_EQ(release.x, 3);
    EXPECT_EQ(clock.now_ms(), 5000) << "the game waited for the release";
    console.discard_input();
    EXPECT_EQ(console.events_left(), 1u) << "an event for the next question is not yet queued";
    EXPECT_EQ(console.read_event().key_char, 'k');
    EXPECT_THROW(console.read_event(), ScriptExhausted);
    EXPECT_GE(console.presents(), 3);
}

TEST(TestConsole, KeyPressQueuedLooksWithoutTaking) {
    VirtualClock clock;
    TestConsole console(clock);
    console.push(mouse_report(5, 5, LEFT_BUTTON), 0);
    console.push(key_press('q'), 3000);
    EXPECT_FALSE(console.key_press_queued()) << "a click is no key";
    clock.pause(3000);
    EXPECT_TRUE(console.key_press_queued());
    EXPECT_TRUE(console.key_press_queued());
    EXPECT_EQ(console.events_left(), 2u);

    TestConsole dry(clock);
    EXPECT_THROW(dry.key_press_queued(), ScriptExhausted);
}

}  // namespace
