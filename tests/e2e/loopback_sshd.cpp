#include "e2e/loopback_sshd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace {

constexpr const char* SSHD = "/usr/sbin/sshd";
constexpr const char* ACCOUNT_PREFIX = "dunmarplayer";

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string shell_quoted(const std::string& word) { return "'" + word + "'"; }

int shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// useradd and userdel give up while another program holds the account
// files' locks: try again for a while.
bool account_command(const std::string& command) {
    for (int tries = 0; tries < 50; ++tries) {
        if (shell(command + " > /dev/null 2>&1") == 0) return true;
        pause_ms(200);
    }
    return false;
}

// Accounts of earlier runs that were killed before they could clean up:
// their test process is gone.
void remove_stale_accounts() {
    std::vector<std::string> stale;
    setpwent();
    while (const passwd* entry = getpwent()) {
        const std::string name = entry->pw_name;
        if (name.rfind(ACCOUNT_PREFIX, 0) != 0) continue;
        const std::string owner = name.substr(std::string(ACCOUNT_PREFIX).size());
        if (owner.empty() || access(("/proc/" + owner).c_str(), F_OK) != 0) stale.push_back(name);
    }
    endpwent();
    for (const std::string& name : stale) account_command("userdel " + name);
}

int free_port() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(s);
    return port;
}

// What procps' pgrep prints for these arguments, a line each.
std::vector<std::string> pgrep(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "pgrep");
    std::istringstream out(run_child({.argv = arguments}, 10000).out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);) lines.push_back(line);
    return lines;
}

std::vector<pid_t> pids(const std::vector<std::string>& lines) {
    std::vector<pid_t> found;
    for (const std::string& line : lines) found.push_back(static_cast<pid_t>(std::atoi(line.c_str())));
    return found;
}

}  // namespace

std::vector<pid_t> children_of(pid_t parent) { return pids(pgrep({"-P", std::to_string(parent)})); }

LoopbackSshd::LoopbackSshd() {
    char pattern[] = "/tmp/dunmar_sshd_XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        failure = "no temporary folder";
        return;
    }
    dir = pattern;
    chmod(dir.c_str(), 0755);  // the player reads the keys and the game in here
    if (geteuid() != 0) {
        failure = "making the player account needs root";
        return;
    }
    if (access(SSHD, X_OK) != 0) {
        failure = std::string(SSHD) + " is missing: run tools/install-deps";
        return;
    }
    make_account();
}

bool LoopbackSshd::start(const std::string& match_block) {
    if (!ready()) return false;
    // Another program may take the free port before sshd does.
    for (int tries = 0; tries < 3 && !running(); ++tries) try_start(match_block);
    return running();
}

bool LoopbackSshd::make_account() {
    remove_stale_accounts();
    account = ACCOUNT_PREFIX + std::to_string(getpid());
    // '*' lets no password in but, unlike '!', does not lock the account.
    if (!account_command("useradd --no-create-home --home-dir " + shell_quoted(dir + "/home") +
                         " --shell /bin/sh --password '*' --user-group " + account)) {
        failure = "useradd " + account + " failed";
        return false;
    }
    account_made = true;
    const passwd* entry = getpwnam(account.c_str());
    if (entry == nullptr) {
        failure = "the new account " + account + " is not found";
        return false;
    }
    account_uid = entry->pw_uid;
    mkdir((dir + "/home").c_str(), 0755);
    if (chown((dir + "/home").c_str(), entry->pw_uid, entry->pw_gid) != 0) {
        failure = "cannot give the player a home";
        return false;
    }
    const std::string keygen = "ssh-keygen -q -t ed25519 -N '' -C '' -f ";
    if (shell(keygen + shell_quoted(dir + "/host_key") + " && " + keygen + shell_quoted(dir + "/client_key") + " && cp " +
              shell_quoted(dir + "/client_key.pub") + " " + shell_quoted(dir + "/authorized_keys") + " && chmod 644 " +
              shell_quoted(dir + "/authorized_keys")) != 0) {
        failure = "ssh-keygen failed";
        return false;
    }
    return true;
}

bool LoopbackSshd::try_start(const std::string& match_block) {
    port = free_port();
    // sshd wants its privilege separation folder, which the service's
    // start-up would make.
    mkdir("/run/sshd", 0755);
    const std::string config = dir + "/sshd_config";
    std::ofstream(config) << "ListenAddress 127.0.0.1\n"
                          << "Port " << port << "\n"
                          << "HostKey " << dir << "/host_key\n"
                          << "PidFile none\n"
                          << "AuthorizedKeysFile " << dir << "/authorized_keys\n"
                          << "AuthenticationMethods publickey\n"
                          << "PasswordAuthentication no\n"
                          << "KbdInteractiveAuthentication no\n"
                          << "PermitRootLogin no\n"
                          << "AllowUsers " << account << "\n"
                          << "UsePAM no\n"
                          // The keys sit in a folder under /tmp, which anyone may write.
                          << "StrictModes no\n"
                          << "PrintMotd no\n"
                          << "PrintLastLog no\n"
                          << "Subsystem sftp internal-sftp\n"
                          << match_block;
    std::ofstream(dir + "/known_hosts") << "[127.0.0.1]:" << port << " " << read_file(dir + "/host_key.pub");

    const std::string log = dir + "/sshd.log";
    server = ChildProcess({.argv = {SSHD, "-D", "-e", "-f", config}, .log = log});
    for (int waited = 0; waited < 10000; waited += 50) {
        if (read_file(log).find("Server listening on 127.0.0.1 port") != std::string::npos) {
            failure.clear();
            return true;
        }
        if (server.wait(50)) break;  // it ended
    }
    failure = "sshd did not start:\n" + server.error() + read_file(log);
    server.stop(0);
    return false;
}

LoopbackSshd::~LoopbackSshd() {
    server.stop();
    if (account_made) {
        // Whatever a failed test left running as the player goes with the account.
        for (int round = 0; round < 50 && !player_processes().empty(); ++round) {
            shell("pkill -KILL -U " + std::to_string(account_uid));
            pause_ms(100);
        }
        account_command("userdel " + account);
    }
    if (!dir.empty()) shell("rm -rf " + shell_quoted(dir));
}

std::string LoopbackSshd::make_key(const std::string& name) {
    const std::string key = dir + "/" + name + "_key";
    if (shell("ssh-keygen -q -t ed25519 -N '' -C '' -f " + shell_quoted(key)) != 0) return "";
    std::string line = read_file(key + ".pub");
    line.erase(line.find_last_not_of(" \n") + 1);
    return line;
}

std::vector<std::string> LoopbackSshd::ssh(const std::vector<std::string>& options,
                                          const std::vector<std::string>& command, const std::string& key) const {
    std::vector<std::string> argv{"ssh",
                                  "-F",
                                  "/dev/null",
                                  "-p",
                                  std::to_string(port),
                                  "-i",
                                  dir + "/" + key + "_key",
                                  "-o",
                                  "IdentitiesOnly=yes",
                                  "-o",
                                  "BatchMode=yes",
                                  "-o",
                                  "StrictHostKeyChecking=yes",
                                  "-o",
                                  "UserKnownHostsFile=" + dir + "/known_hosts",
                                  "-o",
                                  "GlobalKnownHostsFile=/dev/null",
                                  "-o",
                                  "LogLevel=ERROR",
                                  "-l",
                                  account};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("127.0.0.1");
    argv.insert(argv.end(), command.begin(), command.end());
    return argv;
}

std::vector<std::string> LoopbackSshd::player_processes() const {
    return account_made ? pgrep({"-l", "-U", std::to_string(account_uid)}) : std::vector<std::string>{};
}

std::vector<pid_t> LoopbackSshd::player_pids(const std::string& name) const {
    return account_made ? pids(pgrep({"-x", "-U", std::to_string(account_uid), name}))
                        : std::vector<pid_t>{};
}
