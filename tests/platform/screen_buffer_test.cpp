#include "platform/screen_buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void write(ScreenBuffer& s, const std::string& text) { s.write(text.data(), text.size()); }

std::string row_text(const ScreenBuffer& s, int y) {
    std::string text;
    for (int x = 0; x < SCREEN_WIDTH; ++x) text += static_cast<char>(s.at(x, y).ch);
    return text;
}

TEST(ScreenBuffer, ProcessedControlCodesMoveTheCursor) {
    ScreenBuffer s;
    s.set_cursor(10, 3);
    write(s, "ab\ncd\rX\bY\a");
    EXPECT_EQ(s.at(10, 3).ch, 'a');
    EXPECT_EQ(s.at(0, 4).ch, 'Y') << "newline goes to the start of the next row; CR, BS overwrite";
    EXPECT_EQ(s.at(1, 4).ch, 'd');
    EXPECT_EQ(s.cursor_x(), 1);
    EXPECT_EQ(s.take_bells(), 1);
    EXPECT_EQ(s.take_bells(), 0);

    s.set_cursor(0, 0);
    write(s, "\b");
    EXPECT_EQ(s.cursor_x(), 0) << "backspace stops at the left edge";

    s.set_attribute(0x1e);
    s.set_cursor(3, 6);
    write(s, "\tT");
    EXPECT_EQ(s.at(8, 6).ch, 'T') << "tab reaches the next stop of eight";
    EXPECT_EQ(s.at(5, 6).attr, 0x1e) << "tab blanks take the current colour";
}

TEST(ScreenBuffer, EveryOtherByteIsAGlyph) {
    ScreenBuffer s;
    write(s, std::string("\x01\x1b\x00\x7f\xff", 5));
    EXPECT_EQ(s.at(0, 0).ch, 1);
    EXPECT_EQ(s.at(1, 0).ch, 27);
    EXPECT_EQ(s.at(2, 0).ch, 0);
    EXPECT_EQ(s.at(3, 0).ch, 127);
    EXPECT_EQ(s.at(4, 0).ch, 255);
    EXPECT_EQ(s.cursor_x(), 5);
}

TEST(ScreenBuffer, LongTextWrapsAtTheRightEdge) {
    ScreenBuffer s;
    s.set_cursor(75, 2);
    write(s, "0123456789");
    EXPECT_EQ(row_text(s, 2).substr(75), "01234");
    EXPECT_EQ(row_text(s, 3).substr(0, 5), "56789");
    EXPECT_EQ(s.cursor_x(), 5);
    EXPECT_EQ(s.cursor_y(), 3);
}

TEST(ScreenBuffer, ScrollsUpWhenTheCursorPassesTheLastRow) {
    ScreenBuffer s;
    write(s, "top");
    s.set_cursor(0, 24);
    s.set_attribute(0x40);
    write(s, "bottom\nnew");
    EXPECT_EQ(row_text(s, 23).substr(0, 6), "bottom");
    EXPECT_EQ(row_text(s, 24).substr(0, 3), "new");
    EXPECT_EQ(s.at(10, 24).attr, 0x40) << "the row scrolled in is blank in the current colour";
    EXPECT_NE(row_text(s, 0).substr(0, 3), "top");

    s.set_cursor(79, 24);
    write(s, "Z");
    EXPECT_EQ(s.at(79, 23).ch, 'Z') << "the last cell's wrap scrolls too";
    EXPECT_EQ(s.cursor_y(), 24);
}

TEST(ScreenBuffer, CursorOutsideTheScreenChangesNothing) {
    ScreenBuffer s;
    s.set_cursor(7, 8);
    for (auto [x, y] : {std::pair{80, 0}, {0, 25}, {-1, 3}, {3, -1}}) {
        s.set_cursor(x, y);
        EXPECT_EQ(s.cursor_x(), 7);
        EXPECT_EQ(s.cursor_y(), 8);
    }
}

TEST(ScreenBuffer, FillsRunRowByRowAndStopAtTheLastCell) {
    ScreenBuffer s;
    s.fill_chars('#', 85);
    EXPECT_EQ(s.at(79, 0).ch, '#');
    EXPECT_EQ(s.at(4, 1).ch, '#');
    EXPECT_EQ(s.at(5, 1).ch, ' ');
    s.fill_attributes(0xa0, 2147483647, 78, 24);
    EXPECT_EQ(s.at(78, 24).attr, 0xa0);
    EXPECT_EQ(s.at(79, 24).attr, 0xa0);
    EXPECT_EQ(s.at(77, 24).attr, 7);
    EXPECT_EQ(s.cursor_x(), 0) << "fills leave the cursor alone";
}

}  // namespace
