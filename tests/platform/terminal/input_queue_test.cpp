#include "platform/terminal/input_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/arrival.h"
#include "platform/terminal/events_text.h"

namespace {

// SGR reports as xterm sends them with every movement reported.
const std::string MOTION_A = "\x1b[<35;10;5M";
const std::string MOTION_B = "\x1b[<35;20;6M";
const std::string MOTION_C = "\x1b[<35;67;18M";
const std::string PRESS = "\x1b[<0;67;18M";
const std::string RELEASE = "\x1b[<0;67;18m";

const ConsoleEvent MOVED_A = mouse_report(9, 4, 0, MOUSE_MOVED);
const ConsoleEvent MOVED_B = mouse_report(19, 5, 0, MOUSE_MOVED);
const ConsoleEvent MOVED_C = mouse_report(66, 17, 0, MOUSE_MOVED);
const ConsoleEvent PRESSED = mouse_report(66, 17, LEFT_BUTTON);
const ConsoleEvent RELEASED = mouse_report(66, 17, 0);

using std::chrono::microseconds;
using namespace std::chrono_literals;

struct Read {
    std::string bytes;
    microseconds at{};  // after the first read
};

// Everything queued after the given reads. Between two reads the terminal
// is looked at once the open arrival's window ends, and found silent.
std::string queued_at(const std::vector<Read>& reads) {
    InputQueue queue;
    const InputQueue::Moment start{};
    for (const Read& read : reads) {
        if (const auto end = queue.window_end(); end && *end < start + read.at) queue.window_passed(*end);
        queue.arrive(read.bytes.data(), read.bytes.size(), start + read.at);
    }
    queue.window_passed(start + reads.back().at + 1s);
    std::vector<ConsoleEvent> events;
    while (!queue.empty()) events.push_back(queue.take());
    return text(events);
}

// The same with the reads a second apart: each a moment of its own.
std::string queued(const std::vector<std::string>& reads) {
    std::vector<Read> timed;
    for (const std::string& bytes : reads) timed.push_back({bytes, 1s * static_cast<int>(timed.size())});
    return queued_at(timed);
}

TEST(InputQueue, AMotionIsSupersededByTheMouseReportThatArrivesWithIt) {
    EXPECT_EQ(queued({MOTION_C + PRESS}), text({PRESSED})) << "the press where the pointer went";
    EXPECT_EQ(queued({MOTION_A + MOTION_B + MOTION_C}), text({MOVED_C})) << "where the pointer is, not where it was";
    EXPECT_EQ(queued({MOTION_C + PRESS + RELEASE}), text({PRESSED, RELEASED}));
    EXPECT_EQ(queued({PRESS + RELEASE}), text({PRESSED, RELEASED})) << "a click keeps both halves";
    EXPECT_EQ(queued({MOTION_A + "x" + PRESS}), text({MOVED_A, key_press('x'), PRESSED}))
        << "a key between them keeps the motion";
    EXPECT_EQ(queued({PRESS + MOTION_C}), text({PRESSED, MOVED_C})) << "a motion last in its arrival stays";
}

TEST(InputQueue, ReportsOfDifferentArrivalsAreAllKept) {
    EXPECT_EQ(queued({MOTION_C, PRESS}), text({MOVED_C, PRESSED}));
    EXPECT_EQ(queued({MOTION_A, MOTION_B, MOTION_C}), text({MOVED_A, MOVED_B, MOVED_C}));
    // A press cut in two by the reads belongs to the arrival that ends it.
    const std::string both = MOTION_C + PRESS;
    EXPECT_EQ(queued({both.substr(0, 16), both.substr(16)}), text({MOVED_C, PRESSED}));
    std::vector<std::string> bytes;
    for (const char c : both + RELEASE) bytes.push_back(std::string(1, c));
    EXPECT_EQ(queued(bytes), text({MOVED_C, PRESSED, RELEASED})) << "byte by byte";
}

TEST(InputQueue, AnArrivalIsAMomentNotARead) {
    EXPECT_EQ(queued_at({{MOTION_C}, {PRESS + RELEASE, 20us}}), text({PRESSED, RELEASED}))
        << "written apart, a few microseconds between";
    EXPECT_EQ(queued_at({{MOTION_C}, {PRESS + RELEASE, 2ms}}), text({PRESSED, RELEASED}));
    EXPECT_EQ(queued_at({{MOTION_A}, {MOTION_B, 3ms}, {PRESS, 9ms}}), text({PRESSED}));
    EXPECT_EQ(queued_at({{MOTION_C}, {PRESS + RELEASE, 40ms}}), text({MOVED_C, PRESSED, RELEASED}))
        << "a movement, then a click: two moments";
    EXPECT_EQ(queued_at({{PRESS}, {MOTION_C, 20us}}), text({PRESSED, MOVED_C}));

    InputQueue queue;
    const InputQueue::Moment start{};
    queue.arrive(PRESS.data(), PRESS.size(), start);
    EXPECT_EQ(queue.size(), 1u) << "a press waits for nothing";
    EXPECT_FALSE(queue.window_end());
    queue.take();
    queue.arrive(MOTION_C.data(), MOTION_C.size(), start);
    queue.window_passed(start + 9ms);
    EXPECT_TRUE(queue.empty()) << "a motion waits out its window";
    EXPECT_EQ(queue.window_end(), start + ARRIVAL_WINDOW);
    queue.window_passed(start + ARRIVAL_WINDOW);
    EXPECT_EQ(queue.size(), 1u);
    queue.take();
    // What a look made at the window's end finds still belongs to it: the
    // game, not the terminal, was late.
    queue.arrive(MOTION_C.data(), MOTION_C.size(), start);
    queue.arrive(PRESS.data(), PRESS.size(), start + 15ms);
    EXPECT_EQ(text({queue.take()}), text({PRESSED}));
    EXPECT_TRUE(queue.empty());
}

TEST(InputQueue, DroppingEventsKeepsAReportCutInTwo) {
    InputQueue queue;
    const std::string first = MOTION_A + PRESS.substr(0, 5);
    queue.arrive(first.data(), first.size(), {});
    EXPECT_EQ(text(queue.drop_events()), text({MOVED_A})) << "the open arrival is thrown away too";
    EXPECT_TRUE(queue.empty());
    EXPECT_TRUE(queue.pending());
    const std::string rest = PRESS.substr(5);
    queue.arrive(rest.data(), rest.size(), {});
    ASSERT_EQ(queue.size(), 1u) << "the rest of the press is no keys";
    EXPECT_EQ(text({queue.take()}), text({PRESSED}));
}

TEST(InputQueue, ALoneEscapeArrivesWhenItsTimeoutPasses) {
    InputQueue queue;
    queue.arrive("\x1b", 1, {});
    EXPECT_TRUE(queue.empty());
    queue.escape_timeout();
    ASSERT_FALSE(queue.empty());
    EXPECT_TRUE(queue.holds_key_press());
    EXPECT_EQ(queue.take().key_code, KEY_CODE_ESCAPE);
}

TEST(InputQueue, AFloodWhileTheGameIsBusyIsCapped) {
    InputQueue queue;
    const std::string paste(3000, 'k');
    for (int i = 0; i < 3; ++i) queue.arrive(paste.data(), paste.size(), {});
    EXPECT_EQ(queue.size(), InputQueue::MAX_EVENTS);
    queue.drop_events();
    queue.arrive("q", 1, {});
    EXPECT_EQ(queue.size(), 1u) << "room again once the game has thrown the flood away";
}

}  // namespace
