// The real music player on SDL2_mixer with the silent driver: the time of
// one load, the process's peak memory after 1 and after N songs (default
// 100, from argv[1]) loaded and played in a row, and the CPU a field song
// costs while it plays for 20 s. Prints figures; never fails.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "audio/music_player.h"
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

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int songs = argc > 1 ? std::atoi(argv[1]) : 100;
    if (std::getenv("SDL_AUDIODRIVER") == nullptr) setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (chdir(GAME_DATA_DIR) != 0) return 1;

    double slowest = 0, total = 0;
    for (int i = 0; i < songs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!music.load(SONGS[i % 10])) return 1;
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        music.play();
        total += ms;
        if (ms > slowest) slowest = ms;
        if (i == 0)
            std::printf("after  1 song:  peak %.1f MB, resident %.1f MB; first load %.1f ms (driver %s)\n",
                        status_mb("VmHWM:"), status_mb("VmRSS:"), ms, sdl_audio_driver());
        if (i == 0) table_row("music memory after 1 song", "%.1f MB peak", status_mb("VmHWM:"));
    }
    std::printf("after %d songs: peak %.1f MB, resident %.1f MB; load mean %.1f ms, slowest %.1f ms\n", songs,
                status_mb("VmHWM:"), status_mb("VmRSS:"), total / songs, slowest);
    char what[64];
    std::snprintf(what, sizeof what, "music memory after %d song changes", songs);
    table_row(what, "%.1f MB peak", status_mb("VmHWM:"));
    table_row("song load", "mean %.1f ms, slowest %.1f ms", total / songs, slowest);

    music.load(SONGS[4]);
    music.play();
    const double cpu_before = cpu_seconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(20));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpu_seconds() - cpu_before;
    std::printf("a field song playing %.1f s: %.2f s of CPU = %.1f %% of one core\n", wall, cpu, cpu / wall * 100);
    table_row("CPU while a song plays", "%.1f %% of one core", cpu / wall * 100);
    return 0;
}
