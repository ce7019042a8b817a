// The options the game takes, read before the terminal is touched, the way
// Linux programs take them: -h and -V leave at once, anything unknown is
// refused with a hint, and what remains says how to play.
#pragma once

#include <ostream>
#include <string>

struct GameOptions {
    std::string data_folder;  // empty: the working folder
    int music_volume = 100;   // percent; 0 is no music at all
    int effects_volume = 100;
};

struct CommandLine {
    bool play = false;    // false: leave with exit_status, everything said
    int exit_status = 0;  // 0 for help and version, 2 for a mistake
    GameOptions options;
};

// Reads argv (argv[0] is the program). Help and version go to out, mistakes
// to err, each line by line as a player reads them.
CommandLine read_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// Moves into the data folder, if one was given. False, with the folder and
// the reason said on err, when it cannot be used.
bool enter_data_folder(const std::string& folder, std::ostream& err);
