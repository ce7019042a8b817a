// The game's clock: its pauses (Sleep) and the calendar time in whole
// seconds (time), with the wall clock for play and a virtual clock for tests.
#pragma once

#include <chrono>
#include <stdexcept>
#include <vector>

class Clock {
public:
    virtual ~Clock() = default;
    virtual void pause(int ms) = 0;
    virtual long long seconds() = 0;
    // The game has waited for the player, who may have taken any time.
    virtual void input_waited() {}
};

// Pauses to deadlines: a run of short pauses takes its nominal time in
// total, the drawing between them included. The chain of deadlines starts
// afresh after a wait for input or after a pause that overran, so a pause
// never shrinks to make up for time the player spent or the system lost.
class WallClock : public Clock {
public:
    void pause(int ms) override;
    long long seconds() override;
    void input_waited() override { chained = false; }

private:
    std::chrono::steady_clock::time_point deadline{};
    bool chained = false;
};

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

void install_clock(Clock& clock);
Clock& installed_clock();

// The installed clock's calendar time in whole seconds.
long long clock_seconds();
