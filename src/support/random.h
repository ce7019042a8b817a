// The game's random numbers: one shared generator of the classic linear
// congruential kind (state * 214013 + 2531011, bits 16-30 drawn), state 1 at
// start, re-seeded from the clock's whole seconds right before most draws.
#pragma once

#include <cstdint>

constexpr int RANDOM_MAX = 32767;

// srand: replaces the generator's state with the seed.
void seed_random(std::uint32_t seed);

// srand with the clock's current whole seconds, truncated to 32 bits.
void reseed_random_from_clock();

// rand: advances the state one step and returns 0 to RANDOM_MAX.
int next_random();

// The reduction random_between applies to a raw value: min + value modulo
// the size of the closed range. Lower values win slightly whenever 32768 is
// not a multiple of that size.
int reduce_to_range(int value, int min, int max);

// An integer from min to max, both included, from one draw. With min greater
// than max it writes the two error texts to standard output, returns -1 and
// leaves the generator as it was.
int random_between(int min, int max);
