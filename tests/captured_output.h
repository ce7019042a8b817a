// Catches what the game writes to its standard output stream for the life
// of the object, then puts the old destination back.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

#include "support/game_streams.h"

class CapturedOutput {
public:
    CapturedOutput() : previous(&standard_output()) { route_standard_output(captured); }
    ~CapturedOutput() { route_standard_output(*previous); }
    std::string text() const { return captured.str(); }

private:
    std::ostringstream captured;
    std::ostream* previous;
};
