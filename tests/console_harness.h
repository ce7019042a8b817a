// The screen-test harness: a test console with a script of input, a virtual
// clock, the game's standard output on the console, and helpers to read the
// screen back.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "console/console_output.h"
#include "console/pause.h"
#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/doubles/test_console.h"
#include "support/game_streams.h"

class ConsoleTest : public ::testing::Test {
protected:
    ConsoleTest() : console(clock) {
        previous_clock = &installed_clock();
        previous_device = &console_device();
        previous_output = &standard_output();
        install_clock(clock);
        install_console_device(console);
        route_standard_output_to_console();
    }

    ~ConsoleTest() override {
        install_clock(*previous_clock);
        install_console_device(*previous_device);
        route_standard_output(*previous_output);
    }

    // The screen as the game left it.
    const ScreenBuffer& screen() { return console.screen(); }

    // length characters from (x, y), along the row.
    std::string text_at(int x, int y, int length) {
        std::string text;
        for (int i = 0; i < length && x + i < SCREEN_WIDTH; ++i) text += static_cast<char>(screen().at(x + i, y).ch);
        return text;
    }
    std::string row(int y) { return text_at(0, y, SCREEN_WIDTH); }
    int attr_at(int x, int y) { return screen().at(x, y).attr; }
    int char_at(int x, int y) { return screen().at(x, y).ch; }
    const std::vector<int>& pauses() { return clock.pauses(); }

    // Script: events arrive when the game next asks, or after wait().
    void wait(long long ms) {
        script_time = (script_time == TestConsole::WHEN_ASKED ? clock.now_ms() : script_time) + ms;
    }
    void event(const ConsoleEvent& e) { console.push(e, script_time); }
    void key(int ch) { event(key_press(ch)); }
    void move(int x, int y, std::uint32_t held = 0) { event(mouse_report(x, y, held, MOUSE_MOVED)); }
    void press(int x, int y, std::uint32_t held = LEFT_BUTTON) { event(mouse_report(x, y, held)); }
    void release(int x, int y) { event(mouse_report(x, y, 0)); }
    void click(int x, int y) {
        press(x, y);
        release(x, y);
    }
    // Events that reach the game in one arrival, as in one read from a
    // terminal.
    void together(std::vector<ConsoleEvent> events) { console.push_together(std::move(events), script_time); }
    void right_click(int x, int y) {
        press(x, y, RIGHT_BUTTON);
        release(x, y);
    }

    VirtualClock clock;
    TestConsole console;
    long long script_time = TestConsole::WHEN_ASKED;

private:
    Clock* previous_clock;
    ConsoleDevice* previous_device;
    std::ostream* previous_output;
};
