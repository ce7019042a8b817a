// Time from starting the game on a pseudo-terminal to the first frame of the
// intro on it, over several starts. Prints figures; never fails.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>
#include "table_row.h"

namespace {

double one_start() {
    int master = -1;
    winsize size{};
    size.ws_col = 80;
    size.ws_row = 25;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = forkpty(&master, nullptr, nullptr, &size);
    if (child == 0) {
        if (chdir(GAME_DATA_DIR) != 0) _exit(127);
        setenv("TERM", "xterm-256color", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl(GAME_PATH, GAME_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    double ms = -1;
    while (ms < 0) {
        pollfd ready{master, POLLIN, 0};
        if (poll(&ready, 1, 5000) <= 0) break;
        char bytes[4096];
        const ssize_t n = read(master, bytes, sizeof bytes);
        if (n <= 0) break;
        seen.append(bytes, n);
        if (seen.find("Welcome") != std::string::npos)
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    close(master);
    return ms;
}

}  // namespace

int main() {
    std::vector<double> times;
    for (int i = 0; i < 10; ++i) times.push_back(one_start());
    std::sort(times.begin(), times.end());
    std::printf("start to the intro's first frame, 10 starts: min %.1f ms, median %.1f ms, max %.1f ms\n", times[0],
                times[5], times[9]);
    table_row("start to the intro's first frame", "median %.1f ms (min %.1f, max %.1f)", times[5], times[0], times[9]);
    return 0;
}
