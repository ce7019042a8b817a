#include "console/console_input.h"

#include <gtest/gtest.h>

#include "console_harness.h"

namespace {

using ConsoleInput = ConsoleTest;

TEST_F(ConsoleInput, HeldButtonMovementsAreLeftClicksAndTheReleaseIsNot) {
    press(10, 5);
    move(11, 5, LEFT_BUTTON);
    move(12, 5, LEFT_BUTTON);
    release(12, 5);
    int left_clicks = 0;
    for (int i = 0; i < 4; ++i)
        if (is_left_click(read_console_event())) ++left_clicks;
    EXPECT_EQ(left_clicks, 3);
}

TEST_F(ConsoleInput, WhatCountsAsAClick) {
    EXPECT_TRUE(is_right_click(mouse_report(1, 1, RIGHT_BUTTON)));
    EXPECT_FALSE(is_left_click(mouse_report(1, 1, LEFT_BUTTON | RIGHT_BUTTON))) << "both held is neither";
    EXPECT_FALSE(is_right_click(mouse_report(1, 1, LEFT_BUTTON | RIGHT_BUTTON)));
    EXPECT_FALSE(is_left_click(mouse_report(1, 1, LEFT_BUTTON | WHEEL_FORWARD, MOUSE_WHEELED)));
    EXPECT_FALSE(is_left_click(mouse_report(1, 1, MIDDLE_BUTTON)));
    EXPECT_FALSE(is_left_click(key_press('1')));
    ConsoleEvent key = key_press(0, KEY_CODE_LEFT);
    key.buttons = LEFT_BUTTON;
    EXPECT_FALSE(is_left_click(key)) << "only mouse events are clicks";

    const ConsoleEvent at = mouse_report(32, 10, LEFT_BUTTON);
    EXPECT_TRUE(in_zone(at, 32, 43, 10, 10)) << "bounds are inclusive";
    EXPECT_TRUE(in_zone(mouse_report(43, 10, 1), 32, 43, 10, 10));
    EXPECT_FALSE(in_zone(mouse_report(44, 10, 1), 32, 43, 10, 10));
    EXPECT_FALSE(in_zone(mouse_report(32, 11, 1), 32, 43, 10, 10));
    EXPECT_FALSE(in_zone(key_press('x'), 0, 79, 0, 24));
}

TEST_F(ConsoleInput, WaitKeyLosesTheClicksBeforeTheKey) {
    click(5, 5);
    right_click(6, 6);
    event(mouse_report(7, 7, 0, MOUSE_MOVED));
    key('n');
    click(8, 8);
    EXPECT_EQ(wait_key(), 'n');
    EXPECT_EQ(read_console_event().x, 8) << "what came after the key is still there";
}

TEST_F(ConsoleInput, WaitKeyTakesExtendedKeysButNotReleases) {
    ConsoleEvent released = key_press('a');
    released.key_down = false;
    event(released);
    event(key_press(0, KEY_CODE_F1));
    EXPECT_EQ(wait_key(), 0);
    EXPECT_EQ(console.events_left(), 0u);
}

TEST_F(ConsoleInput, KeyPressedDoesNotConsumeAndIgnoresClicks) {
    wait(0);
    click(3, 3);
    EXPECT_FALSE(key_pressed()) << "clicks queued before the question do not count";
    key('x');
    EXPECT_TRUE(key_pressed());
    EXPECT_TRUE(key_pressed());
    EXPECT_EQ(console.events_left(), 3u);
}

TEST_F(ConsoleInput, FlushDropsWhatCameInWhileTheGameWasBusy) {
    wait(0);
    press(20, 10);
    wait(50);
    move(21, 10, LEFT_BUTTON);
    release(21, 10);
    wait(5000);
    click(40, 12);
    EXPECT_EQ(read_console_event().x, 20);
    Sleep(1200);  // the reaction to the press
    flush_console_input();
    const ConsoleEvent next = read_console_event();
    EXPECT_EQ(next.x, 40) << "the drag and release came in during the pause";
    EXPECT_TRUE(is_left_click(next));
}

}  // namespace
