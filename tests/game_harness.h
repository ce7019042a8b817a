// The harness for the game's own screens: the screen-test console and clock,
// recording sound stand-ins, the tables filled as at start-up, and a fresh
// working folder of the test's own for the data files.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "audio/music_player.h"
#include "console_harness.h"
#include "map/walking.h"
#include "platform/doubles/test_sound.h"
#include "state/tables.h"
#include "temp_folder.h"
#include "support/random.h"

class GameTest : public ConsoleTest {
protected:
    GameTest() : effects(clock), previous_library(&installed_sound_library()), previous_effects(&installed_effect_player()) {
        install_sound_library(sound);
        install_effect_player(effects);
        music.song = nullptr;  // a song of an earlier test's library
        previous_folder = getcwd(nullptr, 0);
        if (chdir(folder.c_str()) != 0) std::abort();
        init_tables();
        player_x = 4;
        player_y = 2;
        map_index = 0;
        walking = false;
        current_monster = 2;
        for (int i = 0; i < MAP_CELLS; ++i) {
            map_grid[i] = true;
            map_chars[i] = 0;
        }
    }

    ~GameTest() override {
        if (chdir(previous_folder) != 0) std::abort();
        std::free(previous_folder);
        music.song = nullptr;
        install_sound_library(*previous_library);
        install_effect_player(*previous_effects);
    }

    // Writes a data file into the test's working folder.
    void data_file(const std::string& name, const std::string& bytes) {
        const auto slash = name.rfind('/');
        if (slash != std::string::npos) {
            EXPECT_EQ(std::system(("mkdir -p '" + name.substr(0, slash) + "'").c_str()), 0);
        }
        std::ofstream(name, std::ios::binary) << bytes;
    }

    // A map of 21 lines of the given line, each 55 codes.
    static std::string map_of(const std::string& line) {
        std::string map;
        for (int row = 0; row < 21; ++row) map += line + (row < 20 ? "\n" : "");
        return map;
    }

    // The first second at or after `from` whose encounter roll gives (or,
    // with meets false, does not give) a monster.
    static long long encounter_second(long long from, bool meets = true) {
        for (long long t = from;; ++t) {
            seed_random(static_cast<std::uint32_t>(t));
            if ((random_between(5, 15) == 5) == meets) return t;
        }
    }

    TestSoundLibrary sound;
    RecordingEffectPlayer effects;
    const TempFolder working{"game_test"};
    const std::string& folder = working.path;

private:
    SoundLibrary* previous_library;
    EffectPlayer* previous_effects;
    char* previous_folder;
};
