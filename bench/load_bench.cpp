// Many players on one machine: N real games at once, each on its own
// pseudo-terminal of 80 x 25 in the data folder, as a host serving them over
// ssh would run them, each played by a scripted player (intro keys, walking
// with mouse motion, map menus, battle commands). One process drives them
// all with one poll. Over a measuring window it takes, per player, the CPU
// while walking and in battle, the resident and proportional memory, and
// the delay from each input to the game's first byte in answer; the player
// only acts when the game waits for it, so that delay lies beyond the game's
// own pauses. Every game is stopped by its PID at the end. Prints figures;
// never fails on them.
// Usage: load_bench [--seconds S] [--without-sound] [--through-tmux | --both] [N ...]
//   default: N = 1 10 50 200, 60 s each. --without-sound plays the game with
//   its sound taken out (bench/load/game_without_sound.cpp), to tell what
//   sound costs a player. --through-tmux plays every game through the
//   keeper a host runs (bench/load/keeper.h): each player's terminal is the
//   login's, running `dunmar-host login`, whose tmux client attaches to the
//   player's session in one server; the keeper's CPU and memory are added
//   to the player's. --both runs each N directly, then through the keeper.
//   LOAD_BENCH_TRACE=1 tells what the first player sends and sees.
#include <fcntl.h>
#include <sys/epoll.h>
#include <pty.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "load/keeper.h"
#include "load/proc_figures.h"
#include "load/scripted_player.h"
#include "table_row.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Games start this far apart, as logins come in, not all in one instant.
constexpr milliseconds START_APART{25};
// The window opens once every game has reached the map and walked a while,
// or this long after the last start, whichever comes first.
constexpr seconds SETTLE{3};
constexpr seconds LONGEST_START{60};
constexpr seconds STOP_GRACE{3};
// Games whose memory is read between two polls.
constexpr std::size_t MEMORY_SAMPLES_AT_ONCE = 8;

volatile sig_atomic_t stop_requested = 0;
void request_stop(int) { stop_requested = 1; }

double seconds_between(Moment from, Moment to) { return std::chrono::duration<double>(to - from).count(); }

struct Game {
    pid_t pid = -1;     // the game
    pid_t child = -1;   // what runs on the terminal: the game, or the player's login to the keeper
    pid_t client = -1;  // the login's tmux client
    int fd = -1;
    bool live = false;
    int exit_status = -1;  // the wait status of a game that ended by itself
    std::unique_ptr<ScriptedPlayer> player;
    // The CPU account: the stage being counted, since when, from which tick.
    Stage counted = Stage::intro;
    Moment since{};
    long long ticks_then = 0;
    long long client_ticks_then = 0;
    bool reached_map = false;
};

// Every game started, and every one stopped by its PID however the run ends;
// through the keeper, the keeper's server and all it runs too.
class Games {
public:
    Games(const char* game_program, std::string home_folder, bool through_keeper)
        : poller(epoll_create1(EPOLL_CLOEXEC)), program(game_program), home(std::move(home_folder)) {
        if (through_keeper) keeper = std::make_unique<Keeper>(program);
    }
    ~Games() {
        stop_all();
        close(poller);
    }
    Games(const Games&) = delete;
    Games& operator=(const Games&) = delete;

    bool start(unsigned seed) {
        if (keeper && !keeper->ready()) return false;
        winsize size{};
        size.ws_col = 80;
        size.ws_row = 25;
        std::vector<std::string> env = login_environment(keeper ? keeper->home() : home);
        std::vector<char*> envp;
        for (auto& entry : env) envp.push_back(entry.data());
        envp.push_back(nullptr);
        const std::string name = "p" + std::to_string(all.size() + 1);
        std::vector<std::string> command = keeper ? keeper->login(name) : std::vector<std::string>{program};
        std::vector<char*> argv;
        for (auto& word : command) argv.push_back(word.data());
        argv.push_back(nullptr);
        int master = -1;
        const pid_t child = forkpty(&master, nullptr, nullptr, &size);
        if (child < 0) return false;
        if (child == 0) {
            // Should the benchmark itself be killed, its games go too (the
            // keeper's, after their short grace period).
            prctl(PR_SET_PDEATHSIG, SIGHUP);
            if (chdir(GAME_DATA_DIR) != 0) _exit(127);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        // Later games must not inherit this terminal, or it would outlive
        // the benchmark.
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        Game game;
        game.pid = child;
        game.child = child;
        game.fd = master;
        game.live = true;
        if (keeper) {
            const Keeper::Session session = keeper->wait_for(name);
            if (session.game < 0 || session.client < 0) {
                std::fprintf(stderr, "load_bench: %s's session did not come up in the keeper\n", name.c_str());
                kill(child, SIGKILL);
                waitpid(child, nullptr, 0);
                close(master);
                return false;
            }
            game.pid = session.game;
            game.client = session.client;
        }
        game.player =
            std::make_unique<ScriptedPlayer>(game.pid, master, seed, all.empty() && std::getenv("LOAD_BENCH_TRACE"));
        game.since = BenchClock::now();
        game.ticks_then = cpu_ticks(game.pid);
        game.client_ticks_then = game.client > 0 ? cpu_ticks(game.client) : 0;
        epoll_event watch{};
        watch.events = EPOLLIN;
        watch.data.u32 = static_cast<std::uint32_t>(all.size());
        epoll_ctl(poller, EPOLL_CTL_ADD, master, &watch);
        all.push_back(std::move(game));
        return true;
    }

    // A game whose terminal closed: reap what ran on it, and should it
    // linger without its terminal, stop it.
    void ended(Game& game) {
        if (!game.live) return;
        game.live = false;
        int status = 0;
        pid_t reaped = 0;
        for (int tries = 0; tries < 100 && (reaped = waitpid(game.child, &status, WNOHANG)) == 0; ++tries)
            usleep(10000);
        if (reaped == 0) {
            kill(game.child, SIGKILL);
            waitpid(game.child, nullptr, 0);
        }
        if (game.pid != game.child && !process_gone(game.pid)) kill(game.pid, SIGKILL);
        game.exit_status = reaped == game.child ? status : -1;
        close(game.fd);
    }

    void stop_all() {
        // The games first: through the keeper, a game's end ends its
        // session, its client and the login.
        for (Game& game : all)
            if (game.live) kill(game.pid, SIGTERM);
        const Moment give_up = BenchClock::now() + STOP_GRACE;
        bool any = true;
        while (any && BenchClock::now() < give_up) {
            any = false;
            for (Game& game : all) {
                if (!game.live) continue;
                char drain[4096];
                while (read(game.fd, drain, sizeof drain) > 0) {
                }
                int status = 0;
                if (waitpid(game.child, &status, WNOHANG) == game.child) {
                    game.live = false;
                    close(game.fd);
                } else {
                    any = true;
                }
            }
            if (any) usleep(10000);
        }
        for (Game& game : all) {
            if (!game.live) continue;
            // A client blocked on a full terminal ignores TERM: the terminal
            // goes first.
            close(game.fd);
            if (game.pid != game.child) kill(game.pid, SIGKILL);
            kill(game.child, SIGKILL);
            waitpid(game.child, nullptr, 0);
            game.live = false;
        }
        if (keeper) keeper->stop();
    }

    std::vector<Game> all;
    // Every live game's terminal; an event names the game by its index.
    const int poller;
    std::unique_ptr<Keeper> keeper;  // null for games run directly

private:
    const char* program;
    std::string home;
};

struct Spread {
    std::size_t count = 0;
    std::size_t lost = 0;  // never answered; counted at the timeout
    double median = 0, p99 = 0, worst = 0;
};

Spread spread_of(std::vector<double> values, std::size_t lost) {
    Spread s;
    s.lost = lost;
    s.count = values.size();
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    const auto rank = [&](double q) {
        const auto index = static_cast<std::size_t>(std::ceil(q * static_cast<double>(values.size())));
        return values[std::min(values.size() - 1, index == 0 ? 0 : index - 1)];
    };
    s.median = rank(0.5);
    s.p99 = rank(0.99);
    s.worst = values.back();
    return s;
}

struct Figures {
    int players = 0;
    bool without_sound = false;
    bool through_keeper = false;
    int running_at_end = 0;
    double window_s = 0;
    double cpu_percent[STAGE_COUNT] = {};  // of one core, per player
    double player_seconds[STAGE_COUNT] = {};
    double rss_mb = 0, rss_mb_max = 0, pss_mb = 0, pss_mb_max = 0, pss_total_mb = 0;
    // Through the keeper: each player's tmux client, by stage as the game;
    // the server, shared by all, over the whole window, its CPU and memory
    // as a player's share; the login's shell, which waits for the client.
    double client_cpu_percent[STAGE_COUNT] = {};
    double server_cpu_percent = 0;
    double client_pss_mb = 0, login_pss_mb = 0, server_pss_mb = 0, server_rss_mb = 0;
    Spread by_ask[ASK_COUNT];
    Spread all;       // every answer in the window
    Spread step_bytes;  // what the player's terminal got for each walking step
    double step_bytes_mean = 0;
    Spread intro;     // intro keys, before the window
    int unexpected = 0, battles = 0, reached_map = 0;
    std::vector<std::string> ended_early;  // how each game that ended before the window closed ended
    double system_busy_percent = 0;  // of all cores together
    double driver_percent = 0;       // this process, of one core
    // How late this process woke from its timed waits within the window:
    // what the machine's load adds to every figure above, the driver's share.
    Spread driver_late;
    double load_before = 0, load_after = 0;
    std::map<std::string, long long> thread_ticks;
    std::vector<MappingMemory> one_player_memory;
    // Second by second through the window: where the players were, and the
    // answers to inputs sent in that second.
    struct Second {
        int players_in[STAGE_COUNT] = {};
        int inputs = 0, slow = 0;
        double worst_ms = 0;
        double driver_percent = 0;  // this process's CPU over the second, of one core
    };
    std::vector<Second> seconds;
};

// An answer slower than this is counted in the second-by-second account.
constexpr double SLOW_MS = 50;

double load_average() {
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

double own_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Closes the CPU account of a game's current stage and opens the next.
// The CPU ticks of the games and of their tmux clients, by stage.
struct StageTicks {
    double game[STAGE_COUNT] = {};
    double client[STAGE_COUNT] = {};
};

void account(Game& game, Stage next, Moment now, bool counting, Figures& figures, StageTicks& ticks) {
    const long long ticks_now = cpu_ticks(game.pid);
    if (ticks_now < 0) return;
    const long long client_now = game.client > 0 ? std::max(0LL, cpu_ticks(game.client)) : 0;
    if (counting) {
        const int stage = static_cast<int>(game.counted);
        ticks.game[stage] += static_cast<double>(ticks_now - game.ticks_then);
        ticks.client[stage] += static_cast<double>(client_now - game.client_ticks_then);
        figures.player_seconds[stage] += seconds_between(game.since, now);
    }
    game.counted = next;
    game.since = now;
    game.ticks_then = ticks_now;
    game.client_ticks_then = client_now;
}

// Memory samples in MB: each game's, each tmux client's and login's, the
// keeper's server's.
struct MemorySamples {
    std::vector<double> rss, pss, client_pss, login_pss, server_rss, server_pss;
};

void add_sample(std::vector<double>& to, long long kb) {
    if (kb > 0) to.push_back(static_cast<double>(kb) / 1024.0);
}

// The games from first up to (not including) last; the keeper's server
// with the last of them.
void sample_memory(const Games& games, MemorySamples& memory, std::size_t first = 0, std::size_t last = SIZE_MAX) {
    last = std::min(last, games.all.size());
    for (std::size_t i = first; i < last; ++i) {
        const Game& game = games.all[i];
        if (!game.live) continue;
        add_sample(memory.rss, resident_kb(game.pid));
        add_sample(memory.pss, proportional_kb(game.pid));
        if (game.client > 0) {
            add_sample(memory.client_pss, proportional_kb(game.client));
            add_sample(memory.login_pss, proportional_kb(game.child));
        }
    }
    if (last == games.all.size() && games.keeper && games.keeper->server() > 0) {
        add_sample(memory.server_rss, resident_kb(games.keeper->server()));
        add_sample(memory.server_pss, proportional_kb(games.keeper->server()));
    }
}

// What only a look at the games still running tells, once the window has
// closed: how many, their threads' CPU, one player's memory by mapping and
// the memory of them all.
void games_at_window_end(const Games& games, Figures& figures) {
    double total_pss = 0;
    for (const Game& game : games.all) {
        if (!game.live) continue;
        ++figures.running_at_end;
        for (const ThreadTicks& t : thread_ticks(game.pid)) figures.thread_ticks[t.name] += t.ticks;
        if (figures.one_player_memory.empty()) figures.one_player_memory = memory_by_mapping(game.pid);
        total_pss += static_cast<double>(std::max(0LL, proportional_kb(game.pid))) / 1024.0;
    }
    figures.pss_total_mb = total_pss;
}

// The answers to inputs sent within the window, by what was asked and by
// second; the intro keys, sent before it, apart.
void sum_up_answers(const Games& games, Moment window_open, Moment window_close, Figures& figures) {
    std::vector<double> by_ask[ASK_COUNT], all, intro, step_bytes;
    std::size_t lost[ASK_COUNT] = {}, all_lost = 0, intro_lost = 0;
    for (const Game& game : games.all)
        for (const Answered& a : game.player->answers()) {
            if (a.ask == Ask::intro_key) {
                intro.push_back(a.ms);
                intro_lost += !a.in_time;
            }
            if (a.sent < window_open || a.sent >= window_close) continue;
            by_ask[static_cast<int>(a.ask)].push_back(a.ms);
            all.push_back(a.ms);
            if (a.bytes >= 0) step_bytes.push_back(static_cast<double>(a.bytes));
            const auto second = static_cast<std::size_t>(seconds_between(window_open, a.sent));
            if (second < figures.seconds.size()) {
                Figures::Second& s = figures.seconds[second];
                ++s.inputs;
                s.slow += a.ms > SLOW_MS;
                s.worst_ms = std::max(s.worst_ms, a.ms);
            }
            lost[static_cast<int>(a.ask)] += !a.in_time;
            all_lost += !a.in_time;
        }
    for (int ask = 0; ask < ASK_COUNT; ++ask) figures.by_ask[ask] = spread_of(by_ask[ask], lost[ask]);
    figures.all = spread_of(all, all_lost);
    figures.step_bytes = spread_of(step_bytes, 0);
    for (double b : step_bytes) figures.step_bytes_mean += b / static_cast<double>(step_bytes.size());
    figures.intro = spread_of(intro, intro_lost);
}

Figures run_load(int players, int window_seconds, bool without_sound, bool through_keeper) {
    Figures figures;
    figures.players = players;
    figures.without_sound = without_sound;
    figures.through_keeper = through_keeper;
    figures.load_before = load_average();
    char home_template[] = "/tmp/load_bench_home.XXXXXX";
    const char* home = mkdtemp(home_template);
    if (!home) return figures;
    StageTicks ticks;
    MemorySamples memory;
    long long server_ticks_before = 0;
    {
        Games games(without_sound ? SILENT_GAME_PATH : GAME_PATH, home, through_keeper);
        const Moment began = BenchClock::now();
        Moment window_open{}, window_close{}, middle{};
        bool counting = false, window_done = false, middle_sampled = false;
        std::size_t middle_next = 0;  // the next game the middle memory sample reads
        SystemTicks system_before{};
        double own_before = 0, own_last_second = 0;
        epoll_event events[256];
        std::vector<double> late_ms;
        Moment wake = began;
        Moment all_on_map_since{};
        while (!stop_requested) {
            Moment now = BenchClock::now();
            const int started = static_cast<int>(games.all.size());
            if (started < players && now >= began + started * START_APART) {
                if (!games.start(1000u + static_cast<unsigned>(started))) {
                    std::fprintf(stderr, "load_bench: could not start game %d: %s\n", started, std::strerror(errno));
                    break;
                }
                continue;
            }
            const bool all_started = started == players;
            const Moment last_start = began + (players - 1) * START_APART;
            if (all_started && !counting && !window_done) {
                const bool all_on_map = std::all_of(games.all.begin(), games.all.end(),
                                                    [](const Game& g) { return g.reached_map || !g.live; });
                if (!all_on_map) all_on_map_since = Moment{};
                if (all_on_map && all_on_map_since == Moment{}) all_on_map_since = now;
                if ((all_on_map && now >= all_on_map_since + SETTLE) || now >= last_start + LONGEST_START) {
                    for (Game& game : games.all)
                        if (game.live) account(game, game.player->stage(), now, false, figures, ticks);
                    counting = true;
                    window_open = now;
                    window_close = now + seconds(window_seconds);
                    middle = now + seconds(window_seconds) / 2;
                    system_before = system_ticks();
                    own_before = own_cpu_seconds();
                    if (games.keeper) server_ticks_before = cpu_ticks(games.keeper->server());
                }
            }
            if (counting && now >= window_open + seconds(figures.seconds.size())) {
                const double own_now = own_cpu_seconds();
                if (!figures.seconds.empty()) figures.seconds.back().driver_percent = 100.0 * (own_now - own_last_second);
                own_last_second = own_now;
                Figures::Second second;
                for (const Game& game : games.all)
                    if (game.live) ++second.players_in[static_cast<int>(game.player->stage())];
                figures.seconds.push_back(second);
            }
            // The middle sample is taken a few games at a time between
            // polls: read all at once, a thousand games' memory maps would
            // keep this driver from their output for a third of a second.
            if (counting && !middle_sampled && now >= middle) {
                sample_memory(games, memory, middle_next, middle_next + MEMORY_SAMPLES_AT_ONCE);
                middle_next += MEMORY_SAMPLES_AT_ONCE;
                middle_sampled = middle_next >= games.all.size();
            }
            if (counting && now >= window_close) {
                for (Game& game : games.all)
                    if (game.live) account(game, game.player->stage(), now, true, figures, ticks);
                counting = false;
                window_done = true;
                const SystemTicks system_after = system_ticks();
                figures.window_s = seconds_between(window_open, now);
                figures.system_busy_percent = 100.0 * static_cast<double>(system_after.busy - system_before.busy) /
                                              static_cast<double>(std::max(1LL, system_after.total - system_before.total));
                figures.driver_percent = 100.0 * (own_cpu_seconds() - own_before) / figures.window_s;
                if (games.keeper)
                    figures.server_cpu_percent = 100.0 *
                                                 static_cast<double>(cpu_ticks(games.keeper->server()) - server_ticks_before) /
                                                 ticks_per_second() / figures.window_s / players;
                sample_memory(games, memory);
                games.all.front().player->trace_screen();
                games_at_window_end(games, figures);
                break;
            }
            if (!counting && !window_done && now >= last_start + LONGEST_START + seconds(window_seconds)) break;

            // Wait for output, or until some player or the schedule wants
            // to act.
            Moment until = wake;
            if (started < players) until = std::min(until, began + started * START_APART);
            if (counting) until = std::min(until, middle_sampled ? window_close : middle);
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - now).count();
            timespec timeout{};
            if (left > 0) {
                timeout.tv_sec = static_cast<time_t>(left / 1000000000);
                timeout.tv_nsec = static_cast<long>(left % 1000000000);
            }
            const int ready = epoll_pwait2(games.poller, events, 256, &timeout, nullptr);
            if (ready < 0 && errno != EINTR) break;
            now = BenchClock::now();
            if (ready == 0 && counting) late_ms.push_back(std::chrono::duration<double, std::milli>(now - until).count());
            for (int i = 0; i < ready; ++i) {
                Game& game = games.all[events[i].data.u32];
                if (!game.live) continue;
                char bytes[8192];
                const ssize_t n = read(game.fd, bytes, sizeof bytes);
                if (n > 0) {
                    game.player->output(bytes, static_cast<std::size_t>(n), now);
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    games.ended(game);  // the game is over: its terminal closed
                }
            }
            wake = now + seconds(1);
            for (Game& game : games.all) {
                if (!game.live) continue;
                wake = std::min(wake, game.player->act(now));
                const Stage stage = game.player->stage();
                if (stage != game.counted) account(game, stage, now, counting, figures, ticks);
                if (stage != Stage::intro) game.reached_map = true;
            }
        }
        for (const Game& game : games.all) {
            const ScriptedPlayer& p = *game.player;
            figures.reached_map += game.reached_map;
            if (!game.live) {
                const int status = game.exit_status;
                figures.ended_early.push_back(
                    (status == -1          ? std::string("not reaped")
                     : WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                           : "exit status " + std::to_string(WEXITSTATUS(status))) +
                    (p.hero_fell() ? " after the hero fell" : ""));
            }
            figures.unexpected += p.not_as_expected();
            figures.battles += p.battles();
        }
        if (window_done) sum_up_answers(games, window_open, window_close, figures);
        figures.driver_late = spread_of(late_ms, 0);
    }  // every game stopped here
    std::filesystem::remove_all(home);
    for (int stage = 0; stage < STAGE_COUNT; ++stage)
        if (figures.player_seconds[stage] > 0) {
            figures.cpu_percent[stage] = 100.0 * ticks.game[stage] / ticks_per_second() / figures.player_seconds[stage];
            figures.client_cpu_percent[stage] =
                100.0 * ticks.client[stage] / ticks_per_second() / figures.player_seconds[stage];
        }
    const auto mean = [](const std::vector<double>& v) {
        double sum = 0;
        for (double x : v) sum += x;
        return v.empty() ? 0.0 : sum / static_cast<double>(v.size());
    };
    const auto most = [](const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); };
    figures.rss_mb = mean(memory.rss);
    figures.pss_mb = mean(memory.pss);
    figures.rss_mb_max = most(memory.rss);
    figures.pss_mb_max = most(memory.pss);
    figures.client_pss_mb = mean(memory.client_pss);
    figures.login_pss_mb = mean(memory.login_pss);
    figures.server_pss_mb = mean(memory.server_pss);
    figures.server_rss_mb = mean(memory.server_rss);
    figures.load_after = load_average();
    return figures;
}

void print_details(const Figures& f) {
    if (f.window_s <= 0) {
        std::printf("== %d players: no figures, the window never closed (%d of them reached the map)\n\n", f.players,
                    f.reached_map);
        return;
    }
    std::printf("== %d player%s at once%s%s: measured over %.0f s; %d still running at the end\n", f.players,
                f.players == 1 ? "" : "s", f.without_sound ? ", the game without sound" : "",
                f.through_keeper ? ", each through the keeper (tmux)" : "", f.window_s, f.running_at_end);
    std::printf("load average %.2f before, %.2f after; all cores %.0f %% busy; this driver %.1f %% of a core, woke late "
                "from its timed waits by %.2f ms median, %.2f ms 99th percentile\n",
                f.load_before, f.load_after, f.system_busy_percent, f.driver_percent, f.driver_late.median,
                f.driver_late.p99);
    for (int stage = 0; stage < STAGE_COUNT; ++stage)
        if (f.player_seconds[stage] > 0)
            std::printf("CPU per player, %-9s %6.2f %% of a core over %.0f player-seconds\n",
                        stage_name(static_cast<Stage>(stage)), f.cpu_percent[stage], f.player_seconds[stage]);
    std::printf("memory per player: VmRSS mean %.1f MB (max %.1f), PSS mean %.1f MB (max %.1f); PSS of all %.0f MB\n",
                f.rss_mb, f.rss_mb_max, f.pss_mb, f.pss_mb_max, f.pss_total_mb);
    if (f.through_keeper) {
        for (int stage = 0; stage < STAGE_COUNT; ++stage)
            if (f.player_seconds[stage] > 0)
                std::printf("CPU per player's tmux client, %-9s %6.2f %% of a core\n", stage_name(static_cast<Stage>(stage)),
                            f.client_cpu_percent[stage]);
        std::printf("CPU of the tmux server over the window: %.2f %% of a core a player (%.2f %% in all)\n",
                    f.server_cpu_percent, f.server_cpu_percent * f.players);
        std::printf("memory of the keeper: the server VmRSS %.1f MB, PSS %.1f MB (%.2f MB a player); PSS of each "
                    "client %.2f MB; of each login's shell %.2f MB (not counted in the player's share)\n",
                    f.server_rss_mb, f.server_pss_mb, f.server_pss_mb / f.players, f.client_pss_mb, f.login_pss_mb);
    }
    std::printf("delay from an input to the first byte of the answer, beyond the game's own pauses (an input never "
                "answered counts as %lld ms):\n",
                static_cast<long long>(ANSWER_TIMEOUT.count()));
    const auto line = [](const char* what, const Spread& s, const char* note) {
        std::printf("  %-15s %6zu inputs: median %7.2f ms, 99th percentile %8.2f ms, worst %8.2f ms, %zu never answered%s\n",
                    what, s.count, s.median, s.p99, s.worst, s.lost, note);
    };
    line(ask_name(Ask::intro_key), f.intro, " (during the starts, before the window)");
    for (int ask = 1; ask < ASK_COUNT; ++ask) line(ask_name(static_cast<Ask>(ask)), f.by_ask[ask], "");
    line("all in window", f.all, "");
    std::printf("steps answered otherwise than by the hero's new cell %d, battles %d\n", f.unexpected, f.battles);
    std::printf("bytes reaching the player's terminal for a walking step: median %.0f, mean %.1f, 99th percentile "
                "%.0f, over %zu steps\n",
                f.step_bytes.median, f.step_bytes_mean, f.step_bytes.p99, f.step_bytes.count);
    for (const std::string& how : f.ended_early) std::printf("a game ended before the window closed: %s\n", how.c_str());
    std::printf("seconds of the window with answers slower than %.0f ms (players walking/encounter/battle at its "
                "start: inputs, slow, worst):\n",
                SLOW_MS);
    for (std::size_t i = 0; i < f.seconds.size(); ++i) {
        const Figures::Second& s = f.seconds[i];
        if (s.slow == 0) continue;
        std::printf("  %3zu s: %d/%d/%d: %d inputs, %d slow, worst %.0f ms; this driver %.0f %% of a core\n", i,
                    s.players_in[static_cast<int>(Stage::map)], s.players_in[static_cast<int>(Stage::transition)],
                    s.players_in[static_cast<int>(Stage::battle)], s.inputs, s.slow, s.worst_ms, s.driver_percent);
    }
    // The encounters that start in the same second are what tries a host:
    // every game in them animates at once.
    int most_meeting = 0;
    std::size_t most_at = 0;
    for (std::size_t i = 0; i < f.seconds.size(); ++i)
        if (f.seconds[i].players_in[static_cast<int>(Stage::transition)] > most_meeting) {
            most_meeting = f.seconds[i].players_in[static_cast<int>(Stage::transition)];
            most_at = i;
        }
    std::printf("the most players in an encounter at the start of a second: %d, at %zu s\n", most_meeting, most_at);
    long long thread_total = 0;
    for (const auto& [name, t] : f.thread_ticks) thread_total += t;
    std::printf("CPU of the games' threads over their whole lives:");
    for (const auto& [name, t] : f.thread_ticks)
        std::printf(" %s %.1f %%;", name.c_str(), 100.0 * static_cast<double>(t) / static_cast<double>(std::max(1LL, thread_total)));
    std::printf("\n");
    std::vector<MappingMemory> memory = f.one_player_memory;
    std::sort(memory.begin(), memory.end(), [](const auto& a, const auto& b) { return a.pss_kb > b.pss_kb; });
    long long rss = 0, pss = 0, priv = 0;
    for (const auto& m : memory) {
        rss += m.rss_kb;
        pss += m.pss_kb;
        priv += m.private_kb;
    }
    std::printf("one player's memory by mapping (kB): resident %lld, proportional %lld, private %lld\n", rss, pss, priv);
    for (std::size_t i = 0; i < memory.size() && i < 14; ++i)
        std::printf("  %8lld rss %8lld pss %8lld private  %s\n", memory[i].rss_kb, memory[i].pss_kb,
                    memory[i].private_kb, memory[i].name.c_str());
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

// What the keeper adds to a player: the client's CPU in a stage and the
// server's, shared out evenly over the whole window (it serves every stage
// at once, so its CPU cannot be told by stage); the client's PSS and the
// server's shared out.
double keeper_cpu(const Figures& f, Stage stage) {
    const int s = static_cast<int>(stage);
    return f.through_keeper && f.player_seconds[s] > 0 ? f.client_cpu_percent[s] + f.server_cpu_percent : 0;
}
double keeper_pss(const Figures& f) { return f.through_keeper ? f.client_pss_mb + f.server_pss_mb / f.players : 0; }

// "1.00 %", or through the keeper "1.50 % (keeper 0.50 %)", the first figure
// the game and the keeper together.
std::string with_keeper(const Figures& f, double game, double keeper, const char* unit, int decimals) {
    char text[96];
    if (f.through_keeper) {
        std::snprintf(text, sizeof text, "%.*f %s (keeper %.*f %s)", decimals, game + keeper, unit, decimals, keeper, unit);
    } else {
        std::snprintf(text, sizeof text, "%.*f %s", decimals, game, unit);
    }
    return text;
}

int main(int argc, char** argv) {
    int window_seconds = 60;
    bool without_sound = false;
    bool direct = true, through_keeper = false;
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            window_seconds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--without-sound") {
            without_sound = true;
        } else if (arg == "--through-tmux") {
            direct = false;
            through_keeper = true;
        } else if (arg == "--both") {
            direct = through_keeper = true;
        } else if (std::atoi(arg.c_str()) > 0) {
            counts.push_back(std::atoi(arg.c_str()));
        } else {
            std::fprintf(stderr, "usage: load_bench [--seconds S] [--without-sound] [--through-tmux | --both] [N ...]\n");
            return 2;
        }
    }
    if (counts.empty()) counts = {1, 10, 50, 200};
    signal(SIGINT, request_stop);
    signal(SIGTERM, request_stop);
    signal(SIGHUP, request_stop);
    signal(SIGPIPE, SIG_IGN);
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    // This one process reads what a thousand terminals or sshds would, each
    // a process of its own: among a thousand busy games the scheduler would
    // give it a thousandth of the cores, and its lateness would be counted
    // as the games'. Ahead of them (where it may be), it reads each answer
    // as it comes; the games it starts are ordinary processes again.
    sched_param first{};
    first.sched_priority = 1;
    const bool ahead = sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &first) == 0;
    std::printf("this driver runs %s\n\n", ahead ? "ahead of the games (real-time, priority 1)"
                                                  : "as the games do (no right to real-time priority)");

    std::vector<Figures> runs;
    for (int players : counts) {
        if (stop_requested) break;
        for (const bool keeper : {false, true}) {
            if ((keeper ? !through_keeper : !direct) || stop_requested) continue;
            runs.push_back(run_load(players, window_seconds, without_sound, keeper));
            print_details(runs.back());
        }
    }
    const auto who = [&](const Figures& f) {
        return std::to_string(f.players) + " player" + (f.players == 1 ? "" : "s") + " at once on " +
               std::to_string(cores) + " cores" + (f.without_sound ? ", without sound" : "") +
               (f.through_keeper ? ", through tmux" : "");
    };
    const auto walking = [](const Figures& f) { return f.cpu_percent[static_cast<int>(Stage::map)]; };
    const auto battle = [](const Figures& f) { return f.cpu_percent[static_cast<int>(Stage::battle)]; };
    std::printf("| players | CPU per player, walking | in battle | VmRSS per player | PSS per player | delay median | "
                "delay 99th percentile | bytes a walking step | all cores busy |\n|---|---|---|---|---|---|---|---|---|\n");
    for (const Figures& f : runs)
        std::printf("| %d%s%s | %s | %s | %.1f MB | %s | %.2f ms | %.2f ms | %.1f | %.0f %% |\n", f.players,
                    f.without_sound ? " (without sound)" : "", f.through_keeper ? ", through tmux" : "",
                    with_keeper(f, walking(f), keeper_cpu(f, Stage::map), "%", 2).c_str(),
                    with_keeper(f, battle(f), keeper_cpu(f, Stage::battle), "%", 2).c_str(), f.rss_mb,
                    with_keeper(f, f.pss_mb, keeper_pss(f), "MB", 1).c_str(), f.all.median, f.all.p99,
                    f.step_bytes_mean, f.system_busy_percent);
    std::printf("(through tmux: the game and the keeper together, and the keeper's part: its client's, and the "
                "server's shared out;\n VmRSS is the game's alone; bytes a walking step: the mean of what the "
                "player's terminal got)\n");
    for (const Figures& f : runs)
        table_row(who(f).c_str(),
                  "CPU walking %.2f %%, battle %.2f %% of a core each; RSS %.1f MB, PSS %.1f MB each; delay beyond "
                  "pauses median %.2f ms, 99th pct %.2f ms",
                  walking(f) + keeper_cpu(f, Stage::map), battle(f) + keeper_cpu(f, Stage::battle), f.rss_mb,
                  f.pss_mb + keeper_pss(f), f.all.median, f.all.p99);
    return 0;
}
