#include "support/game_streams.h"

#include <iostream>

namespace {

std::ostream* output_stream = &std::cout;
std::ostream* error_stream = &std::cerr;

}  // namespace

std::ostream& standard_output() { return *output_stream; }
std::ostream& standard_error() { return *error_stream; }

void route_standard_output(std::ostream& to) { output_stream = &to; }
void route_standard_error(std::ostream& to) { error_stream = &to; }
