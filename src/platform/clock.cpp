#include "platform/clock.h"

#include <ctime>

long long clock_seconds() { return static_cast<long long>(std::time(nullptr)); }
