// The game's clock: the calendar time in whole seconds, as the random
// generator's seed is taken from it.
#pragma once

long long clock_seconds();
