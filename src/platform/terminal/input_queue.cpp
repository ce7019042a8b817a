#include "platform/terminal/input_queue.h"

#include "platform/arrival.h"

void InputQueue::arrive(const char* bytes, std::size_t count) {
    decoder.feed(bytes, count, arrival);
    queue_arrival();
}

void InputQueue::escape_timeout() {
    decoder.flush_pending(arrival);
    queue_arrival();
}

void InputQueue::queue_arrival() {
    coalesce_arrival(arrival);
    for (const ConsoleEvent& event : arrival) {
        if (events.size() >= MAX_EVENTS) break;
        events.push_back(event);
    }
    arrival.clear();
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
