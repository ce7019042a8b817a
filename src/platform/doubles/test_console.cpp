#include "platform/doubles/test_console.h"

#include "platform/arrival.h"

void TestConsole::push(const ConsoleEvent& event, long long arrival_ms) { script.push_back({event, arrival_ms}); }

void TestConsole::push_together(std::vector<ConsoleEvent> events, long long arrival_ms) {
    coalesce_arrival(events);
    ++arrivals_together;
    for (const ConsoleEvent& event : events) script.push_back({event, arrival_ms, arrivals_together});
}

void TestConsole::arrive_if_asked() {
    if (script.empty() || script.front().arrival != WHEN_ASKED) return;
    const int together = script.front().together;
    script.front().arrival = clock.now_ms();
    for (std::size_t i = 1; i < script.size() && together != 0 && script[i].together == together; ++i)
        script[i].arrival = clock.now_ms();
}

ConsoleEvent TestConsole::read_event() {
    present();
    if (script.empty()) throw ScriptExhausted();
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
    arrive_if_asked();
    for (const Scripted& s : script) {
        if (!arrived(s)) break;
        if (is_key_press(s.event)) return true;
    }
    return false;
}

void TestConsole::drop_queued_input() {
    while (!script.empty() && arrived(script.front())) script.pop_front();
}
