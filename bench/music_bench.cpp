// The real music player on SDL2_mixer: the time of one load, the process's
// peak memory after 1 and after N songs (default 100, from argv[1]) loaded
// and played in a row, and the CPU a field song costs while it plays for
// 20 s. argv[2] says where the sound goes: "dummy" (SDL's dummy driver,
// which synthesizes and mixes for nobody; the default), "none" (no device
// opens: the silent path), "pulseaudio" or "pipewire" (a private server of
// that kind, started here, with a null sink). Prints figures; never fails.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "audio/music_player.h"
#include "e2e/sound_server.h"
#include "platform/sound/sdl_audio.h"
#include "table_row.h"

namespace {

const char* const SONGS[] = {
    "music/midi/ff10_sutekidane[1].mid", "music/midi/melodies[1].mid", "music/midi/not_alone[1].mid",
    "music/midi/ff8_eyes[1].mid",        "music/midi/main_theme.mid",  "music/midi/eva[1].mid",
    "music/midi/chrono.mid",             "music/midi/arrest[1].mid",   "music/midi/soul[1].mid",
    "music/midi/Battle.mid",
};

// Peak and current resident memory of this process, in MB.
double status_mb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atof(line.c_str() + std::string(field).size()) / 1024.0;
    return 0;
}

std::string label(const std::string& what, const std::string& path) {
    static const std::map<std::string, std::string> NAMES = {{"dummy", "SDL's dummy driver"},
                                                             {"none", "no sound device"},
                                                             {"pulseaudio", "PulseAudio"},
                                                             {"pipewire", "PipeWire"}};
    const auto name = NAMES.find(path);
    return what + ", " + (name == NAMES.end() ? path : name->second);
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int songs = argc > 1 ? std::atoi(argv[1]) : 100;
    const std::string path = argc > 2 ? argv[2] : "dummy";
    std::unique_ptr<SoundServer> server;
    if (path == "dummy") {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    } else if (path == "none") {
        setenv("SDL_AUDIODRIVER", "alsa", 1);  // a driver that starts, then finds no device
        setenv("AUDIODEV", "hw:77", 1);
    } else {
        server = std::make_unique<SoundServer>(path == "pipewire" ? ServerKind::pipewire : ServerKind::pulseaudio);
        if (!server->running()) {
            std::printf("no %s here: %s\n", path.c_str(), server->why_not().c_str());
            return 0;
        }
        for (const auto& [name, value] : server->client_environment()) setenv(name.c_str(), value.c_str(), 1);
    }
    if (chdir(GAME_DATA_DIR) != 0) return 1;

    double first = 0, slowest = 0, total = 0;
    for (int i = 0; i < songs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!music.load(SONGS[i % 10])) return 1;
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        music.play();
        // The first load opens the device (and loads the libraries): apart.
        if (i == 0) first = ms;
        if (i > 0) total += ms;
        if (i > 0 && ms > slowest) slowest = ms;
        if (i == 0)
            std::printf("after  1 song:  peak %.1f MB, resident %.1f MB; first load %.1f ms (driver %s)\n",
                        status_mb("VmHWM:"), status_mb("VmRSS:"), ms, sdl_audio_driver());
        if (i == 0) table_row(label("music memory after 1 song", path).c_str(), "%.1f MB peak", status_mb("VmHWM:"));
    }
    const int later = songs > 1 ? songs - 1 : 1;
    std::printf("after %d songs: peak %.1f MB, resident %.1f MB; later loads mean %.1f ms, slowest %.1f ms\n", songs,
                status_mb("VmHWM:"), status_mb("VmRSS:"), total / later, slowest);
    const std::string what = "music memory after " + std::to_string(songs) + " song changes";
    table_row(label(what, path).c_str(), "%.1f MB peak", status_mb("VmHWM:"));
    table_row(label("song load", path).c_str(), "first %.1f ms (opens the device), then mean %.2f ms, slowest %.2f ms",
              first, total / later, slowest);

    music.load(SONGS[4]);
    music.play();
    const double cpu_before = cpu_seconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(20));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpu_seconds() - cpu_before;
    std::printf("a field song playing %.1f s: %.2f s of CPU = %.1f %% of one core\n", wall, cpu, cpu / wall * 100);
    table_row(label("CPU while a song plays", path).c_str(), "%.2f %% of one core", cpu / wall * 100);
    table_row(label("resident memory while a song plays", path).c_str(), "%.1f MB", status_mb("VmRSS:"));
    shut_sdl_audio();  // before the server goes
    return 0;
}
