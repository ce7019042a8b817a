// The game over ssh, from an installed prefix: played through `ssh -t` to a
// loopback sshd, once as a user who names the game on the command line and
// once on the hosting set-up the README gives (an account whose every login
// is the game). However the session ends, the game ends with it and nothing
// is left running on the host.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "e2e/game_screens.h"
#include "e2e/loopback_sshd.h"
#include "e2e/ssh_hosting.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 15000;

// The README's Match block, with the idle checks one second apart and two
// allowed, and the players' keys where the test keeps them.
std::string hosting_block(const LoopbackSshd& sshd, const std::string& prefix) {
    return "Match User " + sshd.user() + "\n" +
           "    ForceCommand " + prefix + "/bin/dunmar\n" +
           "    AuthorizedKeysFile " + sshd.folder() + "/authorized_keys\n" +
           "    DisableForwarding yes\n"
           "    PermitTunnel no\n"
           "    PermitUserRC no\n"
           "    ClientAliveInterval 1\n"
           "    ClientAliveCountMax 2\n";
}

enum class Leave { ctrl_c, client_killed, client_stopped };

struct Session {
    const char* name;
    bool hosted;  // the README's set-up, or a plain login that names the game
    Leave leave;
};

void PrintTo(const Session& session, std::ostream* out) { *out << session.name; }

class OverSsh : public ::testing::TestWithParam<Session> {};

TEST_P(OverSsh, TheGameEndsWithTheSessionAndLeavesNothingRunning) {
#ifdef GAME_SANITIZE
    GTEST_SKIP() << "checks sshd's handling of the session, not the game's memory";
#endif
    const Session& session = GetParam();
    LoopbackSshd sshd;
    const std::string prefix = sshd.folder() + "/game";
    START_SSHD(sshd, session.hosted ? hosting_block(sshd, prefix) : "");

    const std::vector<std::string> command =
        session.hosted ? std::vector<std::string>{} : std::vector<std::string>{prefix + "/bin/dunmar"};
    TerminalLaunch launch;
    launch.argv = terminal_check_wrapper(sshd.ssh({"-t"}, command));
    VtermTerminal term(launch);
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS)) << term.screen_dump() << listed(sshd.player_processes());
    ASSERT_EQ(sshd.player_pids("dunmar-game").size(), 1u) << listed(sshd.player_processes());
    term.click(10, 2);  // walking, so the game reads the mouse when the session ends
    // On the hosting set-up a second player plays beside the first, on the
    // same account and the same data, and is not disturbed.
    std::optional<VtermTerminal> beside;
    std::vector<pid_t> games_beside;
    if (session.hosted) {
        const std::vector<pid_t> first = sshd.player_pids("dunmar-game");
        beside.emplace(launch);
        ASSERT_TRUE(intro_to_map(*beside, TIMEOUT_MS)) << beside->screen_dump();
        for (pid_t pid : sshd.player_pids("dunmar-game"))
            if (pid != first[0]) games_beside.push_back(pid);
        ASSERT_EQ(games_beside.size(), 1u) << listed(sshd.player_processes());
    }

    std::vector<pid_t> client = children_of(term.pid());
    ASSERT_EQ(client.size(), 1u) << "the ssh client under the wrapper";
    switch (session.leave) {
    case Leave::ctrl_c: term.send_bytes("\x03"); break;
    case Leave::client_killed: kill(client[0], SIGKILL); break;
    case Leave::client_stopped: kill(client[0], SIGSTOP); break;  // the host hears nothing more from it
    }
    const auto read_the_terminals = [&] {
        if (beside) beside->pump(0);
        if (!term.pump(100)) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    };
    EXPECT_TRUE(eventually([&] { return sshd.player_pids("dunmar-game") == games_beside; }, read_the_terminals))
        << listed(sshd.player_processes());
    if (beside) {
        beside->click(62, 11);
        EXPECT_TRUE(beside->wait_for_text(1, 1, "Item", TIMEOUT_MS)) << "plays on\n" << beside->screen_dump();
        beside->send_bytes("\x03");
    }
    EXPECT_TRUE(eventually([&] { return sshd.player_processes().empty(); }, read_the_terminals))
        << listed(sshd.player_processes());
    if (session.leave == Leave::client_stopped) kill(client[0], SIGCONT);  // finds itself disconnected

    term.wait_exit(TIMEOUT_MS);
    const TerminalCheck check = term.terminal_check();
    switch (session.leave) {
    case Leave::ctrl_c:
        // The game's farewell crossed the connection before it closed.
        EXPECT_TRUE(check.complete) << term.screen_dump();
        EXPECT_EQ(check.exit_code, 255);
        EXPECT_EQ(check.settings_after, check.settings_before);
        EXPECT_FALSE(term.alternate_screen());
        EXPECT_TRUE(term.cursor_visible());
        EXPECT_EQ(term.mouse_mode(), VTERM_PROP_MOUSE_NONE);
        break;
    case Leave::client_killed:
        // Nobody is left to give this terminal back.
        EXPECT_EQ(check.exit_code, 128 + SIGKILL);
        break;
    case Leave::client_stopped:
        // The client gives its own settings back; the game's farewell could
        // not reach this terminal any more.
        EXPECT_EQ(check.exit_code, 255);
        EXPECT_EQ(check.settings_after, check.settings_before);
        EXPECT_TRUE(term.screen_contains("closed by remote host")) << term.screen_dump();
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Ssh, OverSsh,
                         ::testing::Values(Session{"ctrl_c", false, Leave::ctrl_c},
                                           Session{"client_killed", false, Leave::client_killed},
                                           Session{"hosted_ctrl_c", true, Leave::ctrl_c},
                                           Session{"hosted_client_killed", true, Leave::client_killed},
                                           Session{"hosted_idle_client", true, Leave::client_stopped}),
                         [](const ::testing::TestParamInfo<Session>& info) { return std::string(info.param.name); });

// Everything but a game on a terminal is turned away: a command is
// replaced by the game, which will not run without a terminal, and no
// connection is forwarded either way. The data is the players' to read only.
TEST(Hosting, TheAccountReachesNothingButTheGame) {
#ifdef GAME_SANITIZE
    GTEST_SKIP() << "checks sshd's configuration, not the game's memory";
#endif
    LoopbackSshd sshd;
    START_SSHD(sshd, hosting_block(sshd, sshd.folder() + "/game"));
    expect_only_the_game(sshd);
    // Nor can it change the data every player reads.
    const std::string data = sshd.folder() + "/game/share/dunmar";
    const std::string as_player = "setpriv --reuid=" + sshd.user() + " --regid=" + sshd.user() + " --init-groups ";
    EXPECT_EQ(std::system((as_player + "cat '" + data + "/Mp1.txt' > /dev/null").c_str()), 0);
    EXPECT_NE(std::system((as_player + "touch '" + data + "/Mp1.txt' '" + data + "/new' 2> /dev/null").c_str()), 0);
    EXPECT_NE(access((data + "/new").c_str(), F_OK), 0);
    EXPECT_TRUE(eventually([&] { return sshd.player_processes().empty(); }, wait_a_little))
        << listed(sshd.player_processes());
}

}  // namespace
