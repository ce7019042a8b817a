// The real sound on SDL2_mixer. Each case runs in a child process of its
// own, since the audio device is opened once per process, and SDL's disk
// driver lets the test hear: it writes the mixed samples to a file.
#include "platform/sound/sdl_audio.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

const std::string DATA = GAME_DATA_DIR;
const std::string SONG = DATA + "/music/midi/Battle.mid";
const std::string EFFECT = DATA + "/music/wav/attack.wav";

// Anything a library prints fails the match: the child's standard output
// is joined to its standard error, which must stay empty.
void quiet_child() { dup2(STDERR_FILENO, STDOUT_FILENO); }

std::string disk_file() { return "/tmp/sdl_audio_test_" + std::to_string(getpid()) + ".raw"; }

void use_disk_driver() {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", disk_file().c_str(), 1);
}

[[noreturn]] void finish(bool ok) {
    std::remove(disk_file().c_str());
    std::_Exit(ok ? 0 : 3);
}

// The seconds of 16-bit stereo samples the disk driver has written so far.
double written() {
    struct stat info {};
    return stat(disk_file().c_str(), &info) == 0 ? static_cast<double>(info.st_size) / (44100 * 4) : 0;
}

// The driver writes in real time at this machine's pace: plays on until it wrote that many seconds more (20 s
// at most), and says where it was, which the checks count from: it writes while a song is still loading.
double play_on(double seconds) {
    const double from = written();
    for (int look = 0; look < 4000 && written() < from + seconds; ++look)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (written() < from + seconds) finish(false);
    return from;
}

// RMS of the samples written from one second to another.
double loudness_of_output(double from, double to) {
    std::ifstream in(disk_file(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto at = [](double second) { return static_cast<std::size_t>(second * 44100) * 4; };
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = at(from); i < at(to) && i + 1 < bytes.size(); i += 2) {
        const auto sample = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[i]) | bytes[i + 1] << 8);
        sum += static_cast<double>(sample) * sample;
        ++count;
    }
    return count ? std::sqrt(sum / static_cast<double>(count)) : 0;
}

TEST(SdlAudioDeathTest, AShippedSongIsAudible) {
    auto child = [] {
        quiet_child();
        use_disk_driver();
        if (!FSOUND_Init(44100, 32, 2)) finish(false);
        FMUSIC_MODULE* song = FMUSIC_LoadSong(SONG.c_str());
        if (!song || !FMUSIC_PlaySong(song)) finish(false);
        const double start = play_on(1.5);
        shut_sdl_audio();
        finish(loudness_of_output(start + 0.2, written()) > 300);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "^$");
}

TEST(SdlAudioDeathTest, EffectsPlayOnAfterTheMusicIsClosed) {
    auto child = [] {
        quiet_child();
        use_disk_driver();
        FSOUND_Init(44100, 32, 2);
        FMUSIC_MODULE* song = FMUSIC_LoadSong(SONG.c_str());
        FMUSIC_PlaySong(song);
        play_on(0.3);
        FSOUND_Close();
        PlaySoundA(EFFECT.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
        const double effect = play_on(0.1);
        FSOUND_Close();  // closing again leaves the effect alone too
        play_on(0.4);
        shut_sdl_audio();
        finish(loudness_of_output(effect + 0.05, written()) > 300);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "^$");
}

TEST(SdlAudioDeathTest, ClosedMusicIsSilent) {
    auto child = [] {
        quiet_child();
        use_disk_driver();
        FSOUND_Init(44100, 32, 2);
        FMUSIC_PlaySong(FMUSIC_LoadSong(SONG.c_str()));
        play_on(0.3);
        FSOUND_Close();
        const double closed = play_on(1.0);
        shut_sdl_audio();
        // What the synthesizer still had in its buffers dies away at once:
        // from half a second after the close on, all is silent.
        finish(loudness_of_output(closed + 0.5, written()) < 5);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "^$");
}

// Whether a library of that name is loaded in this process.
bool library_loaded(const std::string& name) {
    std::ifstream maps("/proc/self/maps");
    const std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
    return text.find(name) != std::string::npos;
}

TEST(SdlAudioDeathTest, WithoutASoundCardSongsAreCheckedButNothingIsSynthesized) {
    auto child = [] {
        quiet_child();
        // A driver that starts, then cannot open its device.
        setenv("SDL_AUDIODRIVER", "alsa", 1);
        setenv("AUDIODEV", "hw:99,0", 1);
        if (!FSOUND_Init(44100, 32, 2)) finish(false);
        if (std::string(sdl_audio_driver()) != "none") finish(false);
        FMUSIC_MODULE* song = FMUSIC_LoadSong(SONG.c_str());
        if (!song || !FMUSIC_PlaySong(song)) finish(false);
        PlaySoundA(EFFECT.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
        // A broken song still says what is wrong with it.
        const std::string garbage = "/tmp/sdl_audio_garbage_" + std::to_string(getpid()) + ".mid";
        std::ofstream(garbage) << "not a song";
        const bool refused = FMUSIC_LoadSong(garbage.c_str()) == nullptr && FSOUND_GetError() == FMOD_ERR_FILE_FORMAT &&
                             FMUSIC_LoadSong((DATA + "/no such song.mid").c_str()) == nullptr &&
                             FSOUND_GetError() == FMOD_ERR_FILE_NOTFOUND;
        std::remove(garbage.c_str());
        // Neither the mixer nor the synthesizer was ever loaded.
        finish(refused && FMUSIC_FreeSong(song) == 1 && !library_loaded("libSDL2_mixer") &&
               !library_loaded("libfluidsynth"));
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "^$");
}

TEST(SdlAudioDeathTest, LoadFailuresSayWhatIsWrong) {
    auto child = [] {
        quiet_child();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        const std::string dir = "/tmp/sdl_audio_files_" + std::to_string(getpid());
        const bool made = std::system(("mkdir -p '" + dir + "/folder.mid'").c_str()) == 0;
        std::ofstream(dir + "/garbage.mid") << "this is not a song at all";
        std::ofstream(dir + "/empty.mid");
        std::ifstream whole(SONG, std::ios::binary);
        std::string song((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
        std::ofstream(dir + "/cut.mid", std::ios::binary) << song.substr(0, song.size() / 2);

        auto error_of = [&](const std::string& name) {
            FMUSIC_MODULE* loaded = FMUSIC_LoadSong((dir + "/" + name).c_str());
            return loaded ? -100 : FSOUND_GetError();
        };
        bool ok = made && FMUSIC_LoadSong(SONG.c_str()) == nullptr && FSOUND_GetError() == FMOD_ERR_UNINITIALIZED;
        ok = ok && FSOUND_Init(44100, 32, 2);
        ok = ok && error_of("missing.mid") == FMOD_ERR_FILE_NOTFOUND;
        ok = ok && error_of("folder.mid") == FMOD_ERR_FILE_NOTFOUND;
        ok = ok && error_of("garbage.mid") == FMOD_ERR_FILE_FORMAT;
        ok = ok && error_of("empty.mid") == FMOD_ERR_FILE_FORMAT;
        ok = ok && error_of("cut.mid") == FMOD_ERR_FILE_BAD;
        // Freeing nothing, and freeing after the close, are harmless.
        FMUSIC_MODULE* good = FMUSIC_LoadSong(SONG.c_str());
        ok = ok && good && FMUSIC_FreeSong(nullptr) == 0;
        FSOUND_Close();
        ok = ok && FMUSIC_PlaySong(good) == 0;
        ok = ok && FMUSIC_FreeSong(good) == 1 && FMUSIC_FreeSong(good) == 0;
        // Starting again while started succeeds.
        ok = ok && FSOUND_Init(44100, 32, 2) && FSOUND_Init(44100, 32, 2);
        ok = std::system(("rm -rf '" + dir + "'").c_str()) == 0 && ok;
        finish(ok);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "^$");
}

// The player's levels. Each child plays the song, and an effect of 1.2 s at
// once, until 2.5 s of samples are written, and leaves the loudness of the
// first 0.3 s (the effect over the song) and of the last second (the song
// alone) in a file for the test to compare.
std::pair<double, double> heard_at_levels(int music_percent, int effects_percent) {
    const std::string result = "/tmp/sdl_audio_levels_" + std::to_string(getpid()) + ".txt";
    auto child = [&] {
        quiet_child();
        use_disk_driver();
        set_sound_levels(music_percent, effects_percent);
        if (!FSOUND_Init(44100, 32, 2)) finish(false);
        FMUSIC_MODULE* song = FMUSIC_LoadSong(SONG.c_str());
        if (!song || !FMUSIC_PlaySong(song)) finish(false);
        PlaySoundA(EFFECT.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
        const double start = play_on(2.5);
        shut_sdl_audio();
        std::ofstream(result) << loudness_of_output(start, start + 0.3) << " "
                              << loudness_of_output(start + 1.5, start + 2.5) << "\n";
        finish(true);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "^$");
    std::pair<double, double> heard{-1, -1};
    std::ifstream(result) >> heard.first >> heard.second;
    std::remove(result.c_str());
    return heard;
}

TEST(SdlAudioDeathTest, TheLevelsThePlayerSetsAreHeard) {
    const auto [full_with_effect, full_song] = heard_at_levels(100, 100);
    ASSERT_GT(full_song, 300);
    const auto [effect_alone, no_song] = heard_at_levels(0, 100);
    EXPECT_LT(no_song, 5) << "--no-music: the song is silent";
    EXPECT_GT(effect_alone, 300) << "and the effect still sounds";
    const auto [with_effect, half_song] = heard_at_levels(50, 100);
    EXPECT_GT(half_song, 0.35 * full_song) << "--music-volume 50: about half as loud";
    EXPECT_LT(half_song, 0.65 * full_song);
    const auto [song_alone, song] = heard_at_levels(100, 0);
    EXPECT_GT(song, 300) << "--no-effects: the song plays";
    EXPECT_LT(song_alone, full_with_effect) << "without the effect over it";
}

}  // namespace
