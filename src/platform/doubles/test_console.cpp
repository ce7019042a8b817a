#include "platform/doubles/test_console.h"

void TestConsole::push(const ConsoleEvent& event, long long arrival_ms) { script.push_back({event, arrival_ms}); }

ConsoleEvent TestConsole::read_event() {
    present();
    if (script.empty()) throw ScriptExhausted();
    const Scripted next = script.front();
    script.pop_front();
    if (next.arrival != WHEN_ASKED) clock.wait_until(next.arrival);
    clock.input_waited();
    return next.event;
}

bool TestConsole::key_press_queued() {
    present();
    if (script.empty()) throw ScriptExhausted();
    // An event that waits for the game to ask arrives now.
    if (script.front().arrival == WHEN_ASKED) script.front().arrival = clock.now_ms();
    for (const Scripted& s : script) {
        if (!arrived(s)) break;
        if (is_key_press(s.event)) return true;
    }
    return false;
}

void TestConsole::discard_input() {
    while (!script.empty() && arrived(script.front())) script.pop_front();
}
