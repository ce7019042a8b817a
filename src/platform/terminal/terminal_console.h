// The console on the player's real terminal: the screen buffer painted
// through the renderer at every observation point, input decoded from the
// terminal's bytes as they come, during pauses too, and gathered into
// arrivals (platform/arrival.h).
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/terminal/input_queue.h"
#include "platform/terminal/renderer.h"

class TerminalConsole : public ConsoleDevice, public PauseWaiter {
public:
    // Takes over the terminal on standard input and output. When either is
    // not a terminal it says so on the standard error stream and ends the
    // program with status 2, before anything else happens. The wall clock's
    // pauses wait on it from then on.
    static TerminalConsole& open();

    void present() override;
    ConsoleEvent read_event() override;
    bool key_press_queued() override;

    // A pause: reads whatever the player sends until the deadline, so that
    // what arrives during it is told apart from what arrives after it.
    void wait_until(std::chrono::steady_clock::time_point deadline) override;

    // What has gone to the terminal so far, for the benchmarks.
    long long bytes_sent() const { return sent_bytes; }
    long long writes() const { return write_calls; }

    // Terminals wait this long after an ESC before deciding it was the
    // Escape key and not the start of a sequence.
    static constexpr auto ESCAPE_TIMEOUT = std::chrono::milliseconds(50);

protected:
    void drop_queued_input(std::vector<ConsoleEvent>& dropped) override;

private:
    TerminalConsole(int in_fd, int out_fd, ColourMode colours) : in(in_fd), out(out_fd), colours(colours) {}

    void send(const std::string& bytes);
    bool terminal_big_enough();
    void show_size_notice(int columns, int rows);
    void wait_until_big_enough();
    // Waits for the terminal until the deadline (none: for ever) and takes
    // what it finds: an open arrival is waited on until its window ends;
    // a resize repaints; a lone ESC left waiting past the escape timeout is
    // the Escape key.
    void take_input(std::optional<std::chrono::steady_clock::time_point> deadline);
    void follow_the_mouse();

    int in;
    int out;
    ColourMode colours;
    ShownScreen shown;
    InputQueue queue;
    bool input_gone = false;  // the terminal hung up: nobody is left to play
    std::chrono::steady_clock::time_point last_byte{};
    std::string frame;
    long long sent_bytes = 0;
    long long write_calls = 0;
    bool exiting = false;
};
