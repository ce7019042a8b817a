// The real game on hostile data files: control bytes, escape sequences,
// bytes 128-255, CRLF endings, a huge line, missing files and folders in
// their place. It must go on as the game says, and nothing from a data file
// may reach the terminal raw: every byte it sends is a glyph or one of the
// game's own sequences.
#include <gtest/gtest.h>

#include <string>

#include "e2e/game_ended.h"
#include "e2e/game_folder.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 10000;

class BadData : public GameFolder {};

const std::string HOSTILE = std::string("\x1b[2J\x1b]0;title\x07\x1b[?1049l\x01\x02\x08\x0b\x0c\x0e\x1f\x7f") +
                            "\x80\x9b\xc9\xcd\xff" + "100% %s %n";

TEST_F(BadData, HostileIntroMapAndPicturesDrawAsGlyphs) {
    write("words to everyone.txt",
          HOSTILE + "\r\nsecond line\r\nclrscr();\r\n" + std::string(50 * 1000 * 1000, 'W') + "\n");
    std::string map;
    for (int row = 0; row < 21; ++row) map += std::string(50, '0') + "\x1b[31m" + "\r\n";
    write("Mp1.txt", map);
    write("rat.txt", HOSTILE + "\n" + HOSTILE);  // the last line has no line feed

    VtermTerminal term(launch());
    ASSERT_TRUE(term.wait_for_screen_text("100% %s %n", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.glyph_at(0, 0), U'\u2190') << "the ESC is drawn as its glyph";
    term.send_bytes(" ");
    ASSERT_TRUE(term.wait_for_screen_text("WWWWWWWW", 3 * TIMEOUT_MS)) << "a 50 MB line, wrapped";
    term.send_bytes(" ");
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return t.text_at(61, 3, 6) == "Dunmar"; }, TIMEOUT_MS))
        << term.screen_dump();
    EXPECT_TRUE(term.alternate_screen()) << "a data file cannot switch the screen";
    expect_no_raw_control_bytes(term.received());
    term.send_bytes("\x03");
    expect_game_ended(term, 128 + 2, TIMEOUT_MS);
}

TEST_F(BadData, MissingAndFolderFilesLeaveTheGamePlayable) {
    replace_with_folder("words to everyone.txt");
    replace_with_folder("Mp1.txt");
    remove("rat.txt");
    VtermTerminal term(launch());
    // No intro: one key starts the game; no map: the panel says so.
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return t.cursor_visible() == false; }, TIMEOUT_MS));
    term.send_bytes(" ");
    ASSERT_TRUE(term.wait_for_screen_text("Cannot find fil", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.text_at(61, 11, 4), "Item");
    term.send_bytes("\x03");
    expect_game_ended(term, 128 + 2, TIMEOUT_MS);
}

}  // namespace
