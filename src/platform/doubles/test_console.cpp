#include "platform/doubles/test_console.h"

#include "platform/arrival.h"

#include <vector>

void TestConsole::push(const ConsoleEvent& event, long long arrival_ms) {
    script.push_back({event, arrival_ms});
    if (arrival_ms != WHEN_ASKED) ungathered = true;
}

void TestConsole::push_together(std::vector<ConsoleEvent> events, long long arrival_ms) {
    coalesce_arrival(events);
    ++arrivals_together;
    for (const ConsoleEvent& event : events) script.push_back({event, arrival_ms, arrivals_together});
}

void TestConsole::arrive_if_asked() {
    if (script.empty() || script.front().arrival != WHEN_ASKED) return;
    if (script.front().together == 0) script.front().together = ++arrivals_together;
    const int together = script.front().together;
    script.front().arrival = clock.now_ms();
    for (std::size_t i = 1; i < script.size() && script[i].together == together; ++i)
        script[i].arrival = clock.now_ms();
}

void TestConsole::gather_arrivals() {
    if (!ungathered) return;
    ungathered = false;
    const long long window_ms = ARRIVAL_WINDOW.count();
    const auto gathered = [](const Scripted& s) { return s.together != 0 || s.arrival == WHEN_ASKED; };
    std::deque<Scripted> regathered;
    for (std::size_t i = 0; i < script.size();) {
        if (gathered(script[i])) {
            regathered.push_back(script[i++]);
            continue;
        }
        const long long opened = script[i].arrival;
        std::vector<ConsoleEvent> events;
        long long last = opened;
        for (; i < script.size() && !gathered(script[i]) && (events.empty() || arrival_may_change(events)) &&
               script[i].arrival < opened + window_ms;
             ++i) {
            events.push_back(script[i].event);
            last = script[i].arrival;
        }
        const long long due = arrival_may_change(events) ? opened + window_ms : last;
        coalesce_arrival(events);
        ++arrivals_together;
        for (const ConsoleEvent& event : events) regathered.push_back({event, due, arrivals_together});
    }
    script.swap(regathered);
}

ConsoleEvent TestConsole::read_event() {
    present();
    if (script.empty()) throw ScriptExhausted();
    gather_arrivals();
    arrive_if_asked();
    const Scripted next = script.front();
    script.pop_front();
    clock.wait_until(next.arrival);
    clock.input_waited();
    return next.event;
}

bool TestConsole::key_press_queued() {
    present();
    if (script.empty()) throw ScriptExhausted();
    gather_arrivals();
    arrive_if_asked();
    for (const Scripted& s : script) {
        if (!arrived(s)) break;
        if (is_key_press(s.event)) return true;
    }
    return false;
}

void TestConsole::drop_queued_input(std::vector<ConsoleEvent>& dropped) {
    gather_arrivals();
    while (!script.empty() && arrived(script.front())) {
        dropped.push_back(script.front().event);
        script.pop_front();
    }
}
