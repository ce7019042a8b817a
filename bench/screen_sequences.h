// The screen updates the terminal benchmarks and the renderer's replay test
// share: each a list of frames, the screen as the player sees it at every
// observation point, frame 0 the screen already shown before it starts.
#pragma once

#include <string>
#include <vector>

#include "platform/screen_buffer.h"

struct ScreenSequence {
    std::string name;
    std::vector<ScreenBuffer> frames;
    int steps = 0;  // walking steps in it, for a figure per step; 0: none
};

// Typical screen updates drawn directly, then the world map drawn and walked
// by the game's own code on the test console.
std::vector<ScreenSequence> screen_sequences();
