#include "load/keeper.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "load/proc_figures.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Short, so that a benchmark killed before it could stop its games leaves
// them for a minute at most: the host command ends them itself then.
constexpr const char* GRACE = "60";
// tmux answers a question in a few milliseconds; a session is up within a
// second of its login.
constexpr milliseconds LONGEST_ANSWER{5000};
constexpr milliseconds LONGEST_LOGIN{10000};
constexpr milliseconds STOP_GRACE{3000};
constexpr useconds_t LOOK_AGAIN_US = 10000;

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Waits for a child a while, then kills it: nothing here may hang the run.
void reap(pid_t child, Clock::time_point give_up) {
    while (waitpid(child, nullptr, WNOHANG) == 0) {
        if (Clock::now() >= give_up) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            return;
        }
        usleep(LOOK_AGAIN_US);
    }
}

}  // namespace

std::vector<std::string> login_environment(const std::string& home) {
    const passwd* user = getpwuid(getuid());
    const std::string name = user ? user->pw_name : "player";
    return {"PATH=/usr/local/bin:/usr/bin:/bin",
            "HOME=" + home,
            "USER=" + name,
            "LOGNAME=" + name,
            "SHELL=/bin/sh",
            "LANG=C.UTF-8",
            "TERM=xterm-256color"};
}

Keeper::Keeper(const std::string& game) {
    char name[] = "/tmp/dunmar_keeper.XXXXXX";
    if (!mkdtemp(name)) return;
    const std::string made = name;
    std::error_code error;
    namespace fs = std::filesystem;
    fs::create_directory(made + "/home", error);
    if (!error) fs::copy_file(HOST_SCRIPT_PATH, made + "/dunmar-host", error);
    if (!error)
        fs::permissions(made + "/dunmar-host", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec,
                        error);
    if (!error) fs::create_symlink(game, made + "/dunmar", error);
    if (error) {
        fs::remove_all(made, error);
        return;
    }
    folder = made;
    home_folder = made + "/home";
    socket = home_folder + "/.dunmar-host/tmux";
}

Keeper::~Keeper() {
    if (folder.empty()) return;
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::vector<std::string> Keeper::login(const std::string& name) const {
    return {folder + "/dunmar-host", "--grace", GRACE, "login", name};
}

std::string Keeper::ask(const std::vector<std::string>& command) const {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return {};
    std::vector<std::string> argv = {"tmux", "-S", socket};
    argv.insert(argv.end(), command.begin(), command.end());
    std::vector<std::string> env = login_environment(home_folder);
    const pid_t child = fork();
    if (child < 0) {
        close(out[0]);
        close(out[1]);
        return {};
    }
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        const int nothing = open("/dev/null", O_RDWR);
        dup2(nothing, STDIN_FILENO);
        dup2(nothing, STDERR_FILENO);
        execve("/usr/bin/tmux", pointers(argv).data(), pointers(env).data());
        _exit(127);
    }
    close(out[1]);
    const Clock::time_point give_up = Clock::now() + LONGEST_ANSWER;
    std::string answer;
    for (;;) {
        const auto left = std::chrono::duration_cast<milliseconds>(give_up - Clock::now()).count();
        pollfd ready{out[0], POLLIN, 0};
        if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) <= 0) break;
        char chunk[4096];
        const ssize_t n = read(out[0], chunk, sizeof chunk);
        if (n <= 0) break;
        answer.append(chunk, static_cast<std::size_t>(n));
    }
    close(out[0]);
    reap(child, give_up);
    while (!answer.empty() && answer.back() == '\n') answer.pop_back();
    return answer;
}

Keeper::Session Keeper::wait_for(const std::string& name) const {
    const Clock::time_point give_up = Clock::now() + LONGEST_LOGIN;
    Session session;
    while (Clock::now() < give_up) {
        if (session.game < 0) session.game = std::atoi(ask({"list-panes", "-t", "=" + name, "-F", "#{pane_pid}"}).c_str());
        if (session.client < 0)
            session.client = std::atoi(ask({"list-clients", "-t", "=" + name, "-F", "#{client_pid}"}).c_str());
        if (session.game <= 0) session.game = -1;
        if (session.client <= 0) session.client = -1;
        if (session.game > 0 && session.client > 0) break;
        usleep(LOOK_AGAIN_US);
    }
    return session;
}

bool Keeper::left_alone(const std::string& name) const {
    const std::string state = ask({"display-message", "-p", "-t", "=" + name + ":", "#{session_attached} #{@dunmar_left}"});
    return state.size() > 2 && state.starts_with("0 ");
}

pid_t Keeper::server() const {
    if (server_pid < 0) {
        const int pid = std::atoi(ask({"display-message", "-p", "#{pid}"}).c_str());
        if (pid > 0) server_pid = pid;
    }
    return server_pid;
}

void Keeper::stop() {
    if (folder.empty()) return;
    server();
    // Every process that names this folder: the server, its games, the
    // host command's hooks and any login still there. The folder's name is
    // this run's alone.
    std::vector<pid_t> ours = processes_mentioning(folder);
    if (server_pid > 0 && !process_gone(server_pid)) ours.push_back(server_pid);
    for (pid_t pid : ours)
        if (pid != getpid()) kill(pid, SIGTERM);
    const Clock::time_point give_up = Clock::now() + STOP_GRACE;
    const auto all_gone = [&] {
        for (pid_t pid : ours)
            if (pid != getpid() && !process_gone(pid)) return false;
        return true;
    };
    while (!all_gone() && Clock::now() < give_up) usleep(LOOK_AGAIN_US);
    for (pid_t pid : ours)
        if (pid != getpid() && !process_gone(pid)) kill(pid, SIGKILL);
}
