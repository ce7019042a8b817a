#include "platform/clock.h"

#include <ctime>
#include <thread>

namespace {

WallClock default_clock;
Clock* current_clock = &default_clock;
PauseWaiter* pause_waiter = nullptr;

// Drawing between two chained pauses is absorbed up to this much; a pause
// that wakes later than its deadline by more breaks the chain.
constexpr auto CHAIN_SLACK = std::chrono::milliseconds(20);

}  // namespace

void WallClock::chain(int ms) {
    const auto now = std::chrono::steady_clock::now();
    if (!chained || now > deadline + CHAIN_SLACK) deadline = now;
    deadline += std::chrono::milliseconds(ms > 0 ? ms : 0);
}

void WallClock::wait_for_deadline() {
    if (pause_waiter) {
        pause_waiter->wait_until(deadline);
    } else {
        std::this_thread::sleep_until(deadline);
    }
    owing = false;
    late_by = std::chrono::steady_clock::now() - deadline;
    chained = late_by <= CHAIN_SLACK;
}

void WallClock::pause(int ms) {
    chain(ms);
    wait_for_deadline();
}

// The game runs ahead of its deadline through an owed pause; it is still
// chained, however little time the drawing took.
void WallClock::owe(int ms) {
    chain(ms);
    chained = true;
    owing = true;
}

void WallClock::settle() {
    if (owing) wait_for_deadline();
}

bool WallClock::behind_by(int ms) { return late_by > std::chrono::milliseconds(ms); }

long long WallClock::seconds() {
    settle();
    return static_cast<long long>(std::time(nullptr));
}

void install_pause_waiter(PauseWaiter* waiter) { pause_waiter = waiter; }

void install_clock(Clock& clock) { current_clock = &clock; }
Clock& installed_clock() { return *current_clock; }

long long clock_seconds() { return current_clock->seconds(); }
