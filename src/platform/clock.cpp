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

void WallClock::pause(int ms) {
    const auto now = std::chrono::steady_clock::now();
    if (!chained || now > deadline + CHAIN_SLACK) deadline = now;
    deadline += std::chrono::milliseconds(ms > 0 ? ms : 0);
    if (pause_waiter) {
        pause_waiter->wait_until(deadline);
    } else {
        std::this_thread::sleep_until(deadline);
    }
    chained = std::chrono::steady_clock::now() <= deadline + CHAIN_SLACK;
}

long long WallClock::seconds() { return static_cast<long long>(std::time(nullptr)); }

void install_pause_waiter(PauseWaiter* waiter) { pause_waiter = waiter; }

void install_clock(Clock& clock) { current_clock = &clock; }
Clock& installed_clock() { return *current_clock; }

long long clock_seconds() { return current_clock->seconds(); }
