// CPU time the console layer uses while it waits for input: the console
// demo runs on a pseudo-terminal for ten seconds without a key or a mouse
// movement, and its user and system time are read from /proc. Prints the
// figure; never fails.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include "table_row.h"

namespace {

// utime + stime of a process in clock ticks, fields 14 and 15 of its stat.
long cpu_ticks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    return utime + stime;
}

void drain(int fd) {
    char bytes[4096];
    while (read(fd, bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

int main() {
    int master = -1;
    winsize size{};
    size.ws_col = 80;
    size.ws_row = 25;
    const pid_t child = forkpty(&master, nullptr, nullptr, &size);
    if (child == 0) {
        setenv("TERM", "xterm-256color", 1);
        execl(CONSOLE_DEMO_PATH, CONSOLE_DEMO_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    fcntl(master, F_SETFL, O_NONBLOCK);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // let it draw its first frame
    drain(master);
    const long before = cpu_ticks(child);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long used = cpu_ticks(child) - before;
    drain(master);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    const long ticks_per_second = sysconf(_SC_CLK_TCK);
    std::printf("CPU used while waiting %.1f s for input: %ld ticks = %.1f ms (%.3f %%)\n", waited, used,
                used * 1000.0 / ticks_per_second, used * 100.0 / ticks_per_second / waited);
    table_row("CPU while waiting for input", "%.3f %% over %.0f s", used * 100.0 / ticks_per_second / waited, waited);
    return 0;
}
