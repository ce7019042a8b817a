#include "support/apstring"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string text_of(const apstring& s) { return std::string(s.c_str(), s.length()); }

// Every line getline yields from the bytes, and whether the stream was still
// good after it (the last entry is the read that failed).
struct Read {
    std::string line;
    bool ok;
};

std::vector<Read> read_all(const std::string& bytes) {
    std::istringstream in(bytes);
    std::vector<Read> reads;
    apstring line;
    for (;;) {
        const bool ok = static_cast<bool>(getline(in, line));
        reads.push_back({text_of(line), ok});
        if (!ok) break;
    }
    return reads;
}

TEST(Apstring, DefaultIsEmptyWithRoomForTheTerminatorOnly) {
    apstring s;
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.capacity(), 1);
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_TRUE(s == apstring(""));
}

TEST(Apstring, ConstructionAndCopyAllocateExactlyWhatIsNeeded) {
    apstring dunmar("Dunmar");
    EXPECT_EQ(dunmar.length(), 6);
    EXPECT_EQ(dunmar.capacity(), 7);

    apstring roomy;
    for (char c : std::string("abcdefghij")) roomy += c;  // capacity 22 by now
    roomy = "ab";
    const apstring copy(roomy);
    EXPECT_EQ(copy.capacity(), 3) << "a copy does not take the source's spare room";
    EXPECT_EQ(text_of(copy), "ab");
}

TEST(Apstring, AssignmentReusesALargeEnoughBufferAndGrowsExactlyOtherwise) {
    apstring s;
    for (int i = 0; i < 10; ++i) s += 'x';
    ASSERT_EQ(s.capacity(), 22);
    s = apstring("Potion");
    EXPECT_EQ(s.capacity(), 22);
    EXPECT_EQ(text_of(s), "Potion");

    s = "This text is thirty characters";
    EXPECT_EQ(s.length(), 30);
    EXPECT_EQ(s.capacity(), 31);

    s = 'q';
    EXPECT_EQ(s.capacity(), 31);
    EXPECT_EQ(text_of(s), "q");

    apstring tiny;
    tiny = 'z';
    EXPECT_EQ(tiny.capacity(), 2);
    EXPECT_EQ(text_of(tiny), "z");
}

TEST(Apstring, SelfAssignmentChangesNothing) {
    apstring s("Elixir");
    const apstring& same = s;
    s = same;
    s = s.c_str();
    EXPECT_EQ(text_of(s), "Elixir");
    EXPECT_EQ(s.capacity(), 7);
}

TEST(Apstring, AssigningItsOwnTailMovesTheBytesSafely) {
    apstring s("Hi-Potion");
    s = s.c_str() + 3;
    EXPECT_EQ(text_of(s), "Potion");
}

TEST(Apstring, OneCharacterAppendsDoubleTheRoom) {
    apstring s;
    std::vector<int> capacities{s.capacity()};
    for (int i = 0; i < 46; ++i) {
        s += static_cast<char>('a' + i % 26);
        if (s.capacity() != capacities.back()) capacities.push_back(s.capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{1, 4, 10, 22, 46, 94}));

    apstring five;
    for (char c : std::string("Ether")) five += c;
    EXPECT_EQ(five.length(), 5);
    EXPECT_EQ(five.capacity(), 10);
    EXPECT_EQ(text_of(five), "Ether");
}

TEST(Apstring, LongerAppendsAllocateExactly) {
    apstring s("Meat");
    s += apstring(" Pie");
    EXPECT_EQ(text_of(s), "Meat Pie");
    EXPECT_EQ(s.capacity(), 9);
}

TEST(Apstring, AppendingAStringToItselfDoublesIt) {
    apstring s("ab");
    s += s;
    EXPECT_EQ(text_of(s), "abab");
    EXPECT_EQ(s.length(), 4);

    apstring roomy;
    for (char c : std::string("abcd")) roomy += c;  // capacity 10: room for both halves
    roomy += roomy;
    EXPECT_EQ(text_of(roomy), "abcdabcd");
    EXPECT_EQ(roomy.capacity(), 10);
}

TEST(Apstring, EqualityComparesBytesIncludingHighOnes) {
    EXPECT_TRUE(apstring("clrscr();") == apstring("clrscr();"));
    EXPECT_FALSE(apstring("clrscr();") == apstring("clrscr(); "));
    EXPECT_FALSE(apstring("\xc9\xcd") == apstring("\xc9\xbb"));
    EXPECT_TRUE(apstring("\xc9\xcd") != apstring("\xc9"));
}

TEST(Apstring, StreamOutputWritesTheCharactersAloneIgnoringWidth) {
    std::ostringstream out;
    out.width(10);
    out.fill('*');
    out << apstring("Star");
    EXPECT_EQ(out.str(), "Star");
}

TEST(Apstring, IndexingReadsAndWritesInsideTheString) {
    apstring s("Star");
    EXPECT_EQ(s[0], 'S');
    s[3] = 'k';
    EXPECT_EQ(text_of(s), "Stak");
    const apstring& view = s;
    EXPECT_EQ(view[3], 'k');
}

TEST(ApstringGetline, WordEmptyLineAndAnUnterminatedLastWord) {
    const auto reads = read_all("Fire\n\nIce");
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[0].line, "Fire");
    EXPECT_TRUE(reads[0].ok);
    EXPECT_EQ(reads[1].line, "");
    EXPECT_TRUE(reads[1].ok);
    EXPECT_EQ(reads[2].line, "Ice") << "the last line is in the target, but the stream failed";
    EXPECT_FALSE(reads[2].ok);
}

TEST(ApstringGetline, AFinalLineFeedEndsTheFileCleanly) {
    const auto reads = read_all("one\ntwo\n");
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[1].line, "two");
    EXPECT_TRUE(reads[1].ok);
    EXPECT_EQ(reads[2].line, "");
    EXPECT_FALSE(reads[2].ok);
}

TEST(ApstringGetline, KeepsSpacesTabsAndEveryByteButTheLineFeed) {
    const auto reads = read_all("  \tleft and right\t  \n\x01\x1b[31m\xdb\xb0\n");
    EXPECT_EQ(reads[0].line, "  \tleft and right\t  ");
    EXPECT_EQ(reads[1].line, "\x01\x1b[31m\xdb\xb0");
}

TEST(ApstringGetline, CarriageReturnBeforeLineFeedIsDropped) {
    const auto crlf = read_all("Potion\r\n\r\nEther\r\n");
    const auto lf = read_all("Potion\n\nEther\n");
    ASSERT_EQ(crlf.size(), lf.size());
    for (size_t i = 0; i < lf.size(); ++i) {
        EXPECT_EQ(crlf[i].line, lf[i].line);
        EXPECT_EQ(crlf[i].ok, lf[i].ok);
    }
}

TEST(ApstringGetline, OtherCarriageReturnsStayInTheLine) {
    const auto reads = read_all("a\rb\r\r\nc\r");
    EXPECT_EQ(reads[0].line, "a\rb\r");
    EXPECT_TRUE(reads[0].ok);
    EXPECT_EQ(reads[1].line, "c\r");
    EXPECT_FALSE(reads[1].ok);
}

TEST(ApstringGetline, ReadsARealFileTheSameWay) {
    char path[] = "/tmp/apstring_getline_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_NE(fd, -1);
    {
        std::ofstream out(path, std::ios::binary);
        out << "first\r\nsecond\n";
    }
    std::ifstream in(path);
    apstring line;
    std::vector<std::string> lines;
    while (getline(in, line)) lines.push_back(text_of(line));
    std::remove(path);
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second"}));
}

TEST(ApstringGetline, ALineReusesTheTargetsRoom) {
    std::istringstream in(std::string(100, 'x') + "\nshort\n");
    apstring line;
    getline(in, line);
    const int grown = line.capacity();
    getline(in, line);
    EXPECT_EQ(line.capacity(), grown);
    EXPECT_EQ(text_of(line), "short");
}

TEST(ApstringGetline, HasNoLengthLimit) {
    const std::string long_line(1 << 20, 'w');
    std::istringstream in(long_line + "\n");
    apstring line;
    ASSERT_TRUE(getline(in, line));
    EXPECT_EQ(line.length(), 1 << 20);
}

using ApstringDeathTest = ::testing::Test;

TEST_F(ApstringDeathTest, BadIndexEndsTheGameWithStatusOneAfterCleanup) {
    // The normal exit path runs exit handlers and static destructors; a
    // handler writing a mark proves it was taken.
    auto index_at = [](int k) {
        std::atexit([] { std::fputs("cleanup ran\n", stderr); });
        apstring s("Star");
        (void)s[k];
    };
    EXPECT_EXIT(index_at(4), ::testing::ExitedWithCode(1),
                "^index out of range: 4 string: Star\ncleanup ran\n$");
    EXPECT_EXIT(index_at(-1), ::testing::ExitedWithCode(1), "^index out of range: -1 string: Star\n");
    auto write_past_end = [] {
        apstring s;
        s[0] = 'x';
    };
    EXPECT_EXIT(write_past_end(), ::testing::ExitedWithCode(1), "^index out of range: 0 string: \n");
}

TEST_F(ApstringDeathTest, NullTextIsAFailedAssertion) {
    const char* nothing = nullptr;
    EXPECT_DEATH(apstring{nothing}, "s != 0");
    auto assign_null = [nothing] {
        apstring s;
        s = nothing;
    };
    EXPECT_DEATH(assign_null(), "s != 0");
}

}  // namespace
