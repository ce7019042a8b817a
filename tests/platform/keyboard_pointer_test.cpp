// The keyboard pointer: the terminal's key bytes, decoded, become the mouse
// events a player with a mouse would send at the pointer's cell.
#include "platform/keyboard_pointer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/arrival.h"
#include "platform/terminal/input_queue.h"

namespace {

// What the pointer makes of the keys in bytes, read from one terminal.
struct Player {
    InputQueue queue;
    KeyboardPointer pointer;
    InputQueue::Moment now{};

    std::vector<ConsoleEvent> send(const std::string& bytes, bool escape_timeout = false) {
        now += std::chrono::seconds(1);
        queue.arrive(bytes.data(), bytes.size(), now);
        queue.window_passed(now + ARRIVAL_WINDOW);
        if (escape_timeout) queue.escape_timeout();
        std::vector<ConsoleEvent> out;
        while (!queue.empty()) {
            const ConsoleEvent event = queue.take();
            pointer.follow_mouse(event);
            if (!pointer.translate(event, out)) out.push_back(event);
        }
        return out;
    }
};

ConsoleEvent moved(int x, int y) { return mouse_report(x, y, 0, MOUSE_MOVED); }

TEST(KeyboardPointer, KeysBecomeMovesAndClicksAtThePointer) {
    Player player;
    EXPECT_FALSE(player.pointer.shown()) << "hidden until the first pointer key";
    EXPECT_EQ(player.send("a"), std::vector<ConsoleEvent>{key_press('a')}) << "other keys stay keys";
    EXPECT_FALSE(player.pointer.shown());

    EXPECT_EQ(player.send("\x1b[A\x1b[C\x1bOB\x1b[D\x1b[D"),
              (std::vector<ConsoleEvent>{moved(40, 11), moved(41, 11), moved(41, 12), moved(40, 12), moved(39, 12)}))
        << "from the middle, a cell per arrow, in either cursor-key mode";
    EXPECT_TRUE(player.pointer.shown());
    EXPECT_EQ(player.send("\x1b[6~\x1b[F\x1b[5~\x1b[H"),
              (std::vector<ConsoleEvent>{moved(39, 20), moved(47, 20), moved(47, 12), moved(39, 12)}))
        << "PgDn, End, PgUp and Home jump eight";
    const std::vector<ConsoleEvent> left{mouse_report(39, 12, LEFT_BUTTON), mouse_report(39, 12, 0)};
    const std::vector<ConsoleEvent> right{mouse_report(39, 12, RIGHT_BUTTON), mouse_report(39, 12, 0)};
    EXPECT_EQ(player.send("\r"), left) << "Enter: press and release";
    EXPECT_EQ(player.send(" "), left) << "Space";
    EXPECT_EQ(player.send("\x7f"), right) << "Backspace";
    EXPECT_EQ(player.send("\b"), right) << "Ctrl+H";
    EXPECT_TRUE(player.send("\x1b").empty()) << "a lone ESC may still begin a sequence";
    EXPECT_EQ(player.send("", true), right) << "Escape, once the terminal's escape time is up";
}

TEST(KeyboardPointer, NeverLeavesTheScreen) {
    Player player;
    for (int i = 0; i < 10; ++i) player.send("\x1b[H\x1b[5~");
    EXPECT_EQ(player.send("\x1b[D\x1b[A"), (std::vector<ConsoleEvent>{moved(0, 0), moved(0, 0)}));
    for (int i = 0; i < 12; ++i) player.send("\x1b[F\x1b[6~");
    EXPECT_EQ(player.send("\x1b[C\x1b[B"), (std::vector<ConsoleEvent>{moved(79, 24), moved(79, 24)}));
}

TEST(KeyboardPointer, TheMouseTakesOverAndPlacesIt) {
    Player player;
    player.send("\x1b[A");
    ASSERT_TRUE(player.pointer.shown());
    EXPECT_EQ(player.send("\x1b[<35;11;6M"), std::vector<ConsoleEvent>{moved(10, 5)}) << "mouse events pass as they are";
    EXPECT_FALSE(player.pointer.shown()) << "hidden as soon as the mouse moves";
    EXPECT_EQ(player.send("\x1b[C"), std::vector<ConsoleEvent>{moved(11, 5)}) << "the next key starts from the mouse's cell";
    EXPECT_TRUE(player.pointer.shown());
}

TEST(KeyboardPointer, InALargerTerminalReportsAreMovedIntoTheScreenAndTheMarginsIgnored) {
    Player player;
    player.queue.set_origin(10, 2);
    EXPECT_EQ(player.send("\x1b[<0;11;3M\x1b[<0;90;27m"),
              (std::vector<ConsoleEvent>{mouse_report(0, 0, LEFT_BUTTON), mouse_report(79, 24, 0)}));
    EXPECT_TRUE(player.send("\x1b[<35;10;3M\x1b[<35;11;2M\x1b[<0;91;3M\x1b[<35;40;28M").empty())
        << "left of, above, right of and below the screen";
}

}  // namespace
