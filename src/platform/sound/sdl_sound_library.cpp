// The music library over the device: songs are MIDI files, checked as the
// synthesizer would check them, then loaded into the mixer when the device
// plays aloud, or only kept as checked on the silent path.
#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/sound/midi_file_check.h"
#include "platform/sound/sdl_audio.h"
#include "platform/sound/sdl_device.h"
#include "platform/sound/soundfont.h"

namespace {

AudioState& audio() { return sdl_audio_state(); }

auto find_song(FMUSIC_MODULE* song) {
    auto& songs = audio().songs;
    return std::find_if(songs.begin(), songs.end(), [song](const auto& s) { return s.get() == song; });
}

bool song_alive(FMUSIC_MODULE* song) { return find_song(song) != audio().songs.end(); }

class SdlSoundLibrary : public SoundLibrary {
public:
    float version() override { return 3.74f; }

    bool init(int, int, unsigned int) override {
        if (!sdl_device_open()) {
            error = FMOD_ERR_INIT;
            return false;
        }
        // Started again while a song plays (after an escaped battle): the
        // old song stops and the system is ready as if new.
        if (sdl_playing_aloud()) audio().mix->Mix_HaltMusic();
        started = true;
        error = FMOD_ERR_NONE;
        return true;
    }

    void close() override {
        if (started && sdl_playing_aloud()) audio().mix->Mix_HaltMusic();
        started = false;
    }

    int last_error() override { return error; }

    FMUSIC_MODULE* load_song(const char* name) override {
        if (!started) return fail(FMOD_ERR_UNINITIALIZED);
        int open_error = 0;
        if (!name || !regular_sound_file(name, open_error)) {
            return fail(open_error == 0 || open_error == ENOENT || open_error == ENOTDIR ? FMOD_ERR_FILE_NOTFOUND
                                                                                           : FMOD_ERR_FILE_BAD);
        }
        std::ifstream in(name, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.eof() && in.fail()) return fail(FMOD_ERR_FILE_BAD);
        switch (check_midi_file(bytes)) {
        case MidiCheck::not_midi:
            return fail(FMOD_ERR_FILE_FORMAT);
        case MidiCheck::truncated:
            return fail(FMOD_ERR_FILE_BAD);
        case MidiCheck::whole:
            break;
        }
        Mix_Music* music = nullptr;
        if (sdl_playing_aloud()) {
            SDL_RWops* source = audio().sdl->SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
            music = source ? audio().mix->Mix_LoadMUSType_RW(source, MUS_MID, 1) : nullptr;
            if (!music) return fail(FMOD_ERR_FILE_BAD);
        } else if (!soundfont_usable()) {
            return fail(FMOD_ERR_FILE_BAD);
        }
        audio().songs.push_back(std::make_unique<FMUSIC_MODULE>(FMUSIC_MODULE{music}));
        error = FMOD_ERR_NONE;
        return audio().songs.back().get();
    }

    bool play_song(FMUSIC_MODULE* song) override {
        if (!started || !song_alive(song)) return false;
        // Unheard on the silent path or with the music turned off, but
        // playing as far as the game knows.
        if (!sdl_playing_aloud() || audio().music_percent == 0) return true;
        // -1: the song starts again whenever it ends.
        return audio().mix->Mix_PlayMusic(song->music, -1) == 0;
    }

    bool free_song(FMUSIC_MODULE* song) override {
        if (!song_alive(song)) return false;
        if (song->music) audio().mix->Mix_FreeMusic(song->music);
        audio().songs.erase(find_song(song));
        return true;
    }

private:
    FMUSIC_MODULE* fail(int code) {
        error = code;
        return nullptr;
    }

    bool started = false;
    int error = FMOD_ERR_NONE;
};

}  // namespace

// Never destroyed, like the audio state: callable to the very end.
SoundLibrary& sdl_sound_library() {
    static SdlSoundLibrary* library = new SdlSoundLibrary;
    return *library;
}
