// The clock for tests: time that passes only when the game pauses or waits
// for scripted input, every pause recorded.
#pragma once

#include <stdexcept>
#include <vector>

#include "platform/clock.h"

// Time that passes only when the game pauses or waits for scripted input.
// Every pause is recorded.
class VirtualClock : public Clock {
public:
    explicit VirtualClock(long long start_seconds = 1700000000) : start(start_seconds) {}

    void pause(int ms) override;
    long long seconds() override { return start + now / 1000; }

    // Milliseconds since the clock started.
    long long now_ms() const { return now; }
    // The game waits for input that arrives at the given time.
    void wait_until(long long ms);
    const std::vector<int>& pauses() const { return recorded; }
    void clear_pauses() { recorded.clear(); }

    // Virtual time past this much means a loop that never asks for input.
    static constexpr long long RUNAWAY_MS = 30LL * 24 * 3600 * 1000;

private:
    long long start;
    long long now = 0;
    std::vector<int> recorded;
};

// Thrown when virtual time runs past VirtualClock::RUNAWAY_MS.
struct RunawayClock : std::runtime_error {
    RunawayClock() : std::runtime_error("virtual clock ran away: a loop never asks for input") {}
};
