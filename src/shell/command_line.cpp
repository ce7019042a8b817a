#include "shell/command_line.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* USAGE =
    "Usage: dunmar [OPTION]...\n"
    "A role-playing game for the terminal, played with the mouse or the keyboard.\n"
    "\n"
    "  --data DIR            read the game's map, pictures, texts and sounds from DIR\n"
    "  --no-music            play without the background music\n"
    "  --no-effects          play without the sound effects\n"
    "  --music-volume N      the music at N percent (0 to 100, 100 by default)\n"
    "  --effects-volume N    the sound effects at N percent (0 to 100)\n"
    "  -h, --help            show this help and leave\n"
    "  -V, --version         show the version and leave\n"
    "\n"
    "The game needs a terminal of at least 80 x 25. Ctrl+C quits at any moment.\n";

CommandLine refused(std::ostream& err, const std::string& why) {
    err << "dunmar: " << why << "\nTry 'dunmar --help'.\n";
    return {false, 2, {}};
}

// A percentage from 0 to 100, digits only.
bool read_percent(std::string_view text, int& percent) {
    if (text.empty() || text.size() > 3) return false;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > 100) return false;
    percent = value;
    return true;
}

}  // namespace

CommandLine read_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CommandLine line{true, 0, {}};
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        bool has_value = false;
        // --name=value as well as --name value.
        if (arg.rfind("--", 0) == 0) {
            if (const std::size_t equals = arg.find('='); equals != std::string_view::npos) {
                value = arg.substr(equals + 1);
                arg = arg.substr(0, equals);
                has_value = true;
            }
        }
        const bool takes_value = arg == "--data" || arg == "--music-volume" || arg == "--effects-volume";
        if (takes_value && !has_value) {
            if (i + 1 >= argc) return refused(err, "option '" + std::string(arg) + "' requires an argument");
            value = argv[++i];
        } else if (!takes_value && has_value) {
            return refused(err, "option '" + std::string(arg) + "' doesn't allow an argument");
        }

        if (arg == "-h" || arg == "--help") {
            out << USAGE;
            return {false, 0, {}};
        }
        if (arg == "-V" || arg == "--version") {
            out << "dunmar " GAME_VERSION "\n";
            return {false, 0, {}};
        }
        if (arg == "--data") {
            if (value.empty()) return refused(err, "option '--data' needs a folder");
            line.options.data_folder = std::string(value);
        } else if (arg == "--no-music") {
            line.options.music_volume = 0;
        } else if (arg == "--no-effects") {
            line.options.effects_volume = 0;
        } else if (arg == "--music-volume" || arg == "--effects-volume") {
            int& volume = arg == "--music-volume" ? line.options.music_volume : line.options.effects_volume;
            if (!read_percent(value, volume))
                return refused(err, "option '" + std::string(arg) + "' takes a number from 0 to 100, not '" +
                                        std::string(value) + "'");
        } else if (arg.rfind("--", 0) == 0) {
            return refused(err, "unrecognized option '" + std::string(arg) + "'");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return refused(err, "invalid option -- '" + std::string(arg.substr(1, 1)) + "'");
        } else {
            return refused(err, "unexpected argument '" + std::string(arg) + "'");
        }
    }
    return line;
}

bool enter_data_folder(const std::string& folder, std::ostream& err) {
    if (folder.empty()) return true;
    // Opened and listed, not only entered: a folder that can be entered
    // but not read would show a blank intro later.
    DIR* listing = opendir(folder.c_str());
    if (listing) closedir(listing);
    if (!listing || chdir(folder.c_str()) != 0) {
        err << "dunmar: cannot use the data folder '" << folder << "': " << std::strerror(errno) << "\n";
        return false;
    }
    return true;
}
