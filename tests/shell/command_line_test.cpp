// The options as the game reads them: what a player may ask, and every way
// of asking wrongly refused with a hint.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Read {
    CommandLine line;
    std::string out;
    std::string err;
};

Read read(std::vector<const char*> args) {
    args.insert(args.begin(), "dunmar-game");
    std::ostringstream out, err;
    Read r{read_command_line(static_cast<int>(args.size()), args.data(), out, err), "", ""};
    r.out = out.str();
    r.err = err.str();
    return r;
}

TEST(CommandLine, TheOptionsSetTheFolderAndTheSoundLevels) {
    const Read plain = read({});
    EXPECT_TRUE(plain.line.play);
    EXPECT_EQ(plain.line.options.data_folder, "");
    EXPECT_EQ(plain.line.options.music_volume, 100);
    EXPECT_EQ(plain.line.options.effects_volume, 100);

    const Read asked = read({"--data", "/opt/dunmar", "--music-volume", "50", "--effects-volume=0", "--data=here"});
    EXPECT_TRUE(asked.line.play);
    EXPECT_EQ(asked.line.options.data_folder, "here") << "the last one wins, as after the launcher's";
    EXPECT_EQ(asked.line.options.music_volume, 50);
    EXPECT_EQ(asked.line.options.effects_volume, 0);
    EXPECT_EQ(read({"--no-music"}).line.options.music_volume, 0);
    EXPECT_EQ(read({"--no-effects"}).line.options.effects_volume, 0);
    EXPECT_EQ(asked.out + asked.err, "");
}

TEST(CommandLine, MistakesAreRefusedWithStatusTwoAndAHint) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--bogus"}, "unrecognized option '--bogus'"},
        {{"-x"}, "invalid option -- 'x'"},
        {{"extra"}, "unexpected argument 'extra'"},
        {{"--data"}, "option '--data' requires an argument"},
        {{"--data="}, "option '--data' needs a folder"},
        {{"--no-music=1"}, "option '--no-music' doesn't allow an argument"},
        {{"--music-volume", "101"}, "option '--music-volume' takes a number from 0 to 100, not '101'"},
        {{"--effects-volume", "-5"}, "option '--effects-volume' takes a number from 0 to 100, not '-5'"},
        {{"--effects-volume", "1e2"}, "option '--effects-volume' takes a number from 0 to 100, not '1e2'"},
    };
    for (const auto& [args, why] : cases) {
        const Read r = read(args);
        EXPECT_FALSE(r.line.play) << why;
        EXPECT_EQ(r.line.exit_status, 2) << why;
        EXPECT_EQ(r.err, "dunmar: " + why + "\nTry 'dunmar --help'.\n");
        EXPECT_EQ(r.out, "");
    }
}

TEST(CommandLine, AFolderThatCannotBeUsedIsNamedWithTheReason) {
    std::ostringstream err;
    EXPECT_TRUE(enter_data_folder("", err)) << "no folder: the working one";
    EXPECT_FALSE(enter_data_folder("/nonexistent/dunmar", err));
    EXPECT_EQ(err.str(), "dunmar: cannot use the data folder '/nonexistent/dunmar': No such file or directory\n");
}

}  // namespace
