// What the ssh tests share: the game installed as a host installs it, the
// loopback sshd started on it, a wait for the host's processes, and the
// doors every hosting set-up must keep shut.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "e2e/loopback_sshd.h"

// The game installed as a host installs it: by root, so the player's
// account can read the data folder and not write it.
inline bool install_game(const std::string& prefix) {
    const std::string command = "cmake --install '" GAME_BUILD_DIR "' --prefix '" + prefix + "' > '" + prefix +
                                ".log' 2>&1";
    return std::system(command.c_str()) == 0;
}

// Skips where the server cannot be made, says why where it would not start.
#define START_SSHD(sshd, block)                                            \
    if (!(sshd).ready() && geteuid() != 0) GTEST_SKIP() << (sshd).why();  \
    ASSERT_TRUE((sshd).ready()) << (sshd).why();                           \
    ASSERT_TRUE(install_game((sshd).folder() + "/game"));                  \
    ASSERT_TRUE((sshd).start(block)) << (sshd).why()

inline std::string listed(const std::vector<std::string>& processes) {
    std::string all;
    for (const std::string& p : processes) all += p + "\n";
    return all;
}

// Polls until `done`, calling `meanwhile` (which waits up to 100 ms)
// between looks.
inline bool eventually(const std::function<bool()>& done, const std::function<void()>& meanwhile,
                       int timeout_ms = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        meanwhile();
    }
    return true;
}

inline void wait_a_little() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }

inline std::string quoted_argv(const std::vector<std::string>& argv) {
    std::string line;
    for (const std::string& word : argv) line += "'" + word + "' ";
    return line;
}

// What one ssh command line gets: its exit status and everything it said.
struct SshAnswer {
    int exit_code = -1;
    std::string said;
};

inline SshAnswer ask(const LoopbackSshd& sshd, const std::vector<std::string>& argv) {
    const std::string out = sshd.folder() + "/answer";
    const int status = std::system(("timeout 20 " + quoted_argv(argv) + "< /dev/null > '" + out + "' 2>&1").c_str());
    std::ifstream in(out);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}};
}

// Everything but a game on a terminal is turned away: a command or a login
// without one gets the line that the game needs one, and no connection is
// forwarded either way.
inline void expect_only_the_game(const LoopbackSshd& sshd, const std::string& key = "client") {
    struct Door {
        const char* what;
        std::vector<std::string> options;
        std::vector<std::string> command;
        int exit_code;
        const char* answer;
    };
    const Door doors[] = {
        {"a command", {}, {"cat", "/etc/passwd"}, 2, "the game needs a terminal"},
        {"a login without a terminal", {"-T"}, {}, 2, "the game needs a terminal"},
        {"sftp", {"-s"}, {"sftp"}, 2, ""},  // the refusal is said on a channel sftp does not show
        {"a connection onwards", {"-W", "127.0.0.1:9"}, {}, 255, "forwarding failed"},
        {"a port forwarded back", {"-N", "-o", "ExitOnForwardFailure=yes", "-R", "0:127.0.0.1:9"}, {}, 255,
         "remote port forwarding failed"},
    };
    for (const Door& door : doors) {
        const SshAnswer answer = ask(sshd, sshd.ssh(door.options, door.command, key));
        EXPECT_EQ(answer.exit_code, door.exit_code) << door.what << ": " << answer.said;
        EXPECT_NE(answer.said.find(door.answer), std::string::npos) << door.what << ": " << answer.said;
        EXPECT_EQ(answer.said.find("root:"), std::string::npos) << door.what;
    }
}
