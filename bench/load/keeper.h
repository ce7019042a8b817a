// The games' keeper for a benchmark, as the host command runs it: a folder
// of the benchmark's own holding the host command itself (tools/dunmar-host.sh,
// copied at run time beside a link to the program it is to keep as its game,
// since the command starts the game it finds beside itself) and the HOME of
// every login, so the tmux server, its socket and its configuration are the
// ones `dunmar-host login` makes, in that HOME and nowhere else. A player's
// login is the very command sshd runs for the player's key.
//
// Everything the server runs is stopped by its PID at the end, the server
// too. Should the benchmark itself be killed, the closed terminals start the
// players' grace period, which is short here, and the host command's own
// expiry ends the games and with the last of them the server.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class Keeper {
public:
    // game: the program each session runs as the player's game.
    explicit Keeper(const std::string& game);
    ~Keeper();
    Keeper(const Keeper&) = delete;
    Keeper& operator=(const Keeper&) = delete;

    bool ready() const { return !folder.empty(); }
    const std::string& home() const { return home_folder; }
    // What sshd runs for the key of player `name`.
    std::vector<std::string> login(const std::string& name) const;

    // tmux's answer to a command on the keeper's socket; empty if it fails
    // or takes longer than a few seconds.
    std::string ask(const std::vector<std::string>& command) const;

    // The game of a player's session and the client attached to it, once
    // both are there; -1 for either not there within a few seconds.
    struct Session {
        pid_t game = -1;
        pid_t client = -1;
    };
    Session wait_for(const std::string& name) const;
    // Whether no client is attached to the player's session, and the host
    // command's hook has seen the client go.
    bool left_alone(const std::string& name) const;
    pid_t server() const;

    // Every process of the server and the server itself, by PID: TERM,
    // then KILL for what is still there after a grace.
    void stop();

private:
    std::string folder;
    std::string home_folder;
    std::string socket;
    mutable pid_t server_pid = -1;
};

// The environment a host gives a player's login: no sound settings, the
// given HOME.
std::vector<std::string> login_environment(const std::string& home);
