#include "platform/terminal/input_queue.h"

#include "platform/arrival.h"
#include "platform/screen_buffer.h"

void InputQueue::arrive(const char* bytes, std::size_t count, Moment now) {
    if (!opened) opened = now;
    decoder.feed(bytes, count, arrival);
    // A report cut off at the end of the read has the rest on its way.
    const bool may_change = arrival_may_change(arrival) || decoder.pending();
    if (!may_change || now >= *opened + ARRIVAL_WINDOW) queue_arrival();
}

void InputQueue::window_passed(Moment now) {
    if (opened && now >= *opened + ARRIVAL_WINDOW) queue_arrival();
}

std::optional<InputQueue::Moment> InputQueue::window_end() const {
    if (!opened) return std::nullopt;
    return *opened + ARRIVAL_WINDOW;
}

void InputQueue::escape_timeout() {
    decoder.flush_pending(arrival);
    queue_arrival();
}

void InputQueue::queue_arrival() {
    opened.reset();
    coalesce_arrival(arrival);
    for (ConsoleEvent event : arrival) {
        if (event.type == MOUSE_EVENT) {
            event.x -= origin_x;
            event.y -= origin_y;
            // The margins around the screen are no part of the game.
            if (event.x < 0 || event.x >= SCREEN_WIDTH || event.y < 0 || event.y >= SCREEN_HEIGHT) continue;
            last_mouse = event;
        }
        if (events.size() < MAX_EVENTS) events.push_back(event);
    }
    arrival.clear();
}

std::vector<ConsoleEvent> InputQueue::drop_events() {
    queue_arrival();
    std::vector<ConsoleEvent> dropped(events.begin(), events.end());
    events.clear();
    return dropped;
}

ConsoleEvent InputQueue::take() {
    const ConsoleEvent event = events.front();
    events.pop_front();
    return event;
}

bool InputQueue::holds_key_press() const {
    for (const ConsoleEvent& event : events)
        if (is_key_press(event)) return true;
    return false;
}
