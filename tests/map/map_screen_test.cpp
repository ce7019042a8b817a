#include "map/map_screen.h"

#include <gtest/gtest.h>

#include "game_harness.h"
#include "map/status_panel.h"

namespace {

using MapScreen = GameTest;

TEST_F(MapScreen, PanelShowsTheHeroAtStartUp) {
    draw_status_panel();
    EXPECT_EQ(text_at(61, 3, 7), "Dunmar ");
    EXPECT_EQ(text_at(61, 4, 13), "Hp:  200/200 ");
    EXPECT_EQ(text_at(61, 5, 13), "Mp:  700/700 ");
    EXPECT_EQ(text_at(61, 6, 7), "Exp: 0 ");
    EXPECT_EQ(text_at(61, 10, 6), "Magic ");
    EXPECT_EQ(text_at(61, 11, 5), "Item ");
    for (int row : {3, 4, 5, 6, 10, 11}) EXPECT_EQ(attr_at(61, row), 15);
    EXPECT_EQ(screen().cursor_x(), 65);
    EXPECT_EQ(screen().cursor_y(), 11);

    party.party_hp[0] = 7;
    party.party_mp[0] = 0;
    draw_status_panel();
    EXPECT_EQ(text_at(61, 4, 9), "Hp:  7/20") << "no padding: the old digits stay until the screen is cleared";
}

TEST_F(MapScreen, FrameEnclosesMapAndPanelInDarkGrey) {
    draw_map_frame();
    EXPECT_EQ(char_at(3, 1), 201);
    EXPECT_EQ(char_at(59, 1), 203);
    EXPECT_EQ(char_at(78, 1), 187);
    EXPECT_EQ(char_at(3, 23), 200);
    EXPECT_EQ(char_at(59, 23), 202);
    EXPECT_EQ(char_at(78, 23), 188);
    for (int x = 4; x <= 77; ++x) {
        if (x == 59) continue;
        ASSERT_EQ(char_at(x, 1), 205) << x;
        ASSERT_EQ(char_at(x, 23), 205) << x;
    }
    for (int y = 2; y <= 22; ++y)
        for (int x : {3, 59, 78}) ASSERT_EQ(char_at(x, y), 186) << x << "," << y;
    EXPECT_EQ(attr_at(40, 23), 8);
    EXPECT_EQ(attr_at(78, 12), 8);
    EXPECT_EQ(char_at(2, 12), ' ');
}

TEST_F(MapScreen, EveryCodeHasItsGlyphColourAndCell) {
    std::string line = "012345x" + std::string(48, '0');
    data_file("Mp1.txt", map_of(line));
    draw_map_screen();
    const int glyphs[] = {' ', 6, 4, 176, 178, 5};
    const int colours[] = {170, 161, 160, 168, 145, 161};
    for (int code = 0; code < 6; ++code) {
        EXPECT_EQ(char_at(4 + code, 3), glyphs[code]) << code;
        EXPECT_EQ(attr_at(4 + code, 3), colours[code]) << code;
        EXPECT_EQ(map_grid[MAP_STRIDE + code], code != 0) << code;
        EXPECT_EQ(static_cast<unsigned char>(map_chars[MAP_STRIDE + code]), glyphs[code]);
    }
    // A character outside the codes: drawn as it is, in the colour before
    // it, its cell left as it was.
    EXPECT_EQ(char_at(10, 3), 'x');
    EXPECT_EQ(attr_at(10, 3), 161);
    EXPECT_TRUE(map_grid[MAP_STRIDE + 6]);
    // Line ends are blocked: the map's right-hand wall.
    for (int row = 0; row < 20; ++row) EXPECT_TRUE(map_grid[row * MAP_STRIDE + 55]) << row;
    // The hero, in the map's green, and the colour left at 15.
    EXPECT_EQ(char_at(4, 2), 1);
    EXPECT_EQ(attr_at(4, 2), 160);
    EXPECT_EQ(screen().attribute(), 15);
    EXPECT_EQ(text_at(61, 3, 6), "Dunmar");
}

TEST_F(MapScreen, CrlfMapsReadLikeLfMaps) {
    std::string line = "0123450" + std::string(48, '1');
    std::string crlf;
    for (char c : map_of(line)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    data_file("Mp1.txt", crlf);
    draw_map_screen();
    const std::string first = row(22);
    const auto grid_after_crlf = [&] {
        std::string g;
        for (int i = 0; i < MAP_CELLS; ++i) g += map_grid[i] ? '1' : '0';
        return g;
    }();
    data_file("Mp1.txt", map_of(line));
    clear_screen();
    draw_map_screen();
    EXPECT_EQ(row(22), first);
    std::string grid;
    for (int i = 0; i < MAP_CELLS; ++i) grid += map_grid[i] ? '1' : '0';
    EXPECT_EQ(grid, grid_after_crlf);
    EXPECT_EQ(char_at(58, 22), 6) << "the last line reaches column 58";
}

TEST_F(MapScreen, MissingMapSaysSoAfterThePanelAndKeepsTheGrid) {
    map_grid[5] = false;
    draw_map_screen();
    EXPECT_EQ(text_at(65, 11, 15), "Cannot find fil");
    EXPECT_EQ(char_at(0, 12), 'e') << "the message wraps at the right edge";
    EXPECT_EQ(char_at(4, 2), ' ') << "no hero is drawn";
    EXPECT_FALSE(map_grid[5]);
    EXPECT_TRUE(map_grid[0]);
}

TEST_F(MapScreen, AShortMapLeavesTheCellsPastItsEndAsTheyWere) {
    data_file("Mp1.txt", "00000");
    map_grid[700] = false;
    draw_map_screen();
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(map_grid[i]);
    EXPECT_TRUE(map_grid[5]);
    EXPECT_FALSE(map_grid[700]) << "never read, so never changed";
    EXPECT_EQ(attr_at(9, 2), 7) << "nothing drawn past the end";
    EXPECT_EQ(char_at(4, 2), 1) << "the hero still stands at his cell";
}

TEST_F(MapScreen, NothingPastTheLastCellIsRead) {
    data_file("Mp1.txt", map_of(std::string(55, '0')) + "\n4444");
    draw_map_screen();
    EXPECT_EQ(attr_at(40, 23), 8) << "the frame's bottom edge is untouched";
    EXPECT_FALSE(map_grid[MAP_CELLS - 1]);
}

}  // namespace
