// The game installed into a prefix of its own starts from its launcher, from
// any working folder, and finds its data.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "e2e/vterm_terminal.h"
#include "temp_folder.h"

namespace {

TEST(Install, TheLauncherStartsTheGameInItsDataFolder) {
    const TempFolder folder("dunmar_install");
    const std::string& prefix = folder.path;
    const std::string install =
        "cmake --install '" GAME_BUILD_DIR "' --prefix '" + prefix + "' > '" + prefix + "/install.log' 2>&1";
    ASSERT_EQ(std::system(install.c_str()), 0);
    EXPECT_EQ(access((prefix + "/bin/dunmar").c_str(), X_OK), 0);
    EXPECT_EQ(access((prefix + "/bin/dunmar-game").c_str(), X_OK), 0);
    EXPECT_EQ(access((prefix + "/share/dunmar/music/midi/Battle.mid").c_str(), R_OK), 0);
    EXPECT_EQ(access((prefix + "/share/dunmar/words to everyone.txt").c_str(), R_OK), 0);

    TerminalLaunch launch;
    launch.argv = terminal_check_wrapper({prefix + "/bin/dunmar"});
    launch.working_directory = "/";
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
    {
        VtermTerminal term(launch);
        ASSERT_TRUE(term.wait_for_screen_text("Welcome, traveller", 5000)) << term.screen_dump();
        term.send_bytes("\x03");
        term.wait_exit(5000);
        const TerminalCheck check = term.terminal_check();
        EXPECT_TRUE(check.complete);
        EXPECT_EQ(check.exit_code, 128 + 2) << "Ctrl+C ends it";
        EXPECT_EQ(check.settings_after, check.settings_before);
    }
}

TEST(Install, AMissingDataFolderIsSaidPlainly) {
    const TempFolder folder("dunmar_install");
    const std::string& prefix = folder.path;
    std::system(("cmake --install '" GAME_BUILD_DIR "' --prefix '" + prefix + "' > /dev/null 2>&1 && rm -rf '" +
                 prefix + "/share/dunmar'")
                    .c_str());
    const std::string run = "'" + prefix + "/bin/dunmar' < /dev/null > '" + prefix + "/out' 2>&1";
    const int status = std::system(run.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    std::ifstream out(prefix + "/out");
    const std::string said((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    EXPECT_EQ(said, "dunmar: cannot use the data folder '" + prefix + "/share/dunmar': No such file or directory\n")
        << "the folder and the reason, before the terminal is touched";
}

}  // namespace
