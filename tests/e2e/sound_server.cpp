#include "e2e/sound_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

const char* const SINK = "dunmar_sink";

bool exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

bool installed(const char* program) {
    return exists(std::string("/usr/bin/") + program);
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// How long a daemon, or a client asking it, may take: long, for a machine
// busy with other work.
constexpr int ANSWER_MS = 20000;

// Whether something listens on the Unix socket at that path.
bool accepts(const std::string& path) {
    const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const bool listening = connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return listening;
}

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

    const auto pulse_answers = [&] { return ask({"pactl", "info"}).first == 0; };
    if (kind == ServerKind::pulseaudio) {
        if (!installed("pulseaudio") || !installed("parec")) {
            problem = "pulseaudio or parec is not installed (tools/install-deps installs them)";
            return;
        }
        daemons.push_back(spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                 "--realtime=no", "--high-priority=no", "--disallow-module-loading=no",
                                 "--log-target=stderr", "-L",
                                 std::string("module-null-sink sink_name=") + SINK + " rate=44100 channels=2", "-L",
                                 "module-native-protocol-unix auth-anonymous=1"},
                                folder + "/server.log"));
        await("pulseaudio", "server.log", pulse_answers);
        return;
    }
    if (!installed("pipewire") || !installed("pipewire-pulse") || !installed("wireplumber") || !installed("parec") ||
        !installed("dbus-daemon")) {
        problem = "pipewire, pipewire-pulse, wireplumber, dbus-daemon or parec is not installed "
                  "(tools/install-deps installs them)";
        return;
    }
    // WirePlumber, which links the streams to the sink, ends without a session bus.
    daemons.push_back(spawn({"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + folder + "/bus"},
                            folder + "/dbus.log"));
    if (!await("dbus-daemon", "dbus.log", [&] { return accepts(folder + "/bus"); })) return;
    daemons.push_back(spawn({"pipewire"}, folder + "/pipewire.log"));
    if (!await("pipewire", "pipewire.log", [&] { return ask({"pw-cli", "info", "0"}).first == 0; })) return;
    daemons.push_back(spawn({"wireplumber"}, folder + "/wireplumber.log"));
    daemons.push_back(spawn({"pipewire-pulse"}, folder + "/pipewire-pulse.log"));
    if (!await("pipewire-pulse", "pipewire-pulse.log", pulse_answers)) return;
    // The default sink is kept in WirePlumber's "default" metadata: until
    // that is there, pipewire-pulse cannot choose one.
    if (!await("wireplumber", "wireplumber.log", [&] {
            const auto [status, said] = ask({"pw-cli", "ls", "Metadata"});
            return status == 0 && said.find("metadata.name = \"default\"") != std::string::npos;
        }))
        return;
    auto made = ask({"pactl", "load-module", "module-null-sink", std::string("sink_name=") + SINK, "rate=44100",
                     "channels=2"});
    if (made.first == 0) made = ask({"pactl", "set-default-sink", SINK});
    if (made.first != 0) problem = "no null sink on pipewire: " + made.second;
}

SoundServer::~SoundServer() {
    stop(recorder);
    for (auto it = daemons.rbegin(); it != daemons.rend(); ++it) stop(*it);
    // A server that did not start leaves its logs for reading.
    if (!folder.empty() && (running() || daemons.empty())) std::system(("rm -rf '" + folder + "'").c_str());
}

std::string SoundServer::pactl(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"pactl"};
    argv.insert(argv.end(), args.begin(), args.end());
    return ask(argv).second;
}

std::pair<int, std::string> SoundServer::ask(const std::vector<std::string>& argv) const {
    const std::string output = folder + "/client.out";
    pid_t client = spawn(argv, output);
    if (client < 0) return {-1, "cannot start " + argv[0]};
    int status = 0;
    bool ended = false;
    for (int waited = 0; waited < ANSWER_MS && !ended; waited += 10) {
        ended = waitpid(client, &status, WNOHANG) == client;
        if (!ended) sleep_ms(10);
    }
    if (!ended) stop(client);
    std::ifstream in(output);
    const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(output.c_str());
    return {ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1, said};
}

std::vector<std::pair<std::string, std::string>> SoundServer::client_environment() const {
    return {{"XDG_RUNTIME_DIR", folder},
            {"XDG_CONFIG_HOME", folder + "/config"},
            {"HOME", folder},
            {"PULSE_SERVER", "unix:" + folder + "/pulse/native"},
            {"PULSE_SINK", SINK},
            {"PIPEWIRE_RUNTIME_DIR", folder}};
}

pid_t SoundServer::spawn(const std::vector<std::string>& argv, const std::string& output) const {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setpgid(0, 0);
    for (const auto& [name, value] : client_environment()) setenv(name.c_str(), value.c_str(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder + "/bus").c_str(), 1);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    if (output.size() < 4 || output.compare(output.size() - 4, 4, ".raw") != 0) dup2(out, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

bool SoundServer::await(const std::string& daemon, const std::string& log, const std::function<bool()>& answers) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ANSWER_MS);
    while (!answers()) {
        for (pid_t& pid : daemons)
            if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = -1;
                problem = daemon + " did not start, or one before it ended; see " + folder + "/" + log;
                return false;
            }
        if (std::chrono::steady_clock::now() > deadline) {
            problem = daemon + " did not answer in " + std::to_string(ANSWER_MS / 1000) + " s; see " + folder + "/" + log;
            return false;
        }
        sleep_ms(20);
    }
    return true;
}

void SoundServer::stop(pid_t& pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int waited = 0; waited < 3000; waited += 20) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        sleep_ms(20);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

bool SoundServer::start_recording() {
    if (!running()) return false;
    const std::string file = folder + "/monitor.raw";
    recorder = spawn({"parec", "-d", std::string(SINK) + ".monitor", "--raw", "--format=s16le", "--rate=44100",
                      "--channels=2", "--latency-msec=20"},
                     file);
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
