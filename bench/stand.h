// The stand-ins a benchmark plays the game on: a virtual clock, the test
// console and an effect recorder, installed as the game's own. Benchmarks
// renew them every so often, so virtual time stays far from the clock's
// runaway limit and the recordings stay small.
#pragma once

#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/doubles/test_console.h"
#include "platform/doubles/test_sound.h"

struct Stand {
    explicit Stand(long long start_second) : clock(start_second), console(clock), effects(clock) {
        install_clock(clock);
        install_console_device(console);
        install_effect_player(effects);
    }
    VirtualClock clock;
    TestConsole console;
    RecordingEffectPlayer effects;
};
