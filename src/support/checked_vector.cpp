#include "support/checked_vector.h"

#include <cstdlib>

#include "support/game_streams.h"

void vector_index_failure(int k, int length) {
    standard_error() << "Illegal vector index: " << k << " max index = " << length - 1 << '\n'
                     << std::flush;
    std::abort();
}
