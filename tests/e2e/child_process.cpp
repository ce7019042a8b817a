#include "e2e/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
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
        is.failure = "no program to start";
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
        is.failure = "cannot start " + launch.argv[0] + ": " + std::strerror(error);
        return;
    }
    *this = adopt(pid);
    is.own_group = launch.own_session;
    if (is.pidfd < 0) {
        is.failure = "cannot wait for " + launch.argv[0] + ": " + std::strerror(errno);
        stop(0);
        is.pid = -1;
        is.code = 127 << 8;
    }
}

ChildProcess ChildProcess::adopt(pid_t pid) {
    ChildProcess child;
    // By its number: glibc 2.36 declares pidfd_open without C linkage.
    child.is = {pid, static_cast<int>(syscall(SYS_pidfd_open, pid, 0)), true, false, false};
    return child;
}

void ChildProcess::reap() {
    int status = 0;
    pid_t done;
    while ((done = waitpid(is.pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (done == is.pid) is.code = status;
    is.reaped = true;
    if (is.pidfd >= 0) close(is.pidfd);
    is.pidfd = -1;
}

std::optional<int> ChildProcess::wait(int timeout_ms) {
    if (!is.reaped) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        pollfd ended{is.pidfd, POLLIN, 0};
        int ready;
        while ((ready = poll(&ended, 1, remaining_ms(deadline))) < 0 && errno == EINTR) {
        }
        if (ready <= 0) return std::nullopt;
        reap();
    }
    return is.code;
}

void ChildProcess::signal(int sig) const {
    // The leader too, by itself: one just forked may not have its session yet.
    if (is.own_group) kill(-is.pid, sig);
    if (!is.reaped) kill(is.pid, sig);
}

int ChildProcess::stop(int grace_ms) {
    if (is.stopped) return is.code;
    is.stopped = true;
    if (!is.reaped && grace_ms > 0) {
        signal(SIGTERM);
        wait(grace_ms);
    }
    // Even after the leader: what it started may ignore SIGTERM and outlive it.
    signal(SIGKILL);
    if (!is.reaped) reap();
    return is.code;
}

namespace {

std::string written(int fd) {
    std::string text;
    char buffer[8192];
    for (ssize_t n; (n = pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

}  // namespace

ChildRun run_child(const ChildLaunch& launch, int timeout_ms) {
    // Files in memory, not pipes: nothing to drain while it runs, and a
    // daemon it starts cannot hold the wait open.
    const int out = memfd_create("stdout", MFD_CLOEXEC);
    const int err = memfd_create("stderr", MFD_CLOEXEC);
    ChildRun result;
    if (out >= 0 && err >= 0) {
        ChildProcess child(launch, out, err);
        const auto status = child.wait(timeout_ms);
        result.finished = status.has_value();
        result.status = status ? *status : child.stop(0);
        result.out = written(out);
        result.err = written(err);
    }
    if (out >= 0) close(out);
    if (err >= 0) close(err);
    return result;
}
