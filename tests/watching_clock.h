// A clock for screen tests that need to see what the player saw during a
// pause: it calls the test's watcher at every pause, then passes the pause
// on to the virtual clock.
#pragma once

#include <functional>
#include <utility>

#include "platform/doubles/virtual_clock.h"

class WatchingClock : public Clock {
public:
    WatchingClock(VirtualClock& inner, std::function<void()> watch) : inner(inner), watch(std::move(watch)) {}
    void pause(int ms) override {
        watch();
        inner.pause(ms);
    }
    long long seconds() override { return inner.seconds(); }
    void input_waited() override { inner.input_waited(); }

private:
    VirtualClock& inner;
    std::function<void()> watch;
};
