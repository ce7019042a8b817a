#include "shell/intro.h"

#include <gtest/gtest.h>

#include "game_harness.h"

namespace {

using Intro = GameTest;

TEST_F(Intro, PagesAreShownAtTheCursorAndWaitForAKey) {
    data_file("words to everyone.txt", "Welcome, Dunmar.\n\n100% of it\nclrscr();\nSecond page\n");
    goto_xy(0, 3);  // the first page starts where the cursor stands
    key(' ');
    click(10, 10);  // lost: a click is no key
    key(' ');
    show_intro();
    EXPECT_EQ(console.events_left(), 0u);
    EXPECT_EQ(row(0), std::string(80, ' ')) << "the screen ends cleared";
    EXPECT_EQ(screen().cursor_y(), 0);
    EXPECT_EQ(sound.calls, std::vector<std::string>{"close"}) << "the music is closed first";
}

TEST_F(Intro, FirstPageAsDrawnBeforeTheKey) {
    data_file("words to everyone.txt", "Welcome, Dunmar.\n\n100% of it\nclrscr();\nSecond page\n");
    goto_xy(0, 3);
    EXPECT_THROW(show_intro(), ScriptExhausted);  // stops at the first key wait
    EXPECT_EQ(text_at(0, 3, 16), "Welcome, Dunmar.");
    EXPECT_EQ(text_at(0, 4, 5), "     ") << "an empty line is an empty row";
    EXPECT_EQ(text_at(0, 5, 10), "100% of it");
    EXPECT_EQ(attr_at(0, 3), 15);
    EXPECT_EQ(screen().cursor_y(), 6);
}

TEST_F(Intro, LaterPagesStartAtTheTopLeft) {
    data_file("words to everyone.txt", "one\nclrscr();\ntwo\n");
    key(' ');
    EXPECT_THROW(show_intro(), ScriptExhausted);
    EXPECT_EQ(text_at(0, 0, 4), "two ");
    EXPECT_EQ(text_at(0, 1, 4), "    ");
}

TEST_F(Intro, ATrailingPageBreakNeedsTwoKeys) {
    data_file("words to everyone.txt", "last words\nclrscr();\n");
    key(' ');
    EXPECT_THROW(show_intro(), ScriptExhausted) << "one key is not enough";

    clear_screen();
    key(' ');
    key(' ');
    show_intro();
}

TEST_F(Intro, OnlyTheExactPageBreakBreaksThePage) {
    data_file("words to everyone.txt", "CLRSCR();\n clrscr();\nclrscr(); \r\nclrscr();\r\nnext\n");
    EXPECT_THROW(show_intro(), ScriptExhausted);
    EXPECT_EQ(text_at(0, 0, 9), "CLRSCR();");
    EXPECT_EQ(text_at(0, 1, 10), " clrscr();");
    EXPECT_EQ(text_at(0, 2, 10), "clrscr(); ");
    EXPECT_EQ(text_at(0, 3, 4), "    ") << "the CRLF page break is a page break";
}

TEST_F(Intro, AMissingTextWaitsForOneKeyAndGoesOn) {
    key('x');
    show_intro();
    EXPECT_EQ(console.events_left(), 0u);
    EXPECT_EQ(row(0), std::string(80, ' '));
}

TEST_F(Intro, ALastLineWithoutLineFeedIsNotShown) {
    data_file("words to everyone.txt", "shown\nnot shown");
    key(' ');
    show_intro();
    data_file("words to everyone.txt", "shown\nnot shown");
    EXPECT_THROW(show_intro(), ScriptExhausted);
    EXPECT_EQ(text_at(0, 0, 6), "shown ");
    EXPECT_EQ(text_at(0, 1, 9), "         ");
}

}  // namespace
