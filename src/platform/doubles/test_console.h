// The in-memory console for tests: the screen buffer and a script of input
// events, each arriving at a virtual time or whenever the game next asks.
// When the script runs dry a read throws ScriptExhausted, which ends an
// endless game loop cleanly.
#pragma once

#include <deque>
#include <stdexcept>
#include <vector>

#include "platform/doubles/virtual_clock.h"
#include "platform/console_device.h"

struct ScriptExhausted : std::runtime_error {
    ScriptExhausted() : std::runtime_error("the input script ran dry") {}
};

class TestConsole : public ConsoleDevice {
public:
    // An event that arrives when the game next reads or polls its input,
    // however late that is: the player acts when the game waits for him.
    static constexpr long long WHEN_ASKED = -1;

    explicit TestConsole(VirtualClock& clock) : clock(clock) {}

    // Queues an event arriving at the virtual time (ms since the clock
    // started), or WHEN_ASKED. Timed events arrive in the order queued,
    // gathered as the terminal gathers them: those that follow a bare
    // motion within the arrival window join its arrival (a motion and a
    // press 1 ms apart are the press).
    void push(const ConsoleEvent& event, long long arrival_ms = WHEN_ASKED);
    // Queues events that reach the game together, in one arrival, as a
    // terminal delivers several reports in one read: they are queued as
    // the arrival rule leaves them (a motion followed by a press is the
    // press). Events pushed one by one are arrivals of their own.
    void push_together(std::vector<ConsoleEvent> events, long long arrival_ms = WHEN_ASKED);

    std::size_t events_left() const { return script.size(); }
    int presents() const { return present_count; }

    void present() override { ++present_count; }
    ConsoleEvent read_event() override;
    bool key_press_queued() override;

protected:
    void drop_queued_input(std::vector<ConsoleEvent>& dropped) override;

private:
    struct Scripted {
        ConsoleEvent event;
        long long arrival;
        int together = 0;  // the events of one arrival share a number; 0: not gathered yet
    };

    // An arrival that waits for the game to ask comes now, all of it.
    void arrive_if_asked();
    // Gathers the timed events not yet gathered into their arrivals, each
    // due when its window closes.
    void gather_arrivals();
    bool arrived(const Scripted& s) const { return s.arrival != WHEN_ASKED && s.arrival <= clock.now_ms(); }

    VirtualClock& clock;
    std::deque<Scripted> script;
    int present_count = 0;
    int arrivals_together = 0;
    bool ungathered = false;  // timed events were pushed since the last gathering
};
