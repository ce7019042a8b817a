#include "audio/music_player.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/doubles/test_sound.h"
#include "support/game_streams.h"

namespace {

using Calls = std::vector<std::string>;

class MusicPlayerTest : public ::testing::Test {
protected:
    MusicPlayerTest()
        : previous_library(&installed_sound_library()),
          previous_output(&standard_output()),
          previous_error(&standard_error()) {
        install_sound_library(library);
        route_standard_output(output);
        route_standard_error(error);
    }
    ~MusicPlayerTest() override {
        install_sound_library(*previous_library);
        route_standard_output(*previous_output);
        route_standard_error(*previous_error);
    }

    TestSoundLibrary library;
    std::ostringstream output;
    std::ostringstream error;

private:
    SoundLibrary* previous_library;
    std::ostream* previous_output;
    std::ostream* previous_error;
};

TEST_F(MusicPlayerTest, StartsEmpty) {
    MusicPlayer player;
    EXPECT_EQ(player.song, nullptr);
    EXPECT_EQ(player.file_name[0], '\0');
    EXPECT_EQ(music.song, nullptr);
}

TEST_F(MusicPlayerTest, LoadTestsTheVersionStartsTheSystemAndLoads) {
    MusicPlayer player;
    ASSERT_TRUE(player.load("music/midi/chrono.mid"));
    player.play();
    EXPECT_EQ(library.calls, (Calls{"version", "init 44100 32 2", "free 0", "load music/midi/chrono.mid", "play 1"}));
    EXPECT_STREQ(player.file_name, "music/midi/chrono.mid");
    EXPECT_TRUE(output.str().empty());
}

TEST_F(MusicPlayerTest, VersionThreeThirtyThreePassesAndThreeThirtyTwoFails) {
    library.version_answer = 3.33f;
    MusicPlayer player;
    EXPECT_TRUE(player.load("music/midi/eva[1].mid"));

    library.version_answer = 3.32f;
    library.calls.clear();
    EXPECT_FALSE(player.load("music/midi/soul[1].mid"));
    EXPECT_EQ(library.calls, Calls{"version"}) << "nothing is started";
    const std::string line = "Error : You are using the wrong DLL version!  You should be using FMOD 3.33\n";
    EXPECT_EQ(output.str(), line);
    EXPECT_EQ(error.str(), line) << "readable after the game has left the screen";
}

TEST_F(MusicPlayerTest, ASystemThatWillNotStartReportsItsError) {
    library.init_answer = false;
    library.error_answer = FMOD_ERR_INIT;
    MusicPlayer player;
    EXPECT_FALSE(player.load("music/midi/main_theme.mid"));
    EXPECT_EQ(library.calls, (Calls{"version", "init 44100 32 2", "error"}));
    EXPECT_EQ(output.str(), "Error initializing output device.\n");
}

TEST_F(MusicPlayerTest, AFailedLoadSaysWhyAndLeavesNoSong) {
    MusicPlayer player;
    ASSERT_TRUE(player.load("music/midi/chrono.mid"));
    library.load_answer = false;
    library.error_answer = FMOD_ERR_FILE_NOTFOUND;
    EXPECT_FALSE(player.load("music/midi/Battle.mid"));
    EXPECT_EQ(player.song, nullptr);
    EXPECT_STREQ(player.file_name, "music/midi/chrono.mid") << "only a successful load names the file";
    EXPECT_EQ(output.str(), "File not found\n");
    EXPECT_EQ(library.songs_alive(), 0) << "the song it replaced was released";
}

TEST_F(MusicPlayerTest, EveryLoadReleasesTheSongItReplaces) {
    MusicPlayer player;
    for (int pass = 0; pass < 100; ++pass) {
        ASSERT_TRUE(player.load("music/midi/melodies[1].mid"));
        player.play();
        EXPECT_EQ(library.songs_alive(), 1);
    }
}

TEST_F(MusicPlayerTest, LoadAfterAnEscapedBattleNeedsNoClose) {
    MusicPlayer player;
    ASSERT_TRUE(player.load("music/midi/Battle.mid"));
    player.play();
    library.calls.clear();
    // Escaped: the battle song still plays when the next field song loads.
    EXPECT_TRUE(player.load("music/midi/arrest[1].mid"));
    player.play();
    EXPECT_EQ(library.calls, (Calls{"version", "init 44100 32 2", "free 1", "load music/midi/arrest[1].mid", "play 2"}));
}

TEST_F(MusicPlayerTest, ALongFileNameIsCutToFit) {
    MusicPlayer player;
    const std::string long_name = "music/midi/" + std::string(500, 'x') + ".mid";
    ASSERT_TRUE(player.load(long_name.c_str()));
    EXPECT_EQ(std::string(player.file_name), long_name.substr(0, sizeof player.file_name - 1));
}

TEST_F(MusicPlayerTest, DestructionFreesTheSongThenCloses) {
    {
        MusicPlayer player;
        ASSERT_TRUE(player.load("music/midi/not_alone[1].mid"));
        player.close();  // a lost battle closes before the exit
        library.calls.clear();
    }
    EXPECT_EQ(library.calls, (Calls{"free 1", "close"}));
    EXPECT_EQ(library.songs_alive(), 0);
}

TEST(FmodErrorText, EveryCodeHasItsTextAndOthersAreUnknown) {
    EXPECT_STREQ(fmod_error_text(0), "No errors");
    EXPECT_STREQ(fmod_error_text(1), "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.");
    EXPECT_STREQ(fmod_error_text(6),
                 "Soundcard does not support the features needed for this soundsystem (16bit stereo output)");
    EXPECT_STREQ(fmod_error_text(9), "File not found");
    EXPECT_STREQ(fmod_error_text(10), "Unknown file format");
    EXPECT_STREQ(fmod_error_text(11), "Error loading file");
    EXPECT_STREQ(fmod_error_text(12), "Not enough memory ");
    EXPECT_STREQ(fmod_error_text(16),
                 "Tried to use an advanced EAX2 command on a non EAX2 enabled channel or output.");
    EXPECT_STREQ(fmod_error_text(19), "Required Mediaplayer codec is not installed");
    EXPECT_STREQ(fmod_error_text(20), "Unknown error");
    EXPECT_STREQ(fmod_error_text(-1), "Unknown error");
    for (int code = 0; code < 20; ++code) EXPECT_STRNE(fmod_error_text(code), "Unknown error") << code;
}

}  // namespace
