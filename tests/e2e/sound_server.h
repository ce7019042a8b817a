// A private sound server for the tests and benchmarks that play through a
// real one: PulseAudio, or PipeWire with pipewire-pulse and WirePlumber, on a
// runtime folder of its own with no system or user configuration, one null
// sink, and a recorder (parec) of that sink's monitor writing raw 16-bit
// stereo samples at 44.1 kHz. Everything is stopped by its PID.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "e2e/child_process.h"

enum class ServerKind { pulseaudio, pipewire };

class SoundServer {
public:
    explicit SoundServer(ServerKind kind);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // False, with the reason, when the server could not start here.
    bool running() const { return problem.empty(); }
    const std::string& why_not() const { return problem; }

    // What a client needs to find this server and nothing else.
    std::vector<std::pair<std::string, std::string>> client_environment() const;

    // What `pactl ARGS` prints about this server.
    std::string pactl(std::vector<std::string> args) const {
        args.insert(args.begin(), "pactl");
        return ask(args).second;
    }

    // Starts recording the sink's monitor; true once samples arrive.
    bool start_recording();
    // The seconds since the first recorded sample, by the steady clock.
    double recording_time(std::chrono::steady_clock::time_point when) const;
    // The left channel so far.
    std::vector<std::int16_t> recorded() const;

private:
    // A daemon or client of this server, in a session of its own.
    ChildLaunch launch(const std::vector<std::string>& argv, const std::string& log = "") const;
    // Runs a client of the server to its end: its exit status and what it printed.
    std::pair<int, std::string> ask(const std::vector<std::string>& argv) const;
    // Asks until the daemon answers, saying `answer`; if it takes too long or any ends, names its log in `problem`.
    bool await(const std::string& daemon, const std::vector<std::string>& asking, const std::string& answer = "");

    std::string folder;
    std::string problem;
    std::vector<ChildProcess> daemons;
    ChildProcess recorder;
    std::chrono::steady_clock::time_point first_sample;
};

constexpr int RECORDING_RATE = 44100;

// RMS of samples [from, to) seconds, clamped to what there is.
double loudness(const std::vector<std::int16_t>& samples, double from, double to);
