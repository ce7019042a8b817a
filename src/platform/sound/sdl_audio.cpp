#include "platform/sound/sdl_audio.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <alsa/asoundlib.h>
#include <fluidsynth.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/midi_file_check.h"

struct FMUSIC_MODULE {
    Mix_Music* music;
};

namespace {

// Debian's default soundfont link may point at a 145 MB font that takes a
// quarter of a second per load; the small General MIDI font is the one the
// game's songs are made for.
const char* const SOUNDFONTS[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
};

constexpr int EFFECT_CHANNEL = 0;

void quiet_sdl_log(void*, int, SDL_LogPriority, const char*) {}
void quiet_fluid_log(int, const char*, void*) {}
void quiet_alsa_log(const char*, int, const char*, int, const char*, ...) {}

// Everything these libraries would print would land on the game's screen,
// or after it: they get log functions that say nothing.
void silence_libraries() {
    SDL_LogSetOutputFunction(quiet_sdl_log, nullptr);
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, quiet_fluid_log, nullptr);
    snd_lib_error_set_handler(quiet_alsa_log);
}

enum class Device { unopened, open, failed, shut };

// The audio state lives until the very end of the process, never destroyed:
// the music player's own destructor still frees its song at exit, after
// every other static may be gone.
struct AudioState {
    Device device = Device::unopened;
    // Songs alive in the library; one freed at shut-down is no longer here,
    // so a later free of it is harmless.
    std::vector<std::unique_ptr<FMUSIC_MODULE>> songs;
    Mix_Chunk* effect = nullptr;
};

AudioState& audio() {
    static AudioState* state = new AudioState;
    return *state;
}

void shut_device();

}  // namespace

void shut_sdl_audio() { shut_device(); }

namespace {

void shut_device() {
    AudioState& a = audio();
    if (a.device != Device::open) return;
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    if (a.effect) Mix_FreeChunk(a.effect);
    a.effect = nullptr;
    for (auto& song : a.songs) Mix_FreeMusic(song->music);
    a.songs.clear();
    Mix_CloseAudio();
    Mix_Quit();
    SDL_Quit();
    a.device = Device::shut;
}

bool try_open() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) == 0) return true;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
}

bool device_open() {
    Device& device = audio().device;
    if (device == Device::unopened) {
        silence_libraries();
        bool opened = try_open();
        if (!opened) {
            // No sound card (a server, SSH, CI): the drivers that exist
            // start and then fail to open. The silent driver still loads
            // and plays songs, so the game goes on as it would, unheard.
            // The override beats an SDL_AUDIODRIVER set in the environment.
            SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
            opened = try_open();
        }
        if (opened) {
            for (const char* font : SOUNDFONTS) {
                struct stat info {};
                if (stat(font, &info) == 0) {
                    Mix_SetSoundFonts(font);
                    break;
                }
            }
            Mix_Init(MIX_INIT_MID);
            std::atexit(shut_device);
        }
        device = opened ? Device::open : Device::failed;
    }
    return device == Device::open;
}

bool is_regular_file(const char* name, int& error) {
    struct stat info {};
    if (stat(name, &info) != 0) {
        error = errno;
        return false;
    }
    error = 0;
    return S_ISREG(info.st_mode);
}

auto find_song(FMUSIC_MODULE* song) {
    auto& songs = audio().songs;
    return std::find_if(songs.begin(), songs.end(), [song](const auto& s) { return s.get() == song; });
}

bool song_alive(FMUSIC_MODULE* song) { return find_song(song) != audio().songs.end(); }

class SdlSoundLibrary : public SoundLibrary {
public:
    float version() override { return 3.74f; }

    bool init(int, int, unsigned int) override {
        if (!device_open()) {
            error = FMOD_ERR_INIT;
            return false;
        }
        // Started again while a song plays (after an escaped battle): the
        // old song stops and the system is ready as if new.
        Mix_HaltMusic();
        started = true;
        error = FMOD_ERR_NONE;
        return true;
    }

    void close() override {
        if (started && audio().device == Device::open) Mix_HaltMusic();
        started = false;
    }

    int last_error() override { return error; }

    FMUSIC_MODULE* load_song(const char* name) override {
        if (!started) return fail(FMOD_ERR_UNINITIALIZED);
        int open_error = 0;
        if (!name || !is_regular_file(name, open_error)) {
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
        SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
        Mix_Music* music = source ? Mix_LoadMUSType_RW(source, MUS_MID, 1) : nullptr;
        if (!music) return fail(FMOD_ERR_FILE_BAD);
        audio().songs.push_back(std::make_unique<FMUSIC_MODULE>(FMUSIC_MODULE{music}));
        error = FMOD_ERR_NONE;
        return audio().songs.back().get();
    }

    bool play_song(FMUSIC_MODULE* song) override {
        if (!started || !song_alive(song)) return false;
        // -1: the song starts again whenever it ends.
        return Mix_PlayMusic(song->music, -1) == 0;
    }

    bool free_song(FMUSIC_MODULE* song) override {
        if (!song_alive(song)) return false;
        Mix_FreeMusic(song->music);
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

class SdlEffectPlayer : public EffectPlayer {
public:
    void play(const char* file_name) override {
        if (!device_open()) return;
        // The new effect replaces the one still playing, even when the new
        // one turns out to be missing: then there is silence.
        Mix_Chunk*& effect = audio().effect;
        Mix_HaltChannel(EFFECT_CHANNEL);
        if (effect) Mix_FreeChunk(effect);
        effect = nullptr;
        int ignored = 0;
        if (!file_name || !is_regular_file(file_name, ignored)) return;
        effect = Mix_LoadWAV(file_name);
        if (effect) Mix_PlayChannel(EFFECT_CHANNEL, effect, 0);
    }
};

}  // namespace

// Never destroyed, like the audio state: callable to the very end.
SoundLibrary& sdl_sound_library() {
    static SdlSoundLibrary* library = new SdlSoundLibrary;
    return *library;
}

EffectPlayer& sdl_effect_player() {
    static SdlEffectPlayer* player = new SdlEffectPlayer;
    return *player;
}

const char* sdl_audio_driver() {
    const char* name = audio().device == Device::open ? SDL_GetCurrentAudioDriver() : nullptr;
    return name ? name : "";
}
