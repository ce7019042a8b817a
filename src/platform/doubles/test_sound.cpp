#include "platform/doubles/test_sound.h"

#include <cstdio>

namespace {

std::string formatted(const char* what, int n) { return std::string(what) + " " + std::to_string(n); }

}  // namespace

// A song handle is the address of one slot of song_storage: unique, and
// never dereferenced.
int TestSoundLibrary::number_of(FMUSIC_MODULE* song) const {
    if (!song) return 0;
    return static_cast<int>(reinterpret_cast<const int*>(song) - song_storage.data()) + 1;
}

float TestSoundLibrary::version() {
    calls.push_back("version");
    return version_answer;
}

bool TestSoundLibrary::init(int mixing_rate, int software_channels, unsigned int flags) {
    char call[64];
    std::snprintf(call, sizeof call, "init %d %d %u", mixing_rate, software_channels, flags);
    calls.push_back(call);
    return init_answer;
}

void TestSoundLibrary::close() { calls.push_back("close"); }

int TestSoundLibrary::last_error() {
    calls.push_back("error");
    return error_answer;
}

FMUSIC_MODULE* TestSoundLibrary::load_song(const char* name) {
    calls.push_back(std::string("load ") + name);
    if (!load_answer || loaded >= static_cast<int>(song_storage.size())) return nullptr;
    ++alive;
    return reinterpret_cast<FMUSIC_MODULE*>(&song_storage[loaded++]);
}

bool TestSoundLibrary::play_song(FMUSIC_MODULE* song) {
    calls.push_back(formatted("play", number_of(song)));
    return song != nullptr;
}

bool TestSoundLibrary::free_song(FMUSIC_MODULE* song) {
    calls.push_back(formatted("free", number_of(song)));
    if (song) --alive;
    return song != nullptr;
}
