// What the keeper a host runs (tmux, as `dunmar-host login` starts it, see
// bench/load/keeper.h) costs the bytes reaching a player's terminal, and
// how soon a returning login has its screen back. Prints figures; never
// fails on them.
//
// Bytes: the game's renderer writes the frames of the whole map screen and
// of the hero walking (bench/screen_sequences.cpp) into a tmux session, and
// what tmux's client then writes to the player's terminal is counted, frame
// by frame, beside what the renderer writes to a terminal directly. tmux
// keeps a screen of its own and redraws it in its own way, so the two
// differ.
//
// Returning: the real game played through its intro to the map in a
// session, its client dropped as a dead connection drops it (the terminal
// closed under it), then the player's login again on a new terminal, timed
// from the login's start to the screen complete, cell for cell as before.
// Usage: keeper_bench [returns, default 20]
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "load/game_screen.h"
#include "load/keeper.h"
#include "load/proc_figures.h"
#include "platform/terminal/code_page_437.h"
#include "platform/terminal/renderer.h"
#include "screen_sequences.h"
#include "table_row.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int WIDTH = 80, HEIGHT = 25;
// tmux has sent all it will for a frame once it is this quiet.
constexpr milliseconds QUIET{150};
constexpr milliseconds LONGEST_FRAME{5000};
constexpr milliseconds LONGEST_INTRO{60000};
constexpr milliseconds LONGEST_RETURN{10000};
constexpr milliseconds LONGEST_LEAVE{5000};

// What the game sends as its terminal session starts: the alternate
// screen, the cursor hidden, a clean page, the mouse reports.
const char* const SESSION_START =
    "\x1b[?1049h\x1b[?25l\x1b[0m\x1b[2J\x1b[?1000h\x1b[?1002h\x1b[?1003h\x1b[?1006h";

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A player's terminal of 80 x 25 with the login on it.
struct Login {
    pid_t pid = -1;
    int fd = -1;
};

Login log_in(const Keeper& keeper, const std::string& name) {
    std::vector<std::string> argv_words = keeper.login(name);
    std::vector<std::string> env_words = login_environment(keeper.home());
    std::vector<char*> argv, envp;
    for (auto& w : argv_words) argv.push_back(w.data());
    argv.push_back(nullptr);
    for (auto& w : env_words) envp.push_back(w.data());
    envp.push_back(nullptr);
    winsize size{};
    size.ws_col = WIDTH;
    size.ws_row = HEIGHT;
    Login login;
    login.pid = forkpty(&login.fd, nullptr, nullptr, &size);
    if (login.pid == 0) {
        if (chdir(GAME_DATA_DIR) != 0) _exit(127);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (login.pid < 0) return {};
    fcntl(login.fd, F_SETFD, FD_CLOEXEC);
    fcntl(login.fd, F_SETFL, fcntl(login.fd, F_GETFL) | O_NONBLOCK);
    return login;
}

// The connection gone: the terminal closed under the client, which ends,
// and the login with it.
void drop(Login& login) {
    if (login.pid < 0) return;
    close(login.fd);
    const Clock::time_point give_up = Clock::now() + LONGEST_LEAVE;
    while (waitpid(login.pid, nullptr, WNOHANG) == 0) {
        if (Clock::now() >= give_up) {
            kill(login.pid, SIGKILL);
            waitpid(login.pid, nullptr, 0);
            break;
        }
        usleep(10000);
    }
    login = {};
}

// Reads what comes until the terminal has been quiet for QUIET (or
// `longest` has gone by); the bytes read.
long read_until_quiet(int fd, GameScreen& screen, milliseconds longest) {
    const Clock::time_point give_up = Clock::now() + longest;
    long bytes = 0;
    while (Clock::now() < give_up) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(QUIET.count())) <= 0) break;
        char chunk[8192];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) break;
        screen.feed(chunk, static_cast<std::size_t>(n));
        bytes += n;
    }
    return bytes;
}

bool blank(char32_t c) { return c == 0 || c == U' ' || c == U'\u00A0'; }

bool shows(const GameScreen& screen, const ScreenBuffer& frame) {
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            const char32_t want = cp437_to_unicode(frame.at(x, y).ch), got = screen.glyph_at(x, y);
            if (want != got && !(blank(want) && blank(got))) return false;
        }
    return true;
}

struct FrameBytes {
    long direct = 0;
    long keeper = -1;  // -1: the keeper could not be started
    bool keeper_screen_right = false;
};

// The frames after the first, as the renderer writes them; the first comes
// after the session's start, from a terminal nothing is known of.
std::vector<std::string> rendered(const ScreenSequence& seq, ColourMode mode) {
    std::vector<std::string> out(seq.frames.size());
    ShownScreen shown;
    out[0] = SESSION_START;
    for (std::size_t i = 0; i < seq.frames.size(); ++i) render_changes(seq.frames[i], shown, out[i], mode);
    return out;
}

// The frames written into a tmux session by a `cat` from a named pipe, in
// place of the game: what reaches the player's terminal for each.
FrameBytes bytes_of(const ScreenSequence& seq, ColourMode mode) {
    FrameBytes figures;
    const std::vector<std::string> frames = rendered(seq, mode);
    for (std::size_t i = 1; i < frames.size(); ++i) figures.direct += static_cast<long>(frames[i].size());

    char folder_name[] = "/tmp/keeper_bench.XXXXXX";
    if (!mkdtemp(folder_name)) return figures;
    const std::string folder = folder_name, pipe = folder + "/frames", writer = folder + "/frames.sh";
    // The terminal raw, as the game sets it, so nothing is changed on the way.
    std::ofstream(writer) << "#!/bin/sh\nstty raw -echo\nexec cat '" << pipe << "'\n";
    chmod(writer.c_str(), 0755);
    if (mkfifo(pipe.c_str(), 0600) == 0) {
        Keeper keeper(writer);
        Login login = log_in(keeper, "frames");
        const Keeper::Session session = keeper.ready() && login.pid > 0 ? keeper.wait_for("frames") : Keeper::Session{};
        // The pipe opens once cat has it open at the other end.
        int to_cat = -1;
        for (int tries = 0; session.game > 0 && to_cat < 0 && tries < 500; ++tries) {
            to_cat = open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (to_cat < 0) usleep(10000);
        }
        if (to_cat >= 0) {
            fcntl(to_cat, F_SETFL, fcntl(to_cat, F_GETFL) & ~O_NONBLOCK);
            GameScreen screen;
            long total = 0;
            for (std::size_t i = 0; i < frames.size(); ++i) {
                if (write(to_cat, frames[i].data(), frames[i].size()) != static_cast<ssize_t>(frames[i].size())) {
                    total = -1;
                    break;
                }
                const long bytes = read_until_quiet(login.fd, screen, LONGEST_FRAME);
                if (i > 0) total += bytes;
            }
            figures.keeper = total;
            figures.keeper_screen_right = total >= 0 && shows(screen, seq.frames.back());
            close(to_cat);  // cat ends, and the session with it
        }
        drop(login);
    }  // the keeper stopped here
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return figures;
}

struct Returns {
    std::vector<double> first_byte_ms, complete_ms;
    std::vector<long> bytes;
    int incomplete = 0;
    bool reached_map = false;
};

// Intro keys until the map shows and the game waits on it.
bool to_the_map(Login& login, pid_t game, GameScreen& screen) {
    const InputWaitProbe waits(game);
    const Clock::time_point give_up = Clock::now() + LONGEST_INTRO;
    while (Clock::now() < give_up) {
        read_until_quiet(login.fd, screen, LONGEST_FRAME);
        if (!waits.waiting()) {
            usleep(30000);
            continue;
        }
        if (screen.shows_map()) return true;
        if (write(login.fd, " ", 1) != 1) return false;
    }
    return false;
}

Returns returns_of(int rounds) {
    Returns r;
    Keeper keeper(GAME_PATH);
    if (!keeper.ready()) return r;
    Login login = log_in(keeper, "hero");
    const Keeper::Session session = keeper.wait_for("hero");
    GameScreen before;
    if (session.game < 0 || !to_the_map(login, session.game, before)) {
        drop(login);
        return r;
    }
    r.reached_map = true;
    char32_t cells[HEIGHT][WIDTH];
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) cells[y][x] = before.glyph_at(x, y);
    const auto complete = [&](const GameScreen& screen) {
        for (int y = 0; y < HEIGHT; ++y)
            for (int x = 0; x < WIDTH; ++x) {
                const char32_t got = screen.glyph_at(x, y);
                if (got != cells[y][x] && !(blank(got) && blank(cells[y][x]))) return false;
            }
        return true;
    };
    for (int round = 0; round < rounds; ++round) {
        drop(login);
        // Back once the host command has seen the client go, and its hook
        // is done, as it is long before any real return.
        const Clock::time_point give_up = Clock::now() + LONGEST_LEAVE;
        while (!keeper.left_alone("hero") && Clock::now() < give_up) usleep(10000);
        usleep(200000);

        GameScreen screen;
        const Clock::time_point began = Clock::now();
        login = log_in(keeper, "hero");
        if (login.pid < 0) break;
        Clock::time_point first{}, done{};
        long bytes = 0;
        const Clock::time_point last_chance = began + LONGEST_RETURN;
        while (Clock::now() < last_chance) {
            pollfd ready{login.fd, POLLIN, 0};
            const bool waited_long = done != Clock::time_point{};
            const int timeout = waited_long ? static_cast<int>(QUIET.count()) : 100;
            const int n_ready = poll(&ready, 1, timeout);
            if (n_ready < 0) break;
            if (n_ready == 0) {
                if (waited_long) break;  // the repaint is over
                continue;
            }
            char chunk[8192];
            const ssize_t n = read(login.fd, chunk, sizeof chunk);
            if (n <= 0) break;
            const Clock::time_point now = Clock::now();
            if (first == Clock::time_point{}) first = now;
            screen.feed(chunk, static_cast<std::size_t>(n));
            bytes += n;
            if (done == Clock::time_point{} && complete(screen)) done = now;
        }
        if (done == Clock::time_point{}) {
            ++r.incomplete;
            continue;
        }
        r.first_byte_ms.push_back(ms_between(began, first));
        r.complete_ms.push_back(ms_between(began, done));
        r.bytes.push_back(bytes);
    }
    drop(login);
    return r;
}

template <typename T>
T median(std::vector<T> v) {
    if (v.empty()) return T{};
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename T>
T largest(const std::vector<T>& v) {
    return v.empty() ? T{} : *std::max_element(v.begin(), v.end());
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    signal(SIGPIPE, SIG_IGN);
    const std::vector<ScreenSequence> sequences = screen_sequences();

    std::printf("%-18s %-13s | %8s | %8s %6s | %s\n", "sequence", "colours", "direct", "tmux", "ratio",
                "screen right through tmux");
    for (const ColourMode mode : {ColourMode::standard16, ColourMode::rgb}) {
        const char* colours = mode == ColourMode::rgb ? "24-bit colour" : "16 colours";
        for (const ScreenSequence& seq : sequences) {
            if (seq.name != "whole map screen" && seq.name != "walking step") continue;
            const FrameBytes b = bytes_of(seq, mode);
            const double per = seq.steps > 0 ? seq.steps : 1;
            const double ratio = b.direct > 0 && b.keeper >= 0 ? static_cast<double>(b.keeper) / static_cast<double>(b.direct) : 0;
            std::printf("%-18s %-13s | %8.1f | %8.1f %5.2fx | %s\n", seq.name.c_str(), colours,
                        static_cast<double>(b.direct) / per, static_cast<double>(b.keeper) / per, ratio,
                        b.keeper < 0 ? "(no keeper)" : b.keeper_screen_right ? "yes" : "NO");
            char what[120];
            std::snprintf(what, sizeof what, "terminal bytes through tmux, %s, %s", seq.name.c_str(), colours);
            table_row(what, "%.1f bytes%s (direct %.1f, %.2fx)", static_cast<double>(b.keeper) / per,
                      seq.steps > 0 ? " a step" : "", static_cast<double>(b.direct) / per, ratio);
        }
    }
    std::printf("(bytes over the frames after the first; a walk's per step)\n\n");
    std::fflush(stdout);

    const Returns r = returns_of(rounds);
    if (!r.reached_map) {
        std::printf("returning login: the game never reached the map through the keeper\n");
        return 0;
    }
    std::printf("returning login to the map screen, %zu of %d returns complete (%d not within %lld ms):\n",
                r.complete_ms.size(), rounds, r.incomplete, static_cast<long long>(LONGEST_RETURN.count()));
    std::printf("  first byte after the login's start: median %.1f ms, slowest %.1f ms\n", median(r.first_byte_ms),
                largest(r.first_byte_ms));
    std::printf("  screen complete, cell for cell:      median %.1f ms, slowest %.1f ms\n", median(r.complete_ms),
                largest(r.complete_ms));
    std::printf("  bytes of the repaint:                median %ld, most %ld\n", median(r.bytes), largest(r.bytes));
    table_row("returning login, the map screen complete again", "median %.1f ms, slowest %.1f ms (%ld bytes)",
              median(r.complete_ms), largest(r.complete_ms), median(r.bytes));
    return 0;
}
