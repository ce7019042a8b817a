// tools/install-deps for a user who is not root: the line it prints, pasted
// into a shell as it is, installs every missing package, through sudo where
// there is sudo and through su where there is none (a minimal Debian).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "package/shell_run.h"
#include "temp_folder.h"

namespace {

// A folder that is the whole PATH: dpkg-query knows no package, id names a
// user, apt-get writes down its arguments, sudo runs its command and su -c
// its shell line (neither asks for a password here).
class InstallDeps : public ::testing::TestWithParam<bool> {
protected:
    InstallDeps() {
        tool("dpkg-query", "exit 1");
        tool("id", "echo 1000");
        tool("apt-get", "echo \"$@\" > '" + bin + "/apt-get.args'");
        tool("su", "[ \"$1\" = -c ] && exec /bin/sh -c \"$2\"");
        if (GetParam()) tool("sudo", "exec \"$@\"");
    }

    void tool(const std::string& name, const std::string& body) {
        const std::string path = bin + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(bin + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    const TempFolder folder{"dunmar_install_deps"};
    const std::string& bin = folder.path;
};

TEST_P(InstallDeps, PrintsALineThatInstallsWhatIsMissing) {
    const ShellRun asked = shell_run("PATH='" + bin + "' /bin/sh '" GAME_SOURCE_DIR "/tools/install-deps'");
    EXPECT_EQ(asked.status, 1) << asked.output;
    const std::size_t start = asked.output.find("\n    ");
    ASSERT_NE(start, std::string::npos) << asked.output;
    const std::string line = asked.output.substr(start + 5, asked.output.find('\n', start + 1) - start - 5);
    EXPECT_EQ(line.rfind(GetParam() ? "sudo apt-get install " : "su -c 'apt-get install ", 0), 0u) << line;

    std::ofstream(bin + "/pasted") << line << "\n";
    const ShellRun pasted = shell_run("PATH='" + bin + "' /bin/sh '" + bin + "/pasted'");
    EXPECT_TRUE(pasted.ok()) << line << "\n" << pasted.output;
    std::string args = " " + read("apt-get.args");
    if (!args.empty() && args.back() == '\n') args.back() = ' ';
    EXPECT_EQ(args.rfind(" install ", 0), 0u) << args;
    for (const char* package : {"g++", "libsdl2-mixer-dev", "timgm6mb-soundfont", "debhelper", "lintian", "man-db"})
        EXPECT_NE(args.find(std::string(" ") + package + " "), std::string::npos) << package << " in" << args;
}

INSTANTIATE_TEST_SUITE_P(SudoOrNot, InstallDeps, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "WithSudo" : "WithoutSudo"; });

}  // namespace
