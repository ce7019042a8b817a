#include "platform/doubles/virtual_clock.h"

void VirtualClock::pause(int ms) {
    recorded.push_back(ms);
    if (ms > 0) now += ms;
    if (now > RUNAWAY_MS) throw RunawayClock();
}

void VirtualClock::wait_until(long long ms) {
    if (ms > now) now = ms;
}
