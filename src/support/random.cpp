#include "support/random.h"

#include "platform/clock.h"
#include "support/game_streams.h"

namespace {

std::uint32_t random_state = 1;

}  // namespace

void seed_random(std::uint32_t seed) { random_state = seed; }

void reseed_random_from_clock() { seed_random(static_cast<std::uint32_t>(clock_seconds())); }

int next_random() {
    random_state = random_state * 214013u + 2531011u;
    return static_cast<int>((random_state >> 16) & 0x7fff);
}

int reduce_to_range(int value, int min, int max) {
    // In 64 bits, so that even the widest range of ints cannot overflow.
    const long long size = static_cast<long long>(max) - min + 1;
    return static_cast<int>(min + value % size);
}

int random_between(int min, int max) {
    if (min > max) {
        standard_output() << "\aERROR: Minimum value larger then maximum value!\n"
                          << "ERROR: Returning -1.";
        return -1;
    }
    return reduce_to_range(next_random(), min, max);
}
