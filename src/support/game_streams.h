// Where the game's text for "the standard output stream" and "the standard
// error stream" goes. The game never names std::cout or std::cerr itself:
// on the console that text appears at the cursor, and the terminal layer
// decides how error text stays readable once the game has left the screen.
#pragma once

#include <ostream>

std::ostream& standard_output();
std::ostream& standard_error();

// Sends the game's standard output or error text to another stream from now
// on (the console, or a test's capture). The stream must outlive its use.
void route_standard_output(std::ostream& to);
void route_standard_error(std::ostream& to);
