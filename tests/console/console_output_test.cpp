#include "console/console_output.h"

#include <gtest/gtest.h>

#include "console_harness.h"
#include "support/random.h"

namespace {

using ConsoleOutput = ConsoleTest;

TEST_F(ConsoleOutput, ClearPaintsTheWholeScreenInTheCurrentColour) {
    write_text("leftover");
    set_color(160);
    clear_screen();
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            ASSERT_EQ(attr_at(x, y), 160) << x << "," << y;
            ASSERT_EQ(char_at(x, y), ' ');
        }
    EXPECT_EQ(screen().cursor_x(), 0);
    EXPECT_EQ(screen().cursor_y(), 0);

    set_color(0);
    goto_xy(30, 12);
    clear_screen();
    EXPECT_EQ(attr_at(79, 24), 0);
    EXPECT_EQ(screen().cursor_x(), 0);
}

TEST_F(ConsoleOutput, TextNumbersAndCharactersGoAtTheCursorInTheColour) {
    set_color(14);
    goto_xy(50, 10);
    write_text("HP ");
    write_number(-15);
    write_char(3);
    write_text("100%");
    EXPECT_EQ(text_at(50, 10, 11), "HP -15\x03" "100%");
    EXPECT_EQ(attr_at(50, 10), 14);
    EXPECT_EQ(attr_at(60, 10), 14);
    EXPECT_EQ(screen().cursor_x(), 61);
}

TEST_F(ConsoleOutput, BlanksOverATextLeaveItBlankInTheNewColour) {
    set_color(12);
    goto_xy(5, 5);
    write_text("Fire");
    set_color(15);
    goto_xy(5, 5);
    write_text("    ");
    EXPECT_EQ(text_at(5, 5, 4), "    ");
    EXPECT_EQ(attr_at(8, 5), 15);
}

TEST_F(ConsoleOutput, PositionsOutsideTheScreenChangeNothingEvenPastSixteenBits) {
    goto_xy(7, 7);
    goto_xy(80, 3);
    goto_xy(-1, 3);
    EXPECT_EQ(screen().cursor_x(), 7);
    goto_xy(65536 + 9, 65536 + 2);  // the console sees 9, 2
    EXPECT_EQ(screen().cursor_x(), 9);
    EXPECT_EQ(screen().cursor_y(), 2);
}

TEST_F(ConsoleOutput, StandardOutputTextAppearsAtTheCursor) {
    set_color(9);
    goto_xy(0, 20);
    EXPECT_EQ(random_between(3, 2), -1);
    EXPECT_EQ(row(20).substr(0, 47), "ERROR: Minimum value larger then maximum value!");
    EXPECT_EQ(text_at(0, 21, 20), "ERROR: Returning -1.");
    EXPECT_EQ(attr_at(0, 21), 9);
    EXPECT_EQ(screen().cursor_y(), 21);
    EXPECT_EQ(console.screen().take_bells(), 1) << "the bell rings instead of drawing";
}

}  // namespace
