#include "console/art_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "console_harness.h"
#include "temp_folder.h"
#include "support/random.h"

namespace {

class ArtFile : public ConsoleTest {
protected:

    std::string picture(const std::string& bytes) {
        const std::string path = dir + "/picture.txt";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    const TempFolder folder{"art_file"};
    const std::string& dir = folder.path;
};

TEST_F(ArtFile, DrawsEachLineAtTheColumnAndPausesAfterEach) {
    set_color(15);
    const std::string path = picture("/\\_/\\\n( o.o )\n > ^ <\n");
    EXPECT_TRUE(draw_art_file(path.c_str(), 50, 5, NO_COLOR, 40));
    EXPECT_EQ(text_at(50, 5, 5), "/\\_/\\");
    EXPECT_EQ(text_at(50, 6, 7), "( o.o )");
    EXPECT_EQ(text_at(50, 7, 6), " > ^ <");
    EXPECT_EQ(attr_at(50, 6), 15) << "no colour of its own: the current one";
    EXPECT_EQ(pauses(), (std::vector<int>{40, 40, 40}));
    EXPECT_EQ(screen().cursor_x(), 0) << "each line ends with a newline";
    EXPECT_EQ(screen().cursor_y(), 8);
}

TEST_F(ArtFile, SetsItsColourAndMakesNoPauseWithoutOne) {
    set_color(15);
    EXPECT_TRUE(draw_art_file(picture("~~\n").c_str(), 10, 2, 9, 0));
    EXPECT_EQ(attr_at(10, 2), 9);
    EXPECT_EQ(screen().attribute(), 9);
    EXPECT_TRUE(pauses().empty());
}

TEST_F(ArtFile, LastLineWithoutLineFeedIsNotDrawnAndEmptyLinesSkipARow) {
    EXPECT_TRUE(draw_art_file(picture("one\n\nthree\nfour").c_str(), 10, 2, NO_COLOR, 40));
    EXPECT_EQ(text_at(10, 2, 3), "one");
    EXPECT_EQ(text_at(10, 3, 5), "     ");
    EXPECT_EQ(text_at(10, 4, 5), "three");
    EXPECT_EQ(text_at(10, 5, 4), "    ");
    EXPECT_EQ(pauses().size(), 3u);
}

TEST_F(ArtFile, CrlfLinesDrawTheSameAsLf) {
    draw_art_file(picture("ab\r\ncd\r\n").c_str(), 10, 2, NO_COLOR, 0);
    EXPECT_EQ(text_at(10, 2, 3), "ab ");
    EXPECT_EQ(text_at(10, 3, 3), "cd ");
}

TEST_F(ArtFile, EveryByteIsDrawnLiterally) {
    draw_art_file(picture("100% %s %n \x1b[2J\x01\xdb\n").c_str(), 10, 2, NO_COLOR, 0);
    EXPECT_EQ(text_at(10, 2, 17), "100% %s %n \x1b[2J\x01\xdb");
}

TEST_F(ArtFile, LongLinesWrapAndTheNextLineOverwritesFromTheColumn) {
    draw_art_file(picture(std::string(75, 'a') + "\nbb\n").c_str(), 10, 2, NO_COLOR, 0);
    EXPECT_EQ(text_at(70, 2, 10), "aaaaaaaaaa");
    EXPECT_EQ(text_at(0, 3, 5), "aaaaa") << "the wrapped end lands at the start of the next row";
    EXPECT_EQ(text_at(10, 3, 3), "bb ");
}

TEST_F(ArtFile, EmptyFileDrawsNothingButCountsAsDrawn) {
    set_color(15);
    EXPECT_TRUE(draw_art_file(picture("").c_str(), 10, 2, 9, 40));
    EXPECT_EQ(screen().attribute(), 9);
    EXPECT_TRUE(pauses().empty());
    EXPECT_EQ(row(2), std::string(80, ' '));
}

TEST_F(ArtFile, MissingFileWritesCannotFindFileAtTheCursorAndNothingElse) {
    set_color(15);
    goto_xy(12, 4);
    EXPECT_FALSE(draw_art_file((dir + "/no such picture.txt").c_str(), 10, 2, 9, 40));
    EXPECT_EQ(text_at(12, 4, 16), "Cannot find file");
    EXPECT_EQ(screen().cursor_x(), 0);
    EXPECT_EQ(screen().cursor_y(), 5);
    EXPECT_EQ(screen().attribute(), 15) << "no colour set";
    EXPECT_TRUE(pauses().empty());
}

TEST_F(ArtFile, ADirectoryInThePicturesPlaceDoesNotOpen) {
    const std::string path = dir + "/rat.txt";
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    goto_xy(0, 0);
    EXPECT_FALSE(draw_art_file(path.c_str(), 50, 5, NO_COLOR, 0));
    EXPECT_EQ(text_at(0, 0, 16), "Cannot find file");
}

TEST_F(ArtFile, SparklesCoverTheScreenRowByRowTwoMillisecondsACell) {
    seed_random(1);
    set_color(15);
    sparkle_effect();
    EXPECT_EQ(pauses().size(), 1896u);
    EXPECT_EQ(clock.now_ms(), 3792);
    int stars = 0;
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            if (char_at(x, y) == '*') {
                ++stars;
                EXPECT_LT(x, 79);
                EXPECT_LT(y, 24);
                EXPECT_GE(attr_at(x, y), 1);
                EXPECT_LE(attr_at(x, y), 15);
            }
    EXPECT_GT(stars, 120);
    EXPECT_LT(stars, 260);

    // The same generator state gives the same sparkles, and the last star's
    // colour stays current.
    seed_random(1);
    int last_colour = 15;
    for (int cell = 0; cell < 1896; ++cell)
        if (random_between(1, 10) == 1) {
            last_colour = random_between(1, 15);
        }
    EXPECT_EQ(screen().attribute(), last_colour);
}

}  // namespace
