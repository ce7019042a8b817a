#include "e2e/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "e2e/driver_support.h"

extern char** environ;

using driver_support::Clock;
using driver_support::remaining_ms;

std::vector<std::string> environment_with(const std::vector<std::pair<std::string, std::string>>& set,
                                          const std::vector<std::string_view>& unset) {
    const auto dropped = [&](std::string_view name) {
        for (const std::string_view u : unset)
            if (u.ends_with('*') ? name.starts_with(u.substr(0, u.size() - 1)) : name == u) return true;
        return std::any_of(set.begin(), set.end(), [&](const auto& pair) { return pair.first == name; });
    };
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view e = *entry;
        if (!dropped(e.substr(0, e.find('=')))) env.emplace_back(e);
    }
    for (const auto& [name, value] : set) env.push_back(name + "=" + value);
    return env;
}

ChildProcess::ChildProcess(const ChildLaunch& launch, int out_fd, int err_fd) {
    if (launch.argv.empty()) {
        failure = "no program to start";
        return;
    }
    std::vector<std::string> args = launch.argv;
    std::vector<std::string> env = launch.environment.value_or(std::vector<std::string>{});
    std::vector<char*> argv = driver_support::c_strings(args);
    std::vector<char*> envp = driver_support::c_strings(env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (out_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
    else if (!launch.log.empty())
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, launch.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    if (err_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, err_fd, STDERR_FILENO);
    else if (!launch.log.empty() && launch.errors_to_log)
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    // The test runner's blocked or ignored signals must not reach the program.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                             (launch.own_session ? POSIX_SPAWN_SETSID : 0)));
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(),
                                   launch.environment ? envp.data() : environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        failure = "cannot start " + launch.argv[0] + ": " + std::strerror(error);
        return;
    }
    *this = adopt(pid);
    own_group = launch.own_session;
    if (pidfd < 0) {
        failure = "cannot wait for " + launch.argv[0] + ": " + std::strerror(errno);
        stop(0);
        pid_ = -1;
        code = 127 << 8;
    }
}

ChildProcess ChildProcess::adopt(pid_t pid) {
    ChildProcess child;
    child.pid_ = pid;
    // By its number: glibc 2.36 declares pidfd_open without C linkage.
    child.pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    child.own_group = true;
    child.reaped = child.stopped = false;
    return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept { *this = std::move(other); }

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this == &other) return *this;
    stop();
    pid_ = std::exchange(other.pid_, -1);
    pidfd = std::exchange(other.pidfd, -1);
    own_group = other.own_group;
    reaped = std::exchange(other.reaped, true);
    stopped = std::exchange(other.stopped, true);
    code = other.code;
    failure = std::move(other.failure);
    return *this;
}

void ChildProcess::reap() {
    int status = 0;
    pid_t done;
    while ((done = waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    if (done == pid_) code = status;
    reaped = true;
    if (pidfd >= 0) close(pidfd);
    pidfd = -1;
}

std::optional<int> ChildProcess::wait(int timeout_ms) {
    if (!reaped) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        pollfd ended{pidfd, POLLIN, 0};
        int ready;
        while ((ready = poll(&ended, 1, remaining_ms(deadline))) < 0 && errno == EINTR) {
        }
        if (ready <= 0) return std::nullopt;
        reap();
    }
    return code;
}

void ChildProcess::signal(int sig) const {
    // The leader too, by itself: one just forked may not have its session yet.
    if (own_group) kill(-pid_, sig);
    if (!reaped) kill(pid_, sig);
}

int ChildProcess::stop(int grace_ms) {
    if (stopped) return code;
    stopped = true;
    if (reaped) {
        signal(SIGKILL);
        return code;
    }
    if (grace_ms > 0) {
        signal(SIGTERM);
        if (wait(grace_ms)) {
            // What it started may ignore SIGTERM and outlive it.
            if (own_group) kill(-pid_, SIGKILL);
            return code;
        }
    }
    signal(SIGKILL);
    reap();
    return code;
}

ChildRun run_child(const ChildLaunch& launch, int timeout_ms) {
    ChildRun result;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return result;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    ChildProcess child(launch, out[1], err[1]);
    close(out[1]);
    close(err[1]);

    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {child.exit_fd(), POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    // Until both pipes close, or the program has ended and what it wrote is read.
    while ((fds[0].fd >= 0 || fds[1].fd >= 0) && remaining_ms(deadline) > 0) {
        const int ready = poll(fds, 3, child.exited() ? 0 : remaining_ms(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        if (fds[2].revents != 0) {
            child.wait(0);
            fds[2].fd = -1;
        }
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[8192];
            const ssize_t count = read(fds[k].fd, buffer, sizeof buffer);
            if (count > 0) {
                sinks[k]->append(buffer, static_cast<size_t>(count));
            } else if (count == 0 || errno != EINTR) {
                close(fds[k].fd);
                fds[k].fd = -1;
            }
        }
    }
    for (int k = 0; k < 2; ++k)
        if (fds[k].fd >= 0) close(fds[k].fd);
    if (const auto status = child.wait(remaining_ms(deadline))) {
        result.finished = true;
        result.status = *status;
    } else {
        result.status = child.stop(0);
    }
    return result;
}
