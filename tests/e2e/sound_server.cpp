#include "e2e/sound_server.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

const char* const SINK = "dunmar_sink";

bool installed(const char* program) { return access((std::string("/usr/bin/") + program).c_str(), X_OK) == 0; }

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

constexpr int ANSWER_MS = 20000;  // what a daemon, or a client asking it, may take: long, for a busy machine
constexpr int STOP_MS = 3000;

}  // namespace

SoundServer::SoundServer(ServerKind kind) {
    char pattern[] = "/tmp/dunmar_sound_server_XXXXXX";
    if (!mkdtemp(pattern)) {
        problem = "no temporary folder";
        return;
    }
    folder = pattern;
    mkdir((folder + "/config").c_str(), 0700);
    mkdir((folder + "/config/pulse").c_str(), 0700);
    std::ofstream(folder + "/config/pulse/daemon.conf");  // ours, empty: no system settings
    std::ofstream(folder + "/config/pulse/client.conf") << "autospawn = no\n";

    if (kind == ServerKind::pulseaudio) {
        if (!installed("pulseaudio") || !installed("parec")) {
            problem = "pulseaudio or parec is not installed (tools/install-deps installs them)";
            return;
        }
        daemons.emplace_back(launch({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                 "--realtime=no", "--high-priority=no", "--disallow-module-loading=no",
                                 "--log-target=stderr", "-L",
                                 std::string("module-null-sink sink_name=") + SINK + " rate=44100 channels=2", "-L",
                                 "module-native-protocol-unix auth-anonymous=1"},
                                folder + "/pulseaudio.log"));
        await("pulseaudio", {"pactl", "info"});
        return;
    }
    if (!installed("pipewire") || !installed("pipewire-pulse") || !installed("wireplumber") || !installed("parec") ||
        !installed("dbus-daemon")) {
        problem = "pipewire, pipewire-pulse, wireplumber, dbus-daemon or parec is not installed "
                  "(tools/install-deps installs them)";
        return;
    }
    // WirePlumber, which links the streams to the sink, ends without a session bus.
    daemons.emplace_back(launch({"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + folder + "/bus"},
                            folder + "/dbus-daemon.log"));
    if (!await("dbus-daemon", {"dbus-send", "--bus=unix:path=" + folder + "/bus", "--print-reply",
                               "--dest=org.freedesktop.DBus", "/", "org.freedesktop.DBus.GetId"})) return;
    daemons.emplace_back(launch({"pipewire"}, folder + "/pipewire.log"));
    if (!await("pipewire", {"pw-cli", "info", "0"})) return;
    daemons.emplace_back(launch({"wireplumber"}, folder + "/wireplumber.log"));
    daemons.emplace_back(launch({"pipewire-pulse"}, folder + "/pipewire-pulse.log"));
    if (!await("pipewire-pulse", {"pactl", "info"})) return;
    // pipewire-pulse keeps the default sink in WirePlumber's "default" metadata.
    if (!await("wireplumber", {"pw-cli", "ls", "Metadata"}, "metadata.name = \"default\"")) return;
    auto made = ask({"pactl", "load-module", "module-null-sink", std::string("sink_name=") + SINK, "rate=44100",
                     "channels=2"});
    if (made.first == 0) made = ask({"pactl", "set-default-sink", SINK});
    if (made.first != 0) problem = "no null sink on pipewire: " + made.second;
}

SoundServer::~SoundServer() {
    recorder.stop(STOP_MS);
    for (auto it = daemons.rbegin(); it != daemons.rend(); ++it) it->stop(STOP_MS);
    // A server that did not start leaves its logs for reading.
    if (!folder.empty() && (running() || daemons.empty())) std::system(("rm -rf '" + folder + "'").c_str());
}

std::pair<int, std::string> SoundServer::ask(const std::vector<std::string>& argv) const {
    const ChildRun run = run_child(launch(argv), ANSWER_MS);  // nor for ever on a hung server
    return {run.finished && WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1, run.out + run.err};
}

std::vector<std::pair<std::string, std::string>> SoundServer::client_environment() const {
    return {{"XDG_RUNTIME_DIR", folder},
            {"XDG_CONFIG_HOME", folder + "/config"},
            {"HOME", folder},
            {"PULSE_SERVER", "unix:" + folder + "/pulse/native"},
            {"PULSE_SINK", SINK},
            {"PIPEWIRE_RUNTIME_DIR", folder}};
}

ChildLaunch SoundServer::launch(const std::vector<std::string>& argv, const std::string& log) const {
    auto environment = client_environment();
    environment.emplace_back("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + folder + "/bus");
    return {.argv = argv, .environment = environment_with(environment), .log = log, .own_session = true};
}

bool SoundServer::await(const std::string& daemon, const std::vector<std::string>& asking, const std::string& answer) {
    for (int waited = 0;; waited += 20) {
        const auto [status, said] = ask(asking);
        if (status == 0 && said.find(answer) != std::string::npos) return true;
        for (ChildProcess& daemon_process : daemons)
            if (daemon_process.wait(0)) waited = ANSWER_MS;  // it ended
        if (waited >= ANSWER_MS) {
            problem = daemon + " did not answer; see " + folder + "/" + daemon + ".log";
            return false;
        }
        sleep_ms(20);
    }
}

bool SoundServer::start_recording() {
    if (!running()) return false;
    const std::string file = folder + "/monitor.raw";
    ChildLaunch parec = launch({"parec", "-d", std::string(SINK) + ".monitor", "--raw", "--format=s16le",
                                "--rate=44100", "--channels=2", "--latency-msec=20"},
                               file);
    parec.errors_to_log = false;  // the samples alone
    recorder = ChildProcess(parec);
    for (int waited = 0; waited < 5000; waited += 10) {
        struct stat info {};
        if (stat(file.c_str(), &info) == 0 && info.st_size > 0) {
            // The first samples arrived a little before they were written.
            const auto seconds = static_cast<double>(info.st_size) / (4.0 * RECORDING_RATE);
            first_sample = std::chrono::steady_clock::now() -
                           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                               std::chrono::duration<double>(seconds));
            return true;
        }
        sleep_ms(10);
    }
    return false;
}

double SoundServer::recording_time(std::chrono::steady_clock::time_point when) const {
    return std::chrono::duration<double>(when - first_sample).count();
}

std::vector<std::int16_t> SoundServer::recorded() const {
    std::ifstream in(folder + "/monitor.raw", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> left;
    left.reserve(bytes.size() / 4);
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4)
        left.push_back(static_cast<std::int16_t>(static_cast<unsigned char>(bytes[i]) | bytes[i + 1] << 8));
    return left;
}

double loudness(const std::vector<std::int16_t>& samples, double from, double to) {
    const auto clamp = [&](double seconds) {
        const double at = std::max(0.0, seconds * RECORDING_RATE);
        return std::min(samples.size(), static_cast<std::size_t>(at));
    };
    double sum = 0;
    const std::size_t begin = clamp(from), end = clamp(to);
    for (std::size_t i = begin; i < end; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return end > begin ? std::sqrt(sum / static_cast<double>(end - begin)) : 0;
}
