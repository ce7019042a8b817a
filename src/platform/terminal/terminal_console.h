// The console on the player's real terminal: the screen buffer painted
// through the renderer at every observation point, input decoded from the
// terminal's bytes.
#pragma once

#include <chrono>
#include <deque>
#include <string>

#include "platform/console_device.h"
#include "platform/terminal/input_decoder.h"
#include "platform/terminal/renderer.h"

class TerminalConsole : public ConsoleDevice {
public:
    // Takes over the terminal on standard input and output. When either is
    // not a terminal it says so on the standard error stream and ends the
    // program with status 2, before anything else happens.
    static TerminalConsole& open();

    void present() override;
    ConsoleEvent read_event() override;
    bool key_press_queued() override;
    void discard_input() override;

    // What has gone to the terminal so far, for the benchmarks.
    long long bytes_sent() const { return sent_bytes; }
    long long writes() const { return write_calls; }

    // Terminals wait this long after an ESC before deciding it was the
    // Escape key and not the start of a sequence.
    static constexpr auto ESCAPE_TIMEOUT = std::chrono::milliseconds(50);

private:
    TerminalConsole(int in_fd, int out_fd) : in(in_fd), out(out_fd) {}

    void send(const std::string& bytes);
    bool terminal_big_enough();
    void show_size_notice(int columns, int rows);
    void wait_until_big_enough();
    // Reads what the terminal has sent; waits up to timeout_ms (-1: for
    // ever) for the first byte. Returns false when the terminal is gone.
    bool take_input(int timeout_ms);
    void decode(const char* bytes, std::size_t count);

    int in;
    int out;
    ShownScreen shown;
    InputDecoder decoder;
    std::deque<ConsoleEvent> queue;
    std::chrono::steady_clock::time_point last_byte{};
    std::string frame;
    long long sent_bytes = 0;
    long long write_calls = 0;
    bool exiting = false;
};
