// The Debian package as a player gets it: built from a copy of the tracked
// sources, passed by lintian, installed with apt-get, played from another
// folder to the map, its manual page read, then purged without a trace.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "e2e/game_ended.h"
#include "e2e/game_screens.h"
#include "e2e/vterm_terminal.h"
#include "package/shell_run.h"

namespace {

const char* const APT = "DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -q";

// What dpkg knows of the package: empty or "not-installed" when nothing.
std::string package_status() {
    return shell_run("dpkg-query -W -f='${db:Status-Status}' dunmar 2>/dev/null").output;
}
bool package_present() {
    const std::string status = package_status();
    return !status.empty() && status != "not-installed";
}

// Why the package cannot be checked here; empty when it can.
std::string why_not_here() {
#ifdef GAME_SANITIZE
    return "the sanitizer build checks the game's memory, not its package";
#endif
    if (geteuid() != 0) return "installing a package needs root";
    for (const char* tool : {"git", "dpkg-buildpackage", "dh", "lintian", "apt-get", "man"})
        if (!shell_run(std::string("command -v ") + tool).ok())
            return std::string(tool) + " is missing: sh tools/install-deps installs it";
    if (!shell_run("git -C '" GAME_SOURCE_DIR "' rev-parse").ok()) return "the sources are not a git checkout";
    if (package_present())
        return "a dunmar package is already on this machine, and the test would purge it";
    return "";
}

bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// What may stay of a purged package's path: nothing, or a folder that is not
// empty or that another package owns too (/usr, /usr/games...).
bool left_behind(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) return true;
    DIR* dir = opendir(path.c_str());
    if (!dir) return true;
    int entries = 0;
    while (const dirent* entry = readdir(dir))
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") ++entries;
    closedir(dir);
    return entries == 0 && !shell_run("dpkg-query -S '" + path + "'").ok();
}

// The work folder goes, and the package too if the test stopped half way.
struct Cleanup {
    std::string work;
    ~Cleanup() {
        if (package_present()) shell_run(std::string(APT) + " purge dunmar");
        if (!work.empty()) shell_run("rm -rf '" + work + "'");
    }
};

TEST(Package, BuiltCheckedInstalledPlayedAndPurged) {
    const std::string why = why_not_here();
    if (!why.empty()) GTEST_SKIP() << why;

    char pattern[] = "/tmp/dunmar_package_XXXXXX";
    Cleanup cleanup{mkdtemp(pattern)};
    const std::string work = cleanup.work;
    chmod(work.c_str(), 0755);  // apt reads the .deb as its own unprivileged user
    const std::string source = work + "/dunmar";

    // The tracked files as they are now; the build writes into debian/ and
    // the folder above, so it gets a copy.
    ShellRun run = shell_run("mkdir '" + source + "' && cd '" GAME_SOURCE_DIR
                             "' && git ls-files -z | tar --null --ignore-failed-read -T - -cf - | tar -xf - -C '" +
                             source + "'");
    ASSERT_TRUE(run.ok()) << run.output;
    if (const char* built_elsewhere = std::getenv("DUNMAR_PACKAGE_DEB")) {
        // The package built on the other Debian release, and checked by
        // lintian there: installed, played and purged here as it is.
        run = shell_run("cp '" + std::string(built_elsewhere) + "' '" + work + "'/");
        ASSERT_TRUE(run.ok()) << run.output;
    } else {
        // The unit tests run in the suite itself: the package is built
        // without them, and on one core, as ctest counts a test, so the
        // tests beside it keep the other.
        run = shell_run("cd '" + source +
                        "' && DEB_BUILD_OPTIONS='nocheck parallel=1' dpkg-buildpackage -us -uc -b -Pnocheck");
        ASSERT_TRUE(run.ok()) << run.tail();
        run = shell_run("lintian --fail-on error,warning '" + work + "'/dunmar_*.changes");
        EXPECT_TRUE(run.ok()) << run.output;
        // (Its one line for root, "running with root privileges is not
        // recommended", says nothing of the package.)
        std::cout << "lintian says:\n" << run.output;
    }

    run = shell_run("cd '" + work + "' && " + APT + " install --no-install-recommends ./dunmar_*.deb");
    ASSERT_TRUE(run.ok()) << run.output;
    // The game opens its sound libraries itself, when it first plays: the
    // package must still bring them.
    const ShellRun depends = shell_run("dpkg-query -W -f='${Depends}' dunmar");
    for (const char* library : {"libsdl2-2.0-0", "libsdl2-mixer-2.0-0", "libfluidsynth3", "libasound2"})
        EXPECT_NE(depends.output.find(library), std::string::npos) << library << " is not among " << depends.output;
    const ShellRun listed = shell_run("dpkg -L dunmar");
    ASSERT_TRUE(listed.ok()) << listed.output;
    for (const char* path : {"/usr/games/dunmar", "/usr/lib/games/dunmar/dunmar-game",
                             "/usr/share/games/dunmar/music/midi/Battle.mid", "/usr/share/games/dunmar/words to everyone.txt",
                             "/usr/share/man/man6/dunmar.6.gz", "/usr/games/dunmar-host", "/usr/share/man/man6/dunmar-host.6.gz",
                             "/usr/share/applications/dunmar.desktop",
                             "/usr/share/metainfo/io.github.dunmar.dunmar.metainfo.xml", "/usr/share/doc/dunmar/copyright"})
        EXPECT_NE(listed.output.find(std::string(path) + "\n"), std::string::npos) << path << " is not in the package";
    EXPECT_TRUE(shell_run("grep -qx Terminal=true /usr/share/applications/dunmar.desktop").ok());

    // Played as a player starts it: from somewhere else, with the sound as
    // the machine has it (none here: the game plays on in silence).
    TerminalLaunch launch;
    launch.argv = terminal_check_wrapper({"/usr/games/dunmar"});
    launch.working_directory = work;
    {
        VtermTerminal term(launch);
        ASSERT_TRUE(intro_to_map(term, 10000)) << term.screen_dump();
        term.send_bytes("\x03");
        expect_game_ended(term, 128 + 2, 5000);
    }

    for (const char* page : {"dunmar.6.gz", "dunmar-host.6.gz"}) {
        run = shell_run("man --warnings -l /usr/share/man/man6/" + std::string(page) + " 2>&1 >/dev/null");
        EXPECT_TRUE(run.ok() && run.output.empty()) << page << ": " << run.output;
    }

    run = shell_run(std::string(APT) + " purge dunmar");
    ASSERT_TRUE(run.ok()) << run.output;
    EXPECT_FALSE(package_present()) << package_status();
    std::istringstream paths(listed.output);
    for (std::string path; std::getline(paths, path);) EXPECT_FALSE(left_behind(path)) << path << " is left after the purge";
    for (const char* folder : {"/usr/lib/games/dunmar", "/usr/share/games/dunmar", "/usr/share/doc/dunmar"})
        EXPECT_FALSE(exists(folder)) << folder << " is left after the purge";
}

}  // namespace
