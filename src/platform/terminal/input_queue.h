// The terminal's input on its way to the game: bytes decoded as they come
// and gathered into arrivals, whose events join the queue together under
// the arrival rule (platform/arrival.h). Pure: no terminal, no clock; the
// caller says when each read happened.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include "platform/console_event.h"
#include "platform/terminal/input_decoder.h"

class InputQueue {
public:
    using Moment = std::chrono::steady_clock::time_point;

    // The bytes of one read from the terminal, made at the given moment.
    // They open an arrival or join the one still open; the arrival is
    // queued as soon as nothing that follows could change it, or when
    // this read came at or after its window's end.
    void arrive(const char* bytes, std::size_t count, Moment now);

    // The terminal had nothing more: an arrival whose window has passed
    // by now is queued as it stands.
    void window_passed(Moment now);

    // When the open arrival's window ends, if one is open.
    std::optional<Moment> window_end() const;

    // The terminal's escape timeout passed with an unfinished sequence
    // kept: it was typed by hand, and what it decodes to arrives now.
    void escape_timeout();

    // Bytes of an unfinished sequence are kept, waiting for the rest.
    bool pending() const { return decoder.pending(); }

    bool empty() const { return events.empty(); }
    std::size_t size() const { return events.size(); }
    // The oldest event; the queue must not be empty.
    ConsoleEvent take();
    bool holds_key_press() const;

    // Where the screen's top-left cell sits on the terminal: mouse reports
    // are moved into the screen's cells, and those outside it are dropped.
    void set_origin(int x, int y) {
        origin_x = x;
        origin_y = y;
    }

    // The last mouse report that arrived since the last call, if any, in
    // the screen's cells (kept even when the queue was full).
    std::optional<ConsoleEvent> take_mouse_report() {
        std::optional<ConsoleEvent> report = last_mouse;
        last_mouse.reset();
        return report;
    }

    // Throws every event away, those of the open arrival too, and returns
    // them in order. An unfinished sequence is kept, so that the rest of a
    // report cut in two is not mistaken for keys.
    std::vector<ConsoleEvent> drop_events();

    // Events past this many are dropped as they arrive: a paste of
    // megabytes while the game pauses must not fill the memory, and no
    // player means thousands of clicks ahead.
    static constexpr std::size_t MAX_EVENTS = 4096;

private:
    void queue_arrival();

    InputDecoder decoder;
    std::deque<ConsoleEvent> events;
    std::vector<ConsoleEvent> arrival;
    std::optional<Moment> opened;  // the first bytes of the open arrival
    std::optional<ConsoleEvent> last_mouse;
    int origin_x = 0;
    int origin_y = 0;
};
