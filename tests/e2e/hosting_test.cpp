// The host command's set-up on a loopback sshd, from an installed prefix: a
// player per key, each game kept in a tmux session while its player's
// connection is down, taken over by the player's next login, and ended
// after the grace period with nothing of it left running, and watched
// read-only; tmux's own keys and commands are shut to players and watchers.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/chosen_dice.h"
#include "e2e/game_screens.h"
#include "e2e/loopback_sshd.h"
#include "e2e/ssh_hosting.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 15000;

// These check the host's set-up, not the game's memory.
#ifdef GAME_SANITIZE
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif

// The Match block of docs/hosting.md, with the idle checks one second apart.
std::string keys_block(const LoopbackSshd& sshd) {
    return "Match User " + sshd.user() + "\n" +
           "    AuthorizedKeysFile " + sshd.folder() + "/players_keys\n" +
           "    DisableForwarding yes\n"
           "    PermitTunnel no\n"
           "    PermitUserRC no\n"
           "    ClientAliveInterval 1\n"
           "    ClientAliveCountMax 2\n";
}

class Host {
public:
    std::string prefix() const { return sshd.folder() + "/game"; }

    // The installed launcher, with the game's clock frozen at the dice's
    // second: the keeper starts the game through it.
    bool freeze_the_game(const Dice& dice) {
        const std::string launcher = prefix() + "/bin/dunmar";
        if (std::rename(launcher.c_str(), (launcher + "-unfrozen").c_str()) != 0) return false;
        std::ofstream wrapper(launcher);
        wrapper << "#!/bin/sh\n";
        for (const auto& [name, value] : frozen_clock(dice)) wrapper << "export " << name << "='" << value << "'\n";
        wrapper << "exec \"$0-unfrozen\" \"$@\"\n";
        wrapper.close();
        return chmod(launcher.c_str(), 0755) == 0;
    }

    // `dunmar-host keys`, as root, from these lines of players.
    SshAnswer list_players(const std::string& lines, const std::string& grace = "") {
        std::ofstream(sshd.folder() + "/players") << lines;
        const std::string options = grace.empty() ? "" : "--grace " + grace + " ";
        const std::string out = sshd.folder() + "/keys.out";
        const int status = std::system(("'" + prefix() + "/bin/dunmar-host' " + options + "keys '" + sshd.folder() +
                                        "/players' '" + sshd.folder() + "/players_keys' > '" + out + "' 2>&1")
                                           .c_str());
        std::ifstream in(out);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}};
    }

    TerminalLaunch login(const std::string& key) const {
        TerminalLaunch launch;
        launch.argv = terminal_check_wrapper(sshd.ssh({"-t"}, {}, key));
        return launch;
    }

    TerminalLaunch watch(const std::string& key, const std::string& player, int columns = 80, int rows = 25) const {
        TerminalLaunch launch;
        launch.argv = terminal_check_wrapper(sshd.ssh({"-t"}, {"watch", player}, key));
        launch.columns = columns;
        launch.rows = rows;
        return launch;
    }

    // `ssh -t HOST watch ...`, answered without a terminal of the test's.
    SshAnswer ask_watch(const std::vector<std::string>& words) const {
        std::vector<std::string> command{"watch"};
        command.insert(command.end(), words.begin(), words.end());
        return ask(sshd, sshd.ssh({"-t", "-t"}, command, "bob"));
    }

    // The connection dropped as a killed client drops it.
    void drop(VtermTerminal& term) const {
        const std::vector<pid_t> client = children_of(term.pid());
        ASSERT_EQ(client.size(), 1u) << "the ssh client under the wrapper";
        kill(client[0], SIGKILL);
        term.wait_exit(TIMEOUT_MS);
    }

    LoopbackSshd sshd;
};

#define START_HOST(host, dice)                               \
    if (SANITIZED) GTEST_SKIP() << "the sanitizer build";    \
    START_SSHD((host).sshd, keys_block((host).sshd));        \
    ASSERT_TRUE((host).freeze_the_game(dice))

// Every cell as the player sees it, or those of the top left columns x
// rows: glyph, colours and attributes. A cell erased and one drawn as a
// space look the same, and tmux's repaint may give either.
std::string cells(const VtermTerminal& t, int columns = 0, int rows = 0) {
    std::string all;
    for (int y = 0; y < (rows > 0 ? rows : t.rows()); ++y)
        for (int x = 0; x < (columns > 0 ? columns : t.columns()); ++x)
            all += std::to_string(t.glyph_at(x, y) == 0 ? U' ' : t.glyph_at(x, y)) + "/" + std::to_string(t.fg_at(x, y)) + "/" +
                   std::to_string(t.bg_at(x, y)) + (t.bold_at(x, y) ? "b" : "") + (t.reverse_at(x, y) ? "r" : "") +
                   " ";
    return all;
}

// The line of `watch`'s list that starts with the player's name.
std::string listed_game(const std::string& said, const std::string& player) {
    const std::size_t at = said.find("\n" + player + " ");
    return at == std::string::npos ? "" : said.substr(at + 1, said.find('\n', at + 1) - at - 1);
}

TEST(Hosting, EachKeyIsItsPlayerAndNoOtherKeyPlays) {
    Host host;
    START_HOST(host, quiet_dice());
    const std::string alice = host.sshd.make_key("alice"), bob = host.sshd.make_key("bob"),
                      nameless = host.sshd.make_key("nameless");
    ASSERT_FALSE(alice.empty() || bob.empty() || nameless.empty());

    // A wrong name is one line, and the keys file is left as it was.
    SshAnswer keys = host.list_players("alice " + alice + "\n../bob " + bob + "\n");
    EXPECT_EQ(keys.exit_code, 1);
    EXPECT_NE(keys.said.find("players:2: \"../bob\" is not a player name"), std::string::npos) << keys.said;
    EXPECT_NE(access((host.sshd.folder() + "/players_keys").c_str(), F_OK), 0);
    keys = host.list_players("# the players\nalice " + alice + "\n\nbob " + bob + "\n" + nameless + "\n");
    ASSERT_EQ(keys.exit_code, 0) << keys.said;

    VtermTerminal first(host.login("alice"));
    ASSERT_TRUE(intro_to_map(first, TIMEOUT_MS)) << first.screen_dump() << listed(host.sshd.player_processes());
    VtermTerminal second(host.login("bob"));
    ASSERT_TRUE(intro_to_map(second, TIMEOUT_MS)) << second.screen_dump();
    EXPECT_EQ(host.sshd.player_pids("dunmar-game").size(), 2u) << listed(host.sshd.player_processes());
    // Each plays a game of their own: Alice's item list never reaches Bob,
    // whose own click after it sets his hero walking.
    first.click(62, 11);
    EXPECT_TRUE(first.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << first.screen_dump();
    const int bob_at = hero(second).first;
    second.click(bob_at + 10, hero(second).second);
    EXPECT_TRUE(second.wait_for([&](const VtermTerminal& t) { return hero(t).first > bob_at; }, TIMEOUT_MS))
        << second.screen_dump();
    EXPECT_EQ(second.received().find("Banana"), std::string::npos) << "Alice's item list on Bob's screen";
    // The games' server is the hosting account's alone.
    struct stat folder {};
    ASSERT_EQ(stat((host.sshd.folder() + "/home/.dunmar-host").c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);

    // A key listed without a name gets its line; one never listed, sshd's.
    const SshAnswer unnamed = ask(host.sshd, host.sshd.ssh({"-t", "-t"}, {}, "nameless"));
    EXPECT_NE(unnamed.said.find("this key is listed without a player name"), std::string::npos) << unnamed.said;
    EXPECT_EQ(unnamed.said.find("Welcome"), std::string::npos) << unnamed.said;
    const SshAnswer unlisted = ask(host.sshd, host.sshd.ssh({"-t", "-t"}));
    EXPECT_EQ(unlisted.exit_code, 255);
    EXPECT_NE(unlisted.said.find("Permission denied (publickey)"), std::string::npos) << unlisted.said;
    EXPECT_EQ(host.sshd.player_pids("dunmar-game").size(), 2u) << listed(host.sshd.player_processes());
    // Commands, logins without a terminal, sftp and forwarding, as before.
    expect_only_the_game(host.sshd, "alice");
}

struct Drop {
    const char* name;
    bool in_battle;
};

void PrintTo(const Drop& drop, std::ostream* out) { *out << drop.name; }

class DroppedLink : public ::testing::TestWithParam<Drop> {};

// In a battle waiting for a command, or on the map in the middle of a walk:
// the next login is back on the very same screen, with the mouse working.
TEST_P(DroppedLink, TheNextLoginIsBackInTheSameGame) {
    const bool in_battle = GetParam().in_battle;
    Host host;
    START_HOST(host, in_battle ? battle_dice() : quiet_dice());
    ASSERT_EQ(host.list_players("alice " + host.sshd.make_key("alice") + "\n").exit_code, 0);

    std::string before;
    int mouse = VTERM_PROP_MOUSE_NONE;
    {
        VtermTerminal term(host.login("alice"));
        ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS)) << term.screen_dump() << listed(host.sshd.player_processes());
        if (in_battle) {
            ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
            ASSERT_TRUE(command_awaited(term)) << term.screen_dump();
        } else {
            term.click(14, 2);  // the walk's first step
            ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return hero(t).first == 5; }, TIMEOUT_MS))
                << term.screen_dump();
        }
        before = cells(term);
        mouse = term.mouse_mode();
        host.drop(term);
    }
    const std::vector<pid_t> game = host.sshd.player_pids("dunmar-game");
    ASSERT_EQ(game.size(), 1u) << "the game waits\n" << listed(host.sshd.player_processes());

    VtermTerminal term(host.login("alice"));
    // tmux repaints the screen and sends the mouse modes again, in either
    // order: a click before both are back would be lost.
    EXPECT_TRUE(term.wait_for([&](const VtermTerminal& t) { return cells(t) == before && t.mouse_mode() == mouse; },
                              TIMEOUT_MS))
        << term.screen_dump() << "mouse mode " << term.mouse_mode() << ", was " << mouse;
    EXPECT_FALSE(term.cursor_visible());
    EXPECT_EQ(host.sshd.player_pids("dunmar-game"), game);
    if (in_battle) {
        term.click(66, 17);  // Attack
        EXPECT_TRUE(monster_hp_shown(term, 200 - battle_dice().blow())) << term.screen_dump();
    } else {
        term.move(15, 2);  // still walking: the hero follows the pointer
        EXPECT_TRUE(term.wait_for([](const VtermTerminal& t) { return hero(t).first == 6; }, TIMEOUT_MS))
            << term.screen_dump();
    }
    term.send_bytes("\x03");
    EXPECT_TRUE(eventually([&] { return host.sshd.player_processes().empty(); }, [&] { term.pump(100); }))
        << listed(host.sshd.player_processes());
}

INSTANTIATE_TEST_SUITE_P(Hosting, DroppedLink,
                         ::testing::Values(Drop{"in_a_battle", true}, Drop{"walking_on_the_map", false}),
                         [](const ::testing::TestParamInfo<Drop>& info) { return std::string(info.param.name); });

TEST(Hosting, AfterTheGracePeriodNothingOfThePlayerIsLeft) {
    Host host;
    START_HOST(host, quiet_dice());
    ASSERT_EQ(host.list_players("alice " + host.sshd.make_key("alice") + "\n", "3s").exit_code, 0);
    VtermTerminal term(host.login("alice"));
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS)) << term.screen_dump() << listed(host.sshd.player_processes());
    host.drop(term);
    EXPECT_TRUE(eventually([&] { return host.sshd.player_processes().empty(); }, wait_a_little, 3000 + TIMEOUT_MS))
        << listed(host.sshd.player_processes());
}

TEST(Hosting, ASecondLoginTakesTheGameOver) {
    Host host;
    START_HOST(host, quiet_dice());
    ASSERT_EQ(host.list_players("alice " + host.sshd.make_key("alice") + "\n").exit_code, 0);
    VtermTerminal first(host.login("alice"));
    ASSERT_TRUE(intro_to_map(first, TIMEOUT_MS)) << first.screen_dump() << listed(host.sshd.player_processes());
    const std::vector<pid_t> game = host.sshd.player_pids("dunmar-game");

    VtermTerminal second(host.login("alice"));
    EXPECT_TRUE(second.wait_for(
        [](const VtermTerminal& t) { return map_shown(t) && t.mouse_mode() != VTERM_PROP_MOUSE_NONE; }, TIMEOUT_MS))
        << second.screen_dump();
    first.wait_exit(TIMEOUT_MS);
    EXPECT_TRUE(first.exited());
    const TerminalCheck check = first.terminal_check();
    EXPECT_EQ(check.message_lines, std::vector<std::string>{"dunmar: another login of alice took this game over."})
        << first.screen_dump();
    EXPECT_FALSE(first.alternate_screen());
    EXPECT_EQ(host.sshd.player_pids("dunmar-game"), game);
    second.click(62, 11);
    EXPECT_TRUE(second.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << second.screen_dump();
}

// tmux's prefix and everything behind it, each followed by a key the game
// shows: had a door opened, that key would have gone through it instead.
TEST(Hosting, TheKeepersDoorsAreShut) {
    Host host;
    START_HOST(host, quiet_dice());
    ASSERT_EQ(host.list_players("alice " + host.sshd.make_key("alice") + "\n").exit_code, 0);
    VtermTerminal term(host.login("alice"));
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS)) << term.screen_dump() << listed(host.sshd.player_processes());
    // The keyboard pointer is the one cell of the map whose paper changed.
    std::vector<int> paper;
    for (int y = 2; y <= 22; ++y)
        for (int x = 4; x <= 58; ++x) paper.push_back(term.bg_at(x, y));
    const auto pointer = [&](const VtermTerminal& t) {
        std::pair<int, int> found{-1, -1};
        int count = 0, cell = 0;
        for (int y = 2; y <= 22; ++y)
            for (int x = 4; x <= 58; ++x)
                if (t.bg_at(x, y) != paper[cell++]) {
                    found = {x, y};
                    ++count;
                }
        return count == 1 ? found : std::make_pair(-1, -1);
    };
    term.send_bytes("\x1b[C");  // the keyboard pointer shows
    ASSERT_TRUE(term.wait_for([&](const VtermTerminal& t) { return pointer(t).first >= 0; }, TIMEOUT_MS))
        << term.screen_dump();
    for (const char* door : {"c", ":", "d", "?", "[", "%"}) {
        const int x = pointer(term).first;
        term.send_bytes(std::string("\x02") + door + "\x1b[C");
        EXPECT_TRUE(term.wait_for([&](const VtermTerminal& t) { return pointer(t).first == x + 1; }, TIMEOUT_MS))
            << "Ctrl+B " << door << "\n" << term.screen_dump();
    }
    // A command typed at the prompt, had it opened: the Enter is the game's
    // click instead, and the hero sets off.
    const std::string opened = host.sshd.folder() + "/home/opened";
    term.send_bytes("\x02:run-shell\t'touch\t" + opened + "'\r");
    EXPECT_TRUE(term.wait_for([](const VtermTerminal& t) { return hero(t) != std::make_pair(4, 2); }, TIMEOUT_MS))
        << term.screen_dump();
    EXPECT_NE(access(opened.c_str(), F_OK), 0);
    EXPECT_EQ(host.sshd.player_pids("dunmar-game").size(), 1u) << listed(host.sshd.player_processes());
}

// Two watchers of a battle, the second in a 120 x 40 terminal: each gets
// the whole screen at once; nothing the second types or clicks, tmux's
// doors included, reaches the game or its size, as the player's own next
// click shows; q and Ctrl+C leave.
TEST(Hosting, WatchersSeeTheBattleAndReachNothing) {
    Host host;
    START_HOST(host, battle_dice());
    ASSERT_EQ(host.list_players("alice " + host.sshd.make_key("alice") + "\nbob " + host.sshd.make_key("bob") + "\n")
                  .exit_code,
              0);
    VtermTerminal player(host.login("alice"));
    ASSERT_TRUE(intro_to_map(player, TIMEOUT_MS)) << player.screen_dump() << listed(host.sshd.player_processes());
    ASSERT_TRUE(walk_into_battle(player)) << player.screen_dump();
    ASSERT_TRUE(command_awaited(player)) << player.screen_dump();
    const SshAnswer games = host.ask_watch({});
    EXPECT_NE(listed_game(games.said, "alice").find(" battle"), std::string::npos) << games.said;

    const std::string battle = cells(player);
    VtermTerminal first(host.watch("bob", "alice"));
    // tmux asks the watcher's terminal for the game's mouse reports too, so
    // the watcher's clicks are really sent.
    EXPECT_TRUE(first.wait_for(
        [&](const VtermTerminal& t) { return cells(t) == battle && t.mouse_mode() != VTERM_PROP_MOUSE_NONE; },
        TIMEOUT_MS))
        << first.screen_dump() << "mouse mode " << first.mouse_mode();
    // The first watcher's terminal is the player's size, so its Escape lands
    // on the player's Escape, and the keyboard's way to a command on the
    // player's commands: had they reached the game, the battle would be
    // over or a round played. Then tmux's doors. Its Ctrl+C leaves after
    // them all, so they have all been read by then.
    const std::string opened = host.sshd.folder() + "/home/opened";
    first.click(66, 21);
    first.send_bytes("x\x1b[A\r");
    for (const char* door : {"c", ":", "d", "?", "[", "%"}) first.send_bytes(std::string("\x02") + door);
    first.send_bytes("\x02:run-shell\t'touch\t" + opened + "'\r\x03");
    first.wait_exit(TIMEOUT_MS);
    EXPECT_TRUE(first.exited()) << first.screen_dump();

    // A bigger watcher's terminal leaves the player's screen as it is.
    VtermTerminal second(host.watch("bob", "alice", 120, 40));
    EXPECT_TRUE(second.wait_for([&](const VtermTerminal& t) { return cells(t, 80, 25) == battle; }, TIMEOUT_MS))
        << second.screen_dump();

    player.click(66, 17);  // Attack: the first round of the battle, on the same cells
    EXPECT_TRUE(monster_hp_shown(player, 200 - battle_dice().blow())) << player.screen_dump();
    EXPECT_TRUE(eventually([&] { return cells(second, 80, 25) == cells(player); },
                           [&] {
                               second.pump(50);
                               player.pump(50);
                           }))
        << second.screen_dump() << player.screen_dump();
    EXPECT_NE(access(opened.c_str(), F_OK), 0);
    second.send_bytes("q");
    second.wait_exit(TIMEOUT_MS);
    EXPECT_EQ(second.terminal_check().message_lines, std::vector<std::string>{"dunmar-host: you stopped watching alice"})
        << second.screen_dump();
    // The player's own Ctrl+C still ends the game, and everything with it.
    player.send_bytes("\x03");
    EXPECT_TRUE(eventually([&] { return host.sshd.player_processes().empty(); }, [&] { player.pump(100); }))
        << listed(host.sshd.player_processes());
}

// A watcher is no player: a takeover leaves it watching, and a drop ends
// the game after the grace period all the same, the watcher's view with it.
TEST(Hosting, AWatcherNeitherKeepsTheGameNorLosesIt) {
    Host host;
    START_HOST(host, quiet_dice());
    ASSERT_EQ(
        host.list_players("alice " + host.sshd.make_key("alice") + "\nbob " + host.sshd.make_key("bob") + "\n", "3s")
            .exit_code,
        0);
    const SshAnswer none = host.ask_watch({});
    EXPECT_NE(none.said.find("Nobody is playing now."), std::string::npos) << none.said;
    VtermTerminal first(host.login("alice"));
    ASSERT_TRUE(intro_to_map(first, TIMEOUT_MS)) << first.screen_dump() << listed(host.sshd.player_processes());
    const SshAnswer games = host.ask_watch({});
    EXPECT_NE(listed_game(games.said, "alice").find(" map"), std::string::npos) << games.said;
    for (const char* wrong : {"carol", "../alice"}) {
        const SshAnswer answer = host.ask_watch({wrong});
        EXPECT_NE(answer.said.find(wrong[0] == 'c' ? "nobody called carol is playing now" : "watch takes a player's name"),
                  std::string::npos)
            << answer.said;
    }

    VtermTerminal watcher(host.watch("bob", "alice", 120, 40));
    ASSERT_TRUE(watcher.wait_for(map_shown, TIMEOUT_MS)) << watcher.screen_dump();
    VtermTerminal second(host.login("alice"));
    EXPECT_TRUE(second.wait_for(
        [](const VtermTerminal& t) { return map_shown(t) && t.mouse_mode() != VTERM_PROP_MOUSE_NONE; }, TIMEOUT_MS))
        << second.screen_dump();
    first.wait_exit(TIMEOUT_MS);
    EXPECT_TRUE(first.exited());
    second.click(62, 11);
    EXPECT_TRUE(second.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << second.screen_dump();
    EXPECT_TRUE(watcher.wait_for_text(1, 1, "Item", TIMEOUT_MS)) << watcher.screen_dump();

    host.drop(second);
    EXPECT_TRUE(eventually([&] { return host.sshd.player_processes().empty(); }, [&] { watcher.pump(100); },
                           3000 + TIMEOUT_MS))
        << listed(host.sshd.player_processes());
    watcher.wait_exit(TIMEOUT_MS);
    const std::vector<std::string> said = watcher.terminal_check().message_lines;
    EXPECT_TRUE(!said.empty() && said.back() == "dunmar-host: alice's game is over") << watcher.screen_dump();
}

}  // namespace
