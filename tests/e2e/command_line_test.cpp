// The real program's options, run with no terminal at all: help and version
// leave before the terminal is touched, with nothing but their text on the
// stream it belongs to; and the version is the same everywhere it is written.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "temp_folder.h"

namespace {

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Ran run_game(const std::string& args) {
    const TempFolder dir("dunmar_options");
    const int status =
        std::system(("'" GAME_PATH "' " + args + " < /dev/null > '" + dir / "out" + "' 2> '" + dir / "err" + "'").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir / "out"), slurp(dir / "err")};
}

TEST(Options, HelpVersionAndMistakesNeverTouchTheTerminal) {
    const Ran help = run_game("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: dunmar [OPTION]...\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("  --music-volume N "), std::string::npos);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(run_game("-h").out, help.out);

    const Ran version = run_game("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "dunmar " GAME_VERSION "\n");
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(run_game("-V").out, version.out);

    const Ran bogus = run_game("--bogus");
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(bogus.out, "");
    EXPECT_EQ(bogus.err, "dunmar: unrecognized option '--bogus'\nTry 'dunmar --help'.\n");

    const Ran nowhere = run_game("--data /nonexistent");
    EXPECT_EQ(nowhere.status, 2);
    EXPECT_EQ(nowhere.err, "dunmar: cannot use the data folder '/nonexistent': No such file or directory\n");
}

TEST(Options, TheVersionIsTheSameEverywhere) {
    const std::string version = GAME_VERSION;
    const std::string source = GAME_DATA_DIR "/..";
    EXPECT_EQ(slurp(source + "/debian/changelog").rfind("dunmar (" + version + ") ", 0), 0u)
        << "the changelog's newest entry";
    for (const char* page : {"/dist/dunmar.6", "/dist/dunmar-host.6"})
        EXPECT_NE(slurp(source + page).find("\"Dunmar " + version + "\""), std::string::npos)
            << page << ": the manual page's title line";
    const std::string metainfo = slurp(source + "/dist/io.github.dunmar.dunmar.metainfo.xml");
    const std::size_t release = metainfo.find("<release ");
    ASSERT_NE(release, std::string::npos);
    const std::string newest = "<release version=\"" + version + "\" date=";
    EXPECT_EQ(metainfo.compare(release, newest.size(), newest), 0)
        << "the metainfo's newest release";
}

}  // namespace
