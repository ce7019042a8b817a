#include "platform/terminal/renderer.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/terminal/code_page_437.h"

namespace {

std::string render(const ScreenBuffer& s, ShownScreen& shown) {
    std::string out;
    render_changes(s, shown, out);
    return out;
}

TEST(CodePage437, ControlCodesFramesAndShadesHaveTheirGlyphs) {
    EXPECT_EQ(cp437_to_unicode(0), U' ');
    EXPECT_EQ(cp437_to_unicode(1), U'\u263A');
    EXPECT_EQ(cp437_to_unicode(4), U'\u2666');
    EXPECT_EQ(cp437_to_unicode(5), U'\u2663');
    EXPECT_EQ(cp437_to_unicode(6), U'\u2660');
    EXPECT_EQ(cp437_to_unicode(27), U'\u2190');
    EXPECT_EQ(cp437_to_unicode('A'), U'A');
    EXPECT_EQ(cp437_to_unicode(127), U'\u2302');
    EXPECT_EQ(cp437_to_unicode(176), U'\u2591');
    EXPECT_EQ(cp437_to_unicode(178), U'\u2593');
    EXPECT_EQ(cp437_to_unicode(186), U'\u2551');
    EXPECT_EQ(cp437_to_unicode(187), U'\u2557');
    EXPECT_EQ(cp437_to_unicode(188), U'\u255D');
    EXPECT_EQ(cp437_to_unicode(200), U'\u255A');
    EXPECT_EQ(cp437_to_unicode(201), U'\u2554');
    EXPECT_EQ(cp437_to_unicode(205), U'\u2550');
    EXPECT_EQ(cp437_to_unicode(219), U'\u2588');
    EXPECT_EQ(cp437_to_unicode(224), U'\u03B1');
    EXPECT_EQ(cp437_to_unicode(254), U'\u25A0');
}

TEST(CodePage437, NoByteEncodesToAControlCharacter) {
    for (int code = 0; code < 256; ++code) {
        char utf8[3];
        const int n = cp437_to_utf8(static_cast<unsigned char>(code), utf8);
        ASSERT_GE(n, 1);
        const auto first = static_cast<unsigned char>(utf8[0]);
        EXPECT_TRUE(first >= 0x20 && first != 0x7f) << "code " << code;
    }
    char utf8[3];
    ASSERT_EQ(cp437_to_utf8(201, utf8), 3);
    EXPECT_EQ(std::string(utf8, 3), "\u2554");
}

TEST(Renderer, ConsoleColourBitsBecomeAnsiColours) {
    EXPECT_EQ(sgr_foreground(1), 34) << "console 1 is blue";
    EXPECT_EQ(sgr_foreground(4), 31) << "console 4 is red";
    EXPECT_EQ(sgr_foreground(6), 33);
    EXPECT_EQ(sgr_foreground(15), 97);
    EXPECT_EQ(sgr_foreground(9), 94);
    EXPECT_EQ(sgr_background(0), 40);
    EXPECT_EQ(sgr_background(10), 102);
    EXPECT_EQ(sgr_background(8), 100);
}

TEST(Renderer, FirstFramePaintsEveryCellWithBothColours) {
    ScreenBuffer s;
    ShownScreen shown;
    const std::string out = render(s, shown);
    EXPECT_EQ(out.rfind("\x1b[H\x1b[40m", 0), 0u) << "blanks need their background only: " << out.substr(0, 20);
    EXPECT_EQ(out.find("\x1b[2J"), std::string::npos);
    EXPECT_EQ(out.find("\x1b[K"), std::string::npos);
    // 2000 blanks and a line change between rows, nothing more.
    EXPECT_EQ(out.size(), std::string("\x1b[H\x1b[40m").size() + 2000 + 24 * 2);
    EXPECT_TRUE(render(s, shown).empty()) << "nothing changed, nothing sent";
}

TEST(Renderer, SendsOnlyChangedCellsWithCheapMoves) {
    ScreenBuffer s;
    ShownScreen shown;
    render(s, shown);

    s.set_cursor(10, 5);
    s.set_attribute(0x0c);
    s.write("Hit", 3);
    EXPECT_EQ(render(s, shown), "\x1b[6;11H\x1b[91mHit");

    s.set_cursor(15, 5);
    s.write("!", 1);
    EXPECT_EQ(render(s, shown), "  !") << "blanks show no foreground: rewriting two is cheapest";

    s.set_cursor(16, 6);
    s.write("v", 1);
    EXPECT_EQ(render(s, shown), "\nv") << "straight down is one line feed";

    s.set_attribute(0x07);
    s.set_cursor(0, 7);
    s.write("x", 1);
    EXPECT_EQ(render(s, shown), "\r\n\x1b[37mx") << "start of the next row";

    s.set_cursor(2, 7);
    s.write("y", 1);
    EXPECT_EQ(render(s, shown), " y") << "one unchanged blank is cheaper to rewrite than to skip";

    s.set_attribute(0xa0);
    s.set_cursor(40, 12);
    s.write("\x01", 1);
    EXPECT_EQ(render(s, shown), "\x1b[13;41H\x1b[30;102m\u263A");

    s.set_attribute(0x07);
    s.set_cursor(20, 4);
    s.write("ab", 2);
    render(s, shown);
    s.set_attribute(0x0c);
    s.set_cursor(19, 4);
    s.write("X", 1);
    s.set_cursor(22, 4);
    s.write("Y", 1);
    EXPECT_EQ(render(s, shown), "\b\b\b\x1b[91mX\x1b[2CY") << "back three, then over other colours";
}

// The bytes that paint a blank at (10, 3) and a diamond at (11, 3) in the
// given colours, on a black screen whose last colour set was white.
std::string blank_then_diamond(int blank_attr, int glyph_attr, ColourMode mode) {
    ScreenBuffer s;
    ShownScreen shown;
    s.set_attribute(0x0f);
    s.write("w", 1);
    std::string out;
    render_changes(s, shown, out, mode);
    s.set_cursor(10, 3);
    s.set_attribute(static_cast<unsigned char>(blank_attr));
    s.write(" ", 1);
    s.set_attribute(static_cast<unsigned char>(glyph_attr));
    s.write("\x04", 1);
    out.clear();
    render_changes(s, shown, out, mode);
    return out;
}

TEST(Renderer, AColourChangeSendsOnlyWhatChangedInEitherMode) {
    struct Case {
        int blank, glyph;
        const char* standard;
        const char* rgb;
    } cases[] = {
        // The blank is already there: only the diamond's ink.
        {0x00, 0x0c, "\x1b[4;12H\x1b[91m\u2666", "\x1b[4;12H\x1b[38;2;255;0;0m\u2666"},
        // Only the background changes.
        {0xa0, 0xaf, "\x1b[4;11H\x1b[102m \u2666", "\x1b[4;11H\x1b[48;2;0;255;0m \u2666"},
        // The blank's SGR brings the diamond's ink along.
        {0xa0, 0xa0, "\x1b[4;11H\x1b[30;102m \u2666", "\x1b[4;11H\x1b[38;2;0;0;0;48;2;0;255;0m \u2666"},
        // Not across another background.
        {0x90, 0xa1, "\x1b[4;11H\x1b[104m \x1b[34;102m\u2666",
         "\x1b[4;11H\x1b[48;2;0;0;255m \x1b[38;2;0;0;128;48;2;0;255;0m\u2666"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(blank_then_diamond(c.blank, c.glyph, ColourMode::standard16), c.standard) << c.blank << "/" << c.glyph;
        EXPECT_EQ(blank_then_diamond(c.blank, c.glyph, ColourMode::rgb), c.rgb) << c.blank << "/" << c.glyph;
    }
}

TEST(Renderer, TheColourModeComesFromColorterm) {
    EXPECT_EQ(colour_mode_for("truecolor"), ColourMode::rgb);
    EXPECT_EQ(colour_mode_for("24bit"), ColourMode::rgb);
    EXPECT_EQ(colour_mode_for(nullptr), ColourMode::standard16);
    EXPECT_EQ(colour_mode_for(""), ColourMode::standard16);
    EXPECT_EQ(colour_mode_for("yes"), ColourMode::standard16);
    EXPECT_EQ(console_rgb(1), 0x000080u) << "console 1 is blue";
    EXPECT_EQ(console_rgb(4), 0x800000u) << "console 4 is red";
    EXPECT_EQ(console_rgb(7), 0xc0c0c0u);
    EXPECT_EQ(console_rgb(8), 0x808080u);
}

TEST(Renderer, AfterTheLastColumnTheCursorIsNotTrustedToWrap) {
    ScreenBuffer s;
    ShownScreen shown;
    render(s, shown);
    s.set_cursor(79, 3);
    s.write("a", 1);
    s.set_cursor(0, 4);
    s.write("b", 1);
    const std::string out = render(s, shown);
    EXPECT_EQ(out, "\x1b[4;80H\x1b[37ma\r\nb");

    s.set_cursor(79, 10);
    s.write("c", 1);
    s.set_cursor(0, 12);
    s.write("d", 1);
    EXPECT_EQ(render(s, shown), "\x1b[11;80Hc\r\n\nd") << "a carriage return first, then down";
}

TEST(Renderer, ForgettingRepaintsEverything) {
    ScreenBuffer s;
    ShownScreen shown;
    const std::size_t full = render(s, shown).size();
    shown.forget();
    EXPECT_EQ(render(s, shown).size(), full);
}

}  // namespace
