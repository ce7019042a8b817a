// A private copy of the game's data folder for end-to-end tests that break
// files on purpose, and the check that nothing raw reached the terminal.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "e2e/vterm_terminal.h"
#include "temp_folder.h"

// The copy itself, removed with everything in it.
class DataFolder {
public:
    DataFolder() { std::filesystem::copy(GAME_DATA_DIR, folder, std::filesystem::copy_options::recursive); }

    std::string read(const std::string& name) const {
        std::ifstream in(folder + "/" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    }
    void remove(const std::string& name) { std::remove((folder + "/" + name).c_str()); }
    void replace_with_folder(const std::string& name) {
        remove(name);
        mkdir((folder + "/" + name).c_str(), 0755);
    }

    const TempFolder copy{"dunmar_game_folder"};
    const std::string& folder = copy.path;
};

class GameFolder : public ::testing::Test, public DataFolder {
protected:
    // The game in the copy, under the terminal check, on the silent driver.
    TerminalLaunch launch() {
        TerminalLaunch l;
        l.argv = terminal_check_wrapper({GAME_PATH});
        l.working_directory = folder;
        l.environment = {{"SDL_AUDIODRIVER", "dummy"}};
        return l;
    }
};

// Everything but the game's own sequences, which are CSI with digits,
// semicolons and '?' only (or the start of one that Ctrl+C cut short, ended
// by CAN); what is left must be free of control bytes but the cursor moves
// the game makes itself (CR, LF, BS) and the bell.
inline void expect_no_raw_control_bytes(const std::string& received) {
    static const std::regex OWN_SEQUENCE("\x1b\\[[0-9;?]*[A-Za-z]|(\x1b\\[?[0-9;?]*)?\x18");
    const std::string rest = std::regex_replace(received, OWN_SEQUENCE, "");
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const auto byte = static_cast<unsigned char>(rest[i]);
        if (byte >= 0x20 || byte == '\r' || byte == '\n' || byte == '\b' || byte == '\a') continue;
        ADD_FAILURE() << "raw control byte " << static_cast<int>(byte) << " at " << i << ": "
                      << rest.substr(i > 20 ? i - 20 : 0, 40);
        return;
    }
}

// What the player reads in the shell once the game has ended, one string.
inline std::string message_after(const TerminalCheck& check) {
    std::string said;
    for (const std::string& line : check.message_lines) said += line + "\n";
    return said;
}
