// The game's clock: its pauses (Sleep) and the calendar time in whole
// seconds (time), with the wall clock for play (tests install a virtual one).
#pragma once

#include <chrono>

class Clock {
public:
    virtual ~Clock() = default;
    virtual void pause(int ms) = 0;
    virtual long long seconds() = 0;
    // The game has waited for the player, who may have taken any time.
    virtual void input_waited() {}
    // A pause the player is not shown (a pause between two frames): its
    // time is owed rather than waited, and settled, waited out to the end,
    // before the game next shows the screen, looks at the player's input
    // or reads the time. Nothing can tell the two apart but the clock's
    // wake-ups. Where time is virtual it just passes.
    virtual void owe(int ms) { pause(ms); }
    virtual void settle() {}
    // Whether the last pause waited ended more than ms after its deadline:
    // the machine gave the game no core in time. Virtual time never is.
    virtual bool behind_by(int) { return false; }
};

// Pauses to deadlines: a run of short pauses takes its nominal time in
// total, the drawing between them included, and the pauses owed within it
// are waited out with the next one waited. The chain of deadlines starts
// afresh after a wait for input or after a pause that overran, so a pause
// never shrinks to make up for time the player spent or the system lost.
class WallClock : public Clock {
public:
    void pause(int ms) override;
    long long seconds() override;
    void input_waited() override { chained = false; }
    void owe(int ms) override;
    void settle() override;
    bool behind_by(int ms) override;

private:
    // Extends the chain of deadlines by the pause.
    void chain(int ms);
    void wait_for_deadline();

    std::chrono::steady_clock::time_point deadline{};
    bool chained = false;
    bool owing = false;
    std::chrono::steady_clock::duration late_by{};
};

// What the wall clock's pauses wait on until their deadline. Without one a
// pause just sleeps; the terminal installs itself, so the player's input is
// read as it comes, also while the game pauses.
class PauseWaiter {
public:
    virtual ~PauseWaiter() = default;
    virtual void wait_until(std::chrono::steady_clock::time_point deadline) = 0;
};

// Null puts plain sleeping back.
void install_pause_waiter(PauseWaiter* waiter);

void install_clock(Clock& clock);
Clock& installed_clock();

// The installed clock's calendar time in whole seconds.
long long clock_seconds();
