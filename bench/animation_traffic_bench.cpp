// What the game's two animations of short pauses cost in writes and bytes,
// on a terminal and on an ssh connection. Prints figures; never fails on
// them.
//
// On a terminal: the encounter dissolve (400 pauses of 2 ms) over the map
// screen and the sparkles (1896 pauses of 2 ms) over the Angel Cry picture,
// played by the game's own code on the real terminal console and wall
// clock, in a program of their own on a libvterm pty. The writes are the
// kernel's count of that program's write system calls (syscw in
// /proc/self/io, read before and after each run with nothing else writing
// in between); the bytes are what the pty's other side reads between the
// marks the program writes around each run. In 16 colours and in 24-bit
// colour. The program's CPU time and its voluntary context switches (its
// wake-ups from waiting) over each run go with them, from getrusage.
//
// On the wire: the installed game played through `ssh -t` to the loopback
// sshd, its dice chosen, and for each thing measured the bytes and the TCP
// segments the connection carried from the server to the client, read at
// the screens before and after it.
// Two colour modes of 5 dissolves and 3 sparkle runs take about a minute,
// the ssh play about twenty seconds; the ssh play needs root, for the
// player's account, and is left out without it.
// Usage: animation_traffic_bench [dissolves, default 5] [sparkle runs, default 3]
// (0 0: the ssh play alone)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "console/art_file.h"
#include "console/console_output.h"
#include "e2e/child_process.h"
#include "e2e/chosen_dice.h"
#include "e2e/game_screens.h"
#include "e2e/loopback_sshd.h"
#include "e2e/ssh_hosting.h"
#include "e2e/vterm_terminal.h"
#include "map/map_screen.h"
#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/terminal/terminal_console.h"
#include "shell/main_loop.h"
#include "state/tables.h"
#include "support/random.h"
#include "table_row.h"

namespace {

constexpr int SCREEN_LIMIT_MS = 30000;  // for any screen to come, on a busy machine
constexpr int STEPS = 6;
constexpr int ENCOUNTERS = 3;

// The program that plays the animations is this one again, told so here.
constexpr const char* ANIMATION_SIDE = "ANIMATION_TRAFFIC_SIDE";
// Its marks between runs: an OSC, which the game never sends, written
// straight to the pty, outside the counted runs. "LABEL KERNEL_WRITES
// CONSOLE_WRITES CPU_US WAKEUPS" in between.
constexpr const char* MARK_START = "\x1b]9999;";
constexpr char MARK_END = '\a';

struct Mean {
    double total = 0;
    double fewest = 0, most = 0;
    int count = 0;
    void add(double value) {
        fewest = count == 0 ? value : std::min(fewest, value);
        most = count == 0 ? value : std::max(most, value);
        total += value;
        ++count;
    }
    double value() const { return count ? total / count : 0; }
};

// ---- The animation side, on the pty ---------------------------------------

// The write system calls this whole process has made so far.
long long kernel_writes() {
    std::ifstream io("/proc/self/io");
    for (std::string name; io >> name;) {
        long long value = 0;
        io >> value;
        if (name == "syscw:") return value;
    }
    return -1;
}

void mark(int fd, const std::string& text) {
    const std::string bytes = MARK_START + text + MARK_END;
    (void)!write(fd, bytes.data(), bytes.size());
}

// The CPU this program has used, in microseconds, and how often it has
// given up the core to wait (each pause's wake-up is one).
struct Usage {
    long long cpu_us;
    long long waits;
};
Usage usage_now() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    const auto us = [](const timeval& t) { return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec; };
    return {us(r.ru_utime) + us(r.ru_stime), r.ru_nvcsw};
}

// One run, counted, then its mark.
template <class Run>
void counted(TerminalConsole& terminal, int marks, const char* label, Run run) {
    const long long console_before = terminal.writes();
    const Usage used_before = usage_now();
    const long long before = kernel_writes();
    run();
    // Whatever the run still owes the clock, as the game's next look at
    // the player's input would wait it out.
    installed_clock().settle();
    const long long after = kernel_writes();
    const Usage used_after = usage_now();
    mark(marks, std::string(label) + " " + std::to_string(after - before) + " " +
                    std::to_string(terminal.writes() - console_before) + " " +
                    std::to_string(used_after.cpu_us - used_before.cpu_us) + " " +
                    std::to_string(used_after.waits - used_before.waits));
}

// A screen drawn and shown before a run: its bytes are not counted.
template <class Draw>
void shown_first(TerminalConsole& terminal, int marks, Draw draw) {
    clear_screen();
    draw();
    terminal.present();
    mark(marks, "ready 0 0");
}

int animation_side(int dissolves, int sparkle_runs) {
    // The console sends the game's own standard output nowhere; the marks
    // go to the pty beside the frames.
    const int marks = dup(STDOUT_FILENO);
    TerminalConsole& terminal = TerminalConsole::open();
    static WallClock clock;
    install_clock(clock);
    install_console_device(terminal);
    route_standard_output_to_console();
    player_x = 4;  // the hero at his start, as the game begins
    player_y = 2;
    init_tables();
    for (int run = 0; run < dissolves; ++run) {
        seed_random(static_cast<std::uint32_t>(run + 1));
        shown_first(terminal, marks, draw_map_screen);
        counted(terminal, marks, "dissolve", encounter_dissolve);
        // The battle's black screen follows at once.
        counted(terminal, marks, "clear", [&] {
            clear_screen();
            terminal.present();
        });
    }
    for (int run = 0; run < sparkle_runs; ++run) {
        seed_random(static_cast<std::uint32_t>(run + 1));
        shown_first(terminal, marks, [] { draw_art_file("angel cry.txt", 10, 2, NO_COLOR, 0); });
        counted(terminal, marks, "sparkles", sparkle_effect);
    }
    mark(marks, "done 0 0");
    return 0;
}

// ---- Reading the terminal side ---------------------------------------------

struct RunFigures {
    Mean writes;          // the kernel's count
    Mean console_writes;  // the console's own, to check against
    Mean bytes;
    Mean cpu_ms;
    Mean wakeups;
};

struct TerminalFigures {
    RunFigures dissolve, clear, sparkles;
};

bool on_the_terminal(const char* self, const char* colorterm, int dissolves, int sparkle_runs,
                     TerminalFigures& figures) {
    TerminalLaunch launch;
    launch.argv = {self, std::to_string(dissolves), std::to_string(sparkle_runs)};
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{ANIMATION_SIDE, "1"}};
    if (colorterm) launch.environment.push_back({"COLORTERM", colorterm});
    VtermTerminal term(launch);
    const std::string done = std::string(MARK_START) + "done ";
    // A sparkle run is 3.8 s at the least.
    const int limit_ms = 30000 + (dissolves + sparkle_runs * 4) * 5000;
    if (!term.wait_for([&](const VtermTerminal& t) { return t.received().find(done) != std::string::npos; },
                       limit_ms)) {
        std::fprintf(stderr, "animation_traffic_bench: the animations did not end within %d ms\n%s\n", limit_ms,
                     term.screen_dump().c_str());
        return false;
    }
    const std::string& stream = term.received();
    std::size_t from = 0;
    for (std::size_t start; (start = stream.find(MARK_START, from)) != std::string::npos;) {
        const std::size_t text = start + std::strlen(MARK_START);
        const std::size_t end = stream.find(MARK_END, text);
        if (end == std::string::npos) break;
        std::istringstream words(stream.substr(text, end - text));
        std::string label;
        long long writes = 0, console_writes = 0, cpu_us = 0, wakeups = 0;
        words >> label >> writes >> console_writes >> cpu_us >> wakeups;
        RunFigures* run = label == "dissolve"   ? &figures.dissolve
                          : label == "clear"    ? &figures.clear
                          : label == "sparkles" ? &figures.sparkles
                                                : nullptr;
        if (run) {
            run->writes.add(static_cast<double>(writes));
            run->console_writes.add(static_cast<double>(console_writes));
            run->bytes.add(static_cast<double>(start - from));
            run->cpu_ms.add(static_cast<double>(cpu_us) / 1000);
            run->wakeups.add(static_cast<double>(wakeups));
        }
        from = end + 1;
    }
    term.wait_exit(10000);
    return true;
}

void report_terminal(const char* colours, const TerminalFigures& figures) {
    const struct {
        const char* what;
        const RunFigures& run;
    } rows[] = {{"dissolve (400 pauses of 2 ms)", figures.dissolve},
                {"clear after the dissolve", figures.clear},
                {"sparkles (1896 pauses of 2 ms)", figures.sparkles}};
    for (const auto& row : rows) {
        std::printf(
            "terminal, %-10s %-31s %6.1f writes (%.0f to %.0f; the console counts %.1f), %6.0f bytes, "
            "%.0f wake-ups, %.2f ms CPU (%.2f to %.2f), mean of %d\n",
            colours, row.what, row.run.writes.value(), row.run.writes.fewest, row.run.writes.most,
            row.run.console_writes.value(), row.run.bytes.value(), row.run.wakeups.value(), row.run.cpu_ms.value(),
            row.run.cpu_ms.fewest, row.run.cpu_ms.most, row.run.writes.count);
        char what[128];
        std::snprintf(what, sizeof what, "%s on a terminal, %s", row.what, colours);
        table_row(what, "%.1f writes, %.0f bytes, %.0f wake-ups, %.2f ms CPU", row.run.writes.value(),
                  row.run.bytes.value(), row.run.wakeups.value(), row.run.cpu_ms.value());
    }
}

// ---- On the wire -----------------------------------------------------------

// What the server's end of the ssh connection has sent so far, from the
// kernel's TCP counters of that socket (tcp_info, as `ss -ti` reads it
// through sock_diag). The server's end, because it is the one that sends
// the screen: data_segs_out counts the segments that carried ssh's data
// (the pure ACKs of the player's input left out) and bytes_sent their
// payload (retransmissions too, of which loopback has none). The client's
// socket is the ssh client's, whose TCP_INFO only it could ask for.
struct Wire {
    long long bytes = 0;
    long long segments = 0;
};

std::optional<Wire> server_sent(int port) {
    const ChildRun ss =
        run_child({.argv = {"ss", "-tinH", "state", "established", "sport", "=", ":" + std::to_string(port)}}, 10000);
    if (!ss.finished || ss.status != 0) return std::nullopt;
    std::istringstream lines(ss.out);
    int sockets = 0;
    Wire wire;
    const auto counter = [](const std::string& line, const char* name) {
        const std::size_t at = line.find(name);
        return at == std::string::npos ? 0LL : std::atoll(line.c_str() + at + std::strlen(name));
    };
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        if (line[0] != ' ' && line[0] != '\t') {
            ++sockets;  // a socket's addresses; its counters follow on the next line
            continue;
        }
        wire.bytes = counter(line, " bytes_sent:");
        wire.segments = counter(line, " data_segs_out:");
    }
    if (sockets != 1) return std::nullopt;  // the one session's connection, or nothing to read
    return wire;
}

// A reading at one screen: the server's counters and what the ssh client
// had given the terminal by then.
struct Reading {
    Wire wire;
    std::size_t terminal_bytes = 0;
};

struct WireFigures {
    Mean segments, bytes, terminal_bytes;
};

class WireCounter {
public:
    explicit WireCounter(int port) : port(port) {}

    bool read(const VtermTerminal& term, Reading& reading) {
        const std::optional<Wire> wire = server_sent(port);
        if (!wire) {
            std::fprintf(stderr, "animation_traffic_bench: no one ssh connection on port %d to read\n", port);
            return false;
        }
        reading = {*wire, term.received().size()};
        return true;
    }

    // What was sent from `before` to now, under `what`.
    bool since(const VtermTerminal& term, const Reading& before, const std::string& what) {
        Reading now;
        if (!read(term, now)) return false;
        WireFigures& figures = figures_of(what);
        const long long segments = now.wire.segments - before.wire.segments;
        figures.segments.add(static_cast<double>(segments));
        figures.bytes.add(static_cast<double>(now.wire.bytes - before.wire.bytes));
        figures.terminal_bytes.add(static_cast<double>(now.terminal_bytes - before.terminal_bytes));
        return true;
    }

    void report() const {
        for (const auto& [what, f] : figures) {
            std::printf(
                "ssh, server to client: %-40s %6.1f segments (%.0f to %.0f), %7.0f bytes on the wire, "
                "%7.0f to the terminal, mean of %d\n",
                what.c_str(), f.segments.value(), f.segments.fewest, f.segments.most, f.bytes.value(),
                f.terminal_bytes.value(), f.segments.count);
            table_row(("ssh, " + what).c_str(), "%.1f segments, %.0f bytes", f.segments.value(), f.bytes.value());
        }
    }

private:
    WireFigures& figures_of(const std::string& what) {
        for (auto& [name, f] : figures)
            if (name == what) return f;
        return figures.emplace_back(what, WireFigures{}).second;
    }

    int port;
    std::vector<std::pair<std::string, WireFigures>> figures;
};

// The game from the installed prefix, its clock frozen at the dice's
// second, on the silent sound driver.
std::vector<std::string> game_command(const std::string& prefix, const Dice& dice) {
    std::vector<std::string> command{"env", "SDL_AUDIODRIVER=dummy"};
    for (const auto& [name, value] : frozen_clock(dice)) command.push_back(name + "=" + value);
    command.push_back(prefix + "/bin/dunmar");
    return command;
}

bool blank(const VtermTerminal& t) {
    for (int y = 0; y < t.rows(); ++y)
        for (int x = 0; x < t.columns(); ++x)
            if (t.glyph_at(x, y) != 0 && t.glyph_at(x, y) != U' ') return false;
    return true;
}

// The battle screen down to its frame's last corner, waiting for a command.
bool battle_complete(const VtermTerminal& t) {
    return battle_shown(t) && t.glyph_at(78, 23) == U'╝' && t.row_text(0).find_first_not_of(' ') == std::string::npos;
}

bool map_with_hero(const VtermTerminal& t) { return map_shown(t) && hero(t).first >= 0; }

bool failed(const char* what, const VtermTerminal& term) {
    std::fprintf(stderr, "animation_traffic_bench: %s did not come\n%s\n", what, term.screen_dump().c_str());
    return false;
}

// Through the intro; the map drawn over its last page is measured.
bool to_the_map(VtermTerminal& term, WireCounter& counter) {
    for (const char* heading : {"Welcome, traveller", "How to walk the Vale"}) {
        if (!term.wait_for_screen_text(heading, SCREEN_LIMIT_MS)) return failed(heading, term);
        term.send_bytes(" ");
    }
    // The last page, down to its last line.
    if (!term.wait_for_screen_text("Press any key to set out", SCREEN_LIMIT_MS)) return failed("the last page", term);
    Reading before;
    if (!counter.read(term, before)) return false;
    term.send_bytes(" ");
    if (!term.wait_for(map_with_hero, SCREEN_LIMIT_MS)) return failed("the map", term);
    return counter.since(term, before, "map screen drawn over the intro");
}

// Steps back and forth between the first two cells, no monster met. A
// click sets the hero walking, with a step towards it; while he walks,
// every report of the pointer's motion is a step towards the pointer.
bool walk(VtermTerminal& term, WireCounter& counter) {
    const std::pair<int, int> cells[2] = {{4, 2}, {5, 2}};
    if (hero(term) != cells[0]) return failed("the hero at his start", term);
    for (int step = 0; step < STEPS; ++step) {
        const std::pair<int, int> from = cells[step % 2];
        const std::pair<int, int> to = cells[(step + 1) % 2];
        Reading before;
        if (!counter.read(term, before)) return false;
        if (step == 0)
            term.click(to.first, to.second);
        else
            term.move(to.first, to.second);
        if (!term.wait_for(
                [&](const VtermTerminal& t) {
                    return t.glyph_at(to.first, to.second) == U'☺' && t.glyph_at(from.first, from.second) != U'☺';
                },
                SCREEN_LIMIT_MS))
            return failed("the step", term);
        if (!counter.since(term, before, "one step on the map")) return false;
    }
    return true;
}

// A monster at the first step every time: the dissolve, the battle screen,
// and the escape back to the map.
bool meet_monsters(VtermTerminal& term, WireCounter& counter) {
    for (int encounter = 0; encounter < ENCOUNTERS; ++encounter) {
        Reading before;
        if (!counter.read(term, before)) return false;
        term.click(10, 2);
        // The dissolve ends in the black screen that stays two seconds.
        if (!term.wait_for(blank, SCREEN_LIMIT_MS)) return failed("the black screen after the dissolve", term);
        if (!counter.since(term, before, "encounter: the step, dissolve and clear") || !counter.read(term, before))
            return false;
        if (!term.wait_for(battle_complete, SCREEN_LIMIT_MS)) return failed("the battle screen", term);
        if (!counter.since(term, before, "battle screen drawn") || !counter.read(term, before)) return false;
        term.click(66, 21);
        if (!term.wait_for(map_with_hero, SCREEN_LIMIT_MS)) return failed("the map after the escape", term);
        if (!counter.since(term, before, "escape, map drawn over the battle")) return false;
    }
    return true;
}

bool play_over_ssh(const LoopbackSshd& sshd, const Dice& dice, bool battles, WireCounter& counter) {
    TerminalLaunch launch;
    launch.argv = sshd.ssh({"-t"}, game_command(sshd.folder() + "/game", dice));
    VtermTerminal term(launch);
    const bool played = to_the_map(term, counter) && (battles ? meet_monsters(term, counter) : walk(term, counter));
    term.send_bytes("\x03");  // Ctrl+C quits
    term.wait_exit(15000);
    return played;
}

void on_the_wire() {
    LoopbackSshd sshd;
    if (!sshd.ready()) {
        std::printf("ssh: not measured: %s\n", sshd.why().c_str());
        return;
    }
    if (!install_game(sshd.folder() + "/game") || !sshd.start()) {
        std::printf("ssh: not measured: the game would not install or sshd would not start: %s\n", sshd.why().c_str());
        return;
    }
    const std::vector<std::string> argv = sshd.ssh({});
    int port = 0;
    for (std::size_t i = 0; i + 1 < argv.size(); ++i)
        if (argv[i] == "-p") port = std::atoi(argv[i + 1].c_str());
    WireCounter counter(port);
    if (!play_over_ssh(sshd, quiet_dice(), false, counter) || !play_over_ssh(sshd, battle_dice(), true, counter))
        std::printf("ssh: the play stopped early; figures so far:\n");
    counter.report();
}

}  // namespace

void print_load(const char* when) {
    std::ifstream in("/proc/loadavg");
    std::string load;
    std::getline(in, load);
    std::printf("load %s: %s\n", when, load.c_str());
}

int main(int argc, char** argv) {
    const int dissolves = argc > 1 ? std::max(0, std::atoi(argv[1])) : 5;
    const int sparkle_runs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 3;
    if (std::getenv(ANIMATION_SIDE)) return animation_side(dissolves, sparkle_runs);

    const struct {
        const char* colours;
        const char* colorterm;
    } modes[] = {{"16 colours", nullptr}, {"24-bit", "truecolor"}};
    print_load("before");
    for (const auto& mode : modes) {
        if (dissolves + sparkle_runs == 0) break;  // the wire alone
        TerminalFigures figures;
        if (on_the_terminal("/proc/self/exe", mode.colorterm, dissolves, sparkle_runs, figures))
            report_terminal(mode.colours, figures);
    }
    on_the_wire();
    print_load("after");
    return 0;
}
