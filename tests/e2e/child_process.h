// The programs the end-to-end harness runs: daemons, X servers, emulators,
// tmux and sshd, started with posix_spawn, and the program on libvterm's
// pty, which forkpty starts. Each is waited for through a pidfd (no
// polling, however long the limit) and always stopped and reaped by its
// PID, so a failing test leaves nothing running.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The test's own environment with `set` put in, and without the variables
// named in `unset` (a trailing '*' names a prefix).
std::vector<std::string> environment_with(const std::vector<std::pair<std::string, std::string>>& set,
                                          const std::vector<std::string_view>& unset = {});

struct ChildLaunch {
    std::vector<std::string> argv = {};  // argv[0] is looked up on PATH unless it holds a slash
    // "NAME=value" each; without it, the test's own environment.
    std::optional<std::vector<std::string>> environment = {};
    // stdout and stderr go to this file, emptied first; without one, to the
    // test's own. stdin is always /dev/null.
    std::string log = {};
    bool errors_to_log = true;  // false: stderr stays the test's (when stdout is data)
    // A session of its own, so that stopping it reaches whatever it started.
    bool own_session = false;
};

struct ChildRun {
    bool finished = false;  // false: killed at the limit
    int status = -1;        // waitpid status
    std::string out;
    std::string err;
};

constexpr int CHILD_STOP_MS = 5000;  // what a program may take to end on SIGTERM, on a busy machine

class ChildProcess {
public:
    ChildProcess() = default;
    explicit ChildProcess(const ChildLaunch& launch) : ChildProcess(launch, -1, -1) {}
    // One started otherwise (forkpty) as the leader of its own session.
    static ChildProcess adopt(pid_t pid);
    ~ChildProcess() { stop(); }
    ChildProcess(ChildProcess&& other) noexcept : is(std::exchange(other.is, {})) {}
    ChildProcess& operator=(ChildProcess&& other) noexcept {
        stop();
        is = std::exchange(other.is, {});
        return *this;
    }

    // A program that could not start says why, and counts as one that
    // ended with status 127, as a shell would have it.
    bool started() const { return is.pid > 0; }
    const std::string& error() const { return is.failure; }
    pid_t pid() const { return is.pid; }

    // Its waitpid status once it has ended, waiting up to timeout_ms;
    // nothing while it still runs.
    std::optional<int> wait(int timeout_ms);
    bool exited() const { return is.reaped; }
    int status() const { return is.code; }
    // Readable once it has ended, for a poll() that waits on more than it;
    // -1 once reaped.
    int exit_fd() const { return is.pidfd; }

    // SIGTERM, to its whole session if it has one, and SIGKILL if it is
    // still there after grace_ms (at once for 0); reaped either way. A
    // session whose leader already ended gets SIGKILL: nothing is left to
    // wait for. Its waitpid status.
    int stop(int grace_ms = CHILD_STOP_MS);

private:
    // stdout and stderr to these descriptors, where not -1.
    ChildProcess(const ChildLaunch& launch, int out_fd, int err_fd);
    void signal(int sig) const;
    void reap();
    friend ChildRun run_child(const ChildLaunch& launch, int timeout_ms);

    struct State {
        pid_t pid = -1;
        int pidfd = -1;
        bool own_group = false;
        bool reaped = true;
        bool stopped = true;
        int code = 127 << 8;
        std::string failure = {};
    } is;
};

// Runs a program to its end, collecting stdout and stderr (launch.log is
// not used), killed if it outlives timeout_ms. What a daemon it started
// writes after it ended is not waited for.
ChildRun run_child(const ChildLaunch& launch, int timeout_ms);
