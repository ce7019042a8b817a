#include "platform/terminal/input_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/terminal/events_text.h"

namespace {

using Events = std::vector<ConsoleEvent>;

Events feed(InputDecoder& decoder, const std::string& bytes) {
    Events out;
    decoder.feed(bytes.data(), bytes.size(), out);
    return out;
}

std::string decoded(const std::string& bytes) {
    InputDecoder decoder;
    return text(feed(decoder, bytes));
}

std::string keys(const std::string& chars) {
    Events events;
    for (const char c : chars) events.push_back(key_press(static_cast<unsigned char>(c)));
    return text(events);
}

std::string sgr(int b, int x, int y, char final = 'M') {
    return "\x1b[<" + std::to_string(b) + ";" + std::to_string(x) + ";" + std::to_string(y) + final;
}

std::string x10(int b, int x, int y) {
    return std::string("\x1b[M") + char(32 + b) + char(33 + x) + char(33 + y);
}

const ConsoleEvent ESCAPE = key_press(27, KEY_CODE_ESCAPE);
const ConsoleEvent OTHER = key_press(0, KEY_CODE_OTHER);

TEST(InputDecoderMouse, ClickDragAndReleaseKeepTheHeldState) {
    EXPECT_EQ(decoded(sgr(0, 10, 5) + sgr(32, 11, 5) + sgr(32, 12, 6) + sgr(0, 12, 6, 'm')),
              text({mouse_report(9, 4, LEFT_BUTTON), mouse_report(10, 4, LEFT_BUTTON, MOUSE_MOVED),
                    mouse_report(11, 5, LEFT_BUTTON, MOUSE_MOVED), mouse_report(11, 5, 0)}));
    EXPECT_EQ(decoded(sgr(2, 1, 1) + sgr(2, 1, 1, 'm') + sgr(1, 1, 1)),
              text({mouse_report(0, 0, RIGHT_BUTTON), mouse_report(0, 0, 0), mouse_report(0, 0, MIDDLE_BUTTON)}));
    // Ctrl (16) and shift (4) on a click change nothing.
    EXPECT_EQ(decoded(sgr(16 + 4, 3, 3)), text({mouse_report(2, 2, LEFT_BUTTON)}));
}

TEST(InputDecoderMouse, SeveralButtonsHeldAddUpAndReleaseSeparately) {
    EXPECT_EQ(decoded(sgr(0, 1, 1) + sgr(2, 1, 1) + sgr(32, 2, 1) + sgr(0, 2, 1, 'm') + sgr(2, 2, 1, 'm')),
              text({mouse_report(0, 0, 1), mouse_report(0, 0, 3), mouse_report(1, 0, 3, MOUSE_MOVED),
                    mouse_report(1, 0, 2), mouse_report(1, 0, 0)}));
}

TEST(InputDecoderMouse, MotionReportsResynchroniseTheHeldState) {
    InputDecoder decoder;
    // A move with no button down (mode 1003) reports nothing held.
    EXPECT_EQ(text(feed(decoder, sgr(35, 5, 5))), text({mouse_report(4, 4, 0, MOUSE_MOVED)}));
    // The release happened outside the window: the next move says so.
    feed(decoder, sgr(0, 5, 5));
    EXPECT_EQ(text(feed(decoder, sgr(35, 6, 5))), text({mouse_report(5, 4, 0, MOUSE_MOVED)}));
    // A drag whose press was never seen is still a drag.
    EXPECT_EQ(text(feed(decoder, sgr(34, 6, 5))), text({mouse_report(5, 4, RIGHT_BUTTON, MOUSE_MOVED)}));
    EXPECT_EQ(decoder.held_buttons(), RIGHT_BUTTON);
}

TEST(InputDecoderMouse, AMoveNamingAButtonSeenReleasedHoldsNothing) {
    // rxvt-unicode's moves after a left click say 32, "left held".
    EXPECT_EQ(decoded(sgr(0, 5, 5) + sgr(0, 5, 5, 'm') + sgr(32, 6, 6) + sgr(2, 6, 6) + sgr(2, 6, 6, 'm') +
                      sgr(0, 7, 7) + sgr(32, 8, 8)),
              text({mouse_report(4, 4, LEFT_BUTTON), mouse_report(4, 4, 0), mouse_report(5, 5, 0, MOUSE_MOVED),
                    mouse_report(5, 5, RIGHT_BUTTON), mouse_report(5, 5, 0), mouse_report(6, 6, LEFT_BUTTON),
                    mouse_report(7, 7, LEFT_BUTTON, MOUSE_MOVED)}));
}

TEST(InputDecoderMouse, WheelCarriesDirectionAndNeverChangesTheHeldState) {
    EXPECT_EQ(decoded(sgr(64, 1, 2) + sgr(65, 1, 2) + sgr(66, 1, 2) + sgr(67, 1, 2) + sgr(64, 1, 2, 'm')),
              text({mouse_report(0, 1, WHEEL_FORWARD, MOUSE_WHEELED),
                    mouse_report(0, 1, WHEEL_BACKWARD, MOUSE_WHEELED),
                    mouse_report(0, 1, WHEEL_FORWARD, MOUSE_HWHEELED),
                    mouse_report(0, 1, WHEEL_BACKWARD, MOUSE_HWHEELED)}));
    EXPECT_EQ(decoded(sgr(0, 1, 1) + sgr(65, 1, 1) + sgr(32, 1, 1)),
              text({mouse_report(0, 0, 1), mouse_report(0, 0, 1 | WHEEL_BACKWARD, MOUSE_WHEELED),
                    mouse_report(0, 0, 1, MOUSE_MOVED)}));
}

TEST(InputDecoderMouse, LargeCoordinatesPassButAbsurdOrBrokenReportsAreDropped) {
    EXPECT_EQ(decoded(sgr(0, 300, 120) + sgr(0, 65535, 65535, 'm')),
              text({mouse_report(299, 119, 1), mouse_report(65534, 65534, 0)}));
    // Each broken report yields nothing and the key after it still comes through.
    for (const std::string& bad : {sgr(0, 65536, 1), sgr(0, 0, 5), sgr(99999999, 1, 1), sgr(0, 1, 99999999),
                                  std::string("\x1b[<0;1M"), std::string("\x1b[<0;1;1;1M"),
                                  std::string("\x1b[<;1;1M"), std::string("\x1b[<0;1;1 M")})
        EXPECT_EQ(decoded(bad + "a"), keys("a")) << bad.substr(1);
    EXPECT_EQ(decoded("\x1b[<0;" + std::string(50, '9') + ";1M"), "");
}

TEST(InputDecoderMouse, X10ReportsFollowTheSameHeldStateRules) {
    EXPECT_EQ(decoded(x10(0, 9, 4) + x10(2, 9, 4) + x10(32, 10, 4) + x10(3, 10, 4) + x10(64, 0, 0) +
                      x10(35, 222, 222)),
              text({mouse_report(9, 4, 1), mouse_report(9, 4, 3), mouse_report(10, 4, 3, MOUSE_MOVED),
                    mouse_report(10, 4, 0), mouse_report(0, 0, WHEEL_FORWARD, MOUSE_WHEELED),
                    mouse_report(222, 222, 0, MOUSE_MOVED)}));
    // Position bytes below the offset are no position; an ESC among them is data.
    EXPECT_EQ(decoded(std::string("\x1b[M \x1b!q")), keys("q"));
}

TEST(InputDecoderKeys, SingleBytes) {
    EXPECT_EQ(decoded("a Z~"), keys("a Z~"));
    EXPECT_EQ(decoded("\r\n\t\x7f\b\x01\x1a"),
              text({key_press(13, KEY_CODE_RETURN), key_press(13, KEY_CODE_RETURN), key_press(9, KEY_CODE_TAB),
                    key_press(8, KEY_CODE_BACK), key_press(8, KEY_CODE_BACK), key_press(1), key_press(26)}));
    EXPECT_EQ(decoded(std::string(1, '\0')), text({OTHER}));
}

TEST(InputDecoderKeys, EscapeSequencesAreOneKeyEach) {
    const struct {
        const char* bytes;
        int key_code;
    } cases[] = {
        {"\x1b[A", KEY_CODE_UP},      {"\x1bOB", KEY_CODE_DOWN},      {"\x1b[1;5C", KEY_CODE_RIGHT},
        {"\x1bOD", KEY_CODE_LEFT},    {"\x1b[H", KEY_CODE_HOME},      {"\x1bOF", KEY_CODE_END},
        {"\x1b[1~", KEY_CODE_HOME},   {"\x1b[7~", KEY_CODE_HOME},     {"\x1b[4~", KEY_CODE_END},
        {"\x1b[8~", KEY_CODE_END},    {"\x1b[2~", KEY_CODE_INSERT},   {"\x1b[3;2~", KEY_CODE_DELETE},
        {"\x1b[5~", KEY_CODE_PAGE_UP}, {"\x1b[6~", KEY_CODE_PAGE_DOWN}, {"\x1bOP", KEY_CODE_F1},
        {"\x1bOS", KEY_CODE_F1 + 3},  {"\x1b[1;2Q", KEY_CODE_F1 + 1}, {"\x1b[11~", KEY_CODE_F1},
        {"\x1b[14~", KEY_CODE_F1 + 3}, {"\x1b[15~", KEY_CODE_F1 + 4}, {"\x1b[17~", KEY_CODE_F1 + 5},
        {"\x1b[21~", KEY_CODE_F1 + 9}, {"\x1b[23~", KEY_CODE_F1 + 10}, {"\x1b[24;5~", KEY_CODE_F1 + 11},
        // Complete but meaning nothing to the game: still one key press.
        {"\x1b[Z", KEY_CODE_OTHER},   {"\x1b[16~", KEY_CODE_OTHER},   {"\x1b[200~", KEY_CODE_OTHER},
        {"\x1b[?1;2c", KEY_CODE_OTHER}, {"\x1b[~", KEY_CODE_OTHER},   {"\x1b[1 A", KEY_CODE_OTHER},
        {"\x1bOM", KEY_CODE_OTHER},   {"\x1b[<1A", KEY_CODE_OTHER},
    };
    for (const auto& c : cases) EXPECT_EQ(decoded(c.bytes), text({key_press(0, c.key_code)})) << c.bytes + 1;
}

TEST(InputDecoderKeys, AltWithAKeyIsTheKeyAlone) {
    EXPECT_EQ(decoded("\x1b" "a\x1b\r\x1b\x7f\x1b\xc3\xa9"),
              text({key_press('a'), key_press(13, KEY_CODE_RETURN), key_press(8, KEY_CODE_BACK), key_press('?')}));
}

TEST(InputDecoderKeys, LoneEscapeWaitsForTheTimeout) {
    InputDecoder decoder;
    EXPECT_EQ(text(feed(decoder, "\x1b")), "");
    EXPECT_TRUE(decoder.pending());
    Events out;
    decoder.flush_pending(out);
    EXPECT_EQ(text(out), text({ESCAPE}));
    EXPECT_FALSE(decoder.pending());
    // The first of two is known at once; the second waits.
    EXPECT_EQ(text(feed(decoder, "\x1b\x1b")), text({ESCAPE}));
    EXPECT_TRUE(decoder.pending());
}

TEST(InputDecoderKeys, UnfinishedSequencesBecomeEscapeAndKeys) {
    const auto flushed = [](const std::string& bytes) {
        InputDecoder decoder;
        Events out = feed(decoder, bytes);
        decoder.flush_pending(out);
        return text(out) + (decoder.pending() ? "still pending" : "");
    };
    EXPECT_EQ(flushed("\x1b["), text({ESCAPE, key_press('[')}));
    EXPECT_EQ(flushed("\x1b[1;"), text({ESCAPE, key_press('['), key_press('1'), key_press(';')}));
    EXPECT_EQ(flushed("\x1bO"), text({ESCAPE, key_press('O')}));
    EXPECT_EQ(flushed("\x1b\xe2\x82"), text({ESCAPE, key_press('?')}));
    // Broken off by a byte no sequence holds: the same, without waiting.
    EXPECT_EQ(decoded("\x1b[1\r"), text({ESCAPE, key_press('['), key_press('1'), key_press(13, KEY_CODE_RETURN)}));
    EXPECT_EQ(decoded("\x1b[\x1b[A"), text({ESCAPE, key_press('['), key_press(0, KEY_CODE_UP)}));
    EXPECT_EQ(decoded("\x1bO\x1bOA"), text({ESCAPE, key_press('O'), key_press(0, KEY_CODE_UP)}));
}

TEST(InputDecoderKeys, Utf8CharactersAndInvalidBytesAreOneUnknownKeyEach) {
    EXPECT_EQ(decoded("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"), keys("???"));
    EXPECT_EQ(decoded("\x80\xff\xc0\x80"), keys("????"));
    // A character cut short: the byte that broke it decodes on its own.
    EXPECT_EQ(decoded("\xe2\x82x\xe0\x80"), keys("?x??"));
    InputDecoder decoder;
    EXPECT_EQ(text(feed(decoder, "\xf0\x9f")), "");
    EXPECT_EQ(text(feed(decoder, "\x98")), "");
    EXPECT_EQ(text(feed(decoder, "\x80!")), keys("?!"));
}

TEST(InputDecoderKeys, OverlongSequencesAreDroppedAndDecodingResumes) {
    InputDecoder decoder;
    const std::string body(InputDecoder::MAX_SEQUENCE - 3, '1');
    EXPECT_EQ(text(feed(decoder, "\x1b[" + body)), "");
    EXPECT_TRUE(decoder.pending());
    EXPECT_EQ(text(feed(decoder, "2")), "");
    EXPECT_FALSE(decoder.pending());
    EXPECT_EQ(text(feed(decoder, "34A")), keys("34A"));
    // However long the stream, nothing is kept beyond one sequence.
    EXPECT_EQ(decoded("\x1b[" + std::string(100000, ';') + "~"), keys(std::string(100000 - 62, ';') + "~"));
}

TEST(InputDecoderSplit, AnySplitGivesTheSameEventsAsTheWholeStream) {
    const std::string stream = sgr(0, 10, 5) + "a\x1b[1;5A" + sgr(32, 300, 200) + "\xe2\x82\xac" + x10(0, 1, 2) +
                               "\x1bOP\x1b" "b" + sgr(65, 2, 2) + sgr(0, 300, 200, 'm') + "\x1b[" + "\r\x1b";
    InputDecoder whole;
    Events expected = feed(whole, stream);
    whole.flush_pending(expected);
    ASSERT_EQ(expected.size(), 14u);  // ten reports and keys, then Escape, [, Return, Escape

    for (std::size_t i = 0; i <= stream.size(); ++i) {
        for (std::size_t j = i; j <= stream.size(); ++j) {
            InputDecoder decoder;
            Events out;
            decoder.feed(stream.data(), i, out);
            decoder.feed(stream.data() + i, j - i, out);
            decoder.feed(stream.data() + j, stream.size() - j, out);
            decoder.flush_pending(out);
            ASSERT_EQ(text(out), text(expected)) << "split at " << i << " and " << j;
        }
    }
    InputDecoder bytewise;
    Events out;
    for (const char c : stream) bytewise.feed(&c, 1, out);
    bytewise.flush_pending(out);
    EXPECT_EQ(text(out), text(expected));
}

}  // namespace
