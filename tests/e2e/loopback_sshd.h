// An OpenSSH server of the test's own on 127.0.0.1: its own sshd_config, a
// free port, host and client keys made for it in a temporary folder, keys
// only, stopped by its PID. Logins go to a player account made for the test
// (an ordinary account, as a host would make one) and removed after it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "e2e/child_process.h"

class LoopbackSshd {
public:
    // Makes the folder, the account and the keys. Making the account needs
    // root; without it, or if anything fails, why() says why.
    LoopbackSshd();
    ~LoopbackSshd();
    LoopbackSshd(const LoopbackSshd&) = delete;
    LoopbackSshd& operator=(const LoopbackSshd&) = delete;

    bool ready() const { return failure.empty(); }
    // Starts the server, `match_block` appended to its configuration as it is.
    bool start(const std::string& match_block = "");
    bool running() const { return server.started() && !server.exited(); }
    const std::string& why() const { return failure; }

    // A folder of the test's, readable by the player; gone afterwards.
    const std::string& folder() const { return dir; }
    const std::string& user() const { return account; }

    // Another client key, for a host that tells its players apart by key:
    // its public line, empty if ssh-keygen failed.
    std::string make_key(const std::string& name);

    // The ssh client's argv for the player's login: this server's port, the
    // player's key (the one made first, or one of make_key's) and this
    // server's host key only, no configuration of the machine's.
    std::vector<std::string> ssh(const std::vector<std::string>& options,
                                 const std::vector<std::string>& command = {},
                                 const std::string& key = "client") const;

    // Processes running as the player, each as "pid name".
    std::vector<std::string> player_processes() const;
    // The PIDs of the player's processes with this name.
    std::vector<pid_t> player_pids(const std::string& name) const;

private:
    bool make_account();
    bool try_start(const std::string& match_block);

    std::string dir;
    std::string account;
    uid_t account_uid = 0;
    bool account_made = false;
    int port = 0;
    ChildProcess server;
    std::string failure;
};

// The children of a process, by PID.
std::vector<pid_t> children_of(pid_t parent);
