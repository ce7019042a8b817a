#include "platform/sound/sdl_audio.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/midi_file_check.h"
#include "platform/sound/sound_libraries.h"

#include <fluidsynth.h>

// A song the library holds: the mixer's music, or none on the silent path,
// where a song is only checked and never synthesized.
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
// What SDL2_mixer falls back on when none of those is installed.
const char* const MIXER_DEFAULT_SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

constexpr int EFFECT_CHANNEL = 0;
constexpr int OUTPUT_RATE = 44100;
constexpr int OUTPUT_CHANNELS = 2;
constexpr int OUTPUT_SAMPLES = 2048;

void quiet_sdl_log(void*, int, SDL_LogPriority, const char*) {}
void quiet_fluid_log(int, const char*, void*) {}
void quiet_alsa_log(const char*, int, const char*, int, const char*, ...) {}

// unopened: nothing loaded yet. open: a device plays through the mixer.
// silent: no device could be opened; songs are still opened and checked,
// nothing is loaded, synthesized or mixed. shut: at exit, for good.
enum class Device { unopened, open, silent, shut };

// The audio state lives until the very end of the process, never destroyed:
// the music player's own destructor still frees its song at exit, after
// every other static may be gone.
struct AudioState {
    Device device = Device::unopened;
    const SdlCalls* sdl = nullptr;
    const MixerCalls* mix = nullptr;
    // Songs alive in the library; one freed at shut-down is no longer here,
    // so a later free of it is harmless.
    std::vector<std::unique_ptr<FMUSIC_MODULE>> songs;
    Mix_Chunk* effect = nullptr;
    // The player's levels, in percent: a level of 0 plays nothing at all.
    int music_percent = 100;
    int effects_percent = 100;
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
    if (a.device != Device::open) {
        if (a.device == Device::silent) a.songs.clear();
        if (a.device != Device::unopened) a.device = Device::shut;
        return;
    }
    const MixerCalls& mix = *a.mix;
    mix.Mix_HaltChannel(-1);
    mix.Mix_HaltMusic();
    if (a.effect) mix.Mix_FreeChunk(a.effect);
    a.effect = nullptr;
    for (auto& song : a.songs) mix.Mix_FreeMusic(song->music);
    a.songs.clear();
    mix.Mix_CloseAudio();
    mix.Mix_Quit();
    a.sdl->SDL_Quit();
    a.device = Device::shut;
}

// Whether SDL finds a device that opens, asked before the mixer and its
// synthesizer are loaded: on a server, over SSH or in CI there is none, the
// drivers that exist start and then fail to open.
bool device_exists(const SdlCalls& sdl) {
    // A desktop's mixer shows the game's stream under its name and icon
    // (SDL reads its hints from the environment, PulseAudio and PipeWire
    // the stream's properties); a player's own setting stays.
    setenv("SDL_AUDIO_DEVICE_APP_NAME", "Dunmar", 0);
    setenv("PULSE_PROP_application.icon_name", "dunmar", 0);
    if (sdl.SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = OUTPUT_RATE;
    wanted.format = MIX_DEFAULT_FORMAT;
    wanted.channels = OUTPUT_CHANNELS;
    wanted.samples = OUTPUT_SAMPLES;
    SDL_AudioSpec got{};
    const SDL_AudioDeviceID id = sdl.SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, SDL_AUDIO_ALLOW_ANY_CHANGE);
    if (id != 0) sdl.SDL_CloseAudioDevice(id);
    return id != 0;
}

// The mixer over the device SDL found; false (and nothing of it left) if it
// does not open after all.
bool open_mixer() {
    const MixerCalls* mix = load_mixer();
    if (!mix) return false;
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
        mix->fluid_set_log_function(level, quiet_fluid_log, nullptr);
    if (mix->Mix_OpenAudio(OUTPUT_RATE, MIX_DEFAULT_FORMAT, OUTPUT_CHANNELS, OUTPUT_SAMPLES) != 0) {
        unload_mixer();
        return false;
    }
    for (const char* font : SOUNDFONTS) {
        struct stat info {};
        if (stat(font, &info) == 0) {
            mix->Mix_SetSoundFonts(font);
            break;
        }
    }
    mix->Mix_Init(MIX_INIT_MID);
    mix->Mix_VolumeMusic(audio().music_percent * MIX_MAX_VOLUME / 100);
    mix->Mix_Volume(EFFECT_CHANNEL, audio().effects_percent * MIX_MAX_VOLUME / 100);
    audio().mix = mix;
    return true;
}

// Opens the device on first use: the mixer when there is a device, else the
// silent path, which lets every library go again. Everything these
// libraries would print would land on the game's screen, or after it: they
// get log functions that say nothing before they start.
bool device_open() {
    AudioState& a = audio();
    if (a.device == Device::unopened) {
        a.device = Device::silent;
        if (const SdlCalls* sdl = load_sdl()) {
            sdl->SDL_LogSetOutputFunction(quiet_sdl_log, nullptr);
            sdl->snd_lib_error_set_handler(quiet_alsa_log);
            a.sdl = sdl;
            if (device_exists(*sdl) && open_mixer()) {
                a.device = Device::open;
                std::atexit(shut_device);
            } else {
                sdl->SDL_Quit();
                a.sdl = nullptr;
                unload_sdl();
            }
        }
    }
    return a.device == Device::open || a.device == Device::silent;
}

bool playing_aloud() { return audio().device == Device::open; }

// The check the synthesizer makes when it loads a song, kept on the silent
// path: the only thing it refuses in a song that passed the file check is
// a soundfont it cannot load, so the font the mixer would take must be a
// SoundFont file (a RIFF file of the form "sfbk").
bool is_soundfont(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    char header[12] = {};
    in.read(header, sizeof header);
    return in && std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "sfbk", 4) == 0;
}

bool soundfont_usable() {
    for (const char* font : SOUNDFONTS) {
        struct stat info {};
        if (stat(font, &info) == 0) return is_soundfont(font);
    }
    // Then the mixer's own choice: the fonts named in SDL_SOUNDFONTS, else its default.
    if (const char* named = std::getenv("SDL_SOUNDFONTS"); named && *named) {
        std::string list = named;
        for (std::size_t at = 0; at <= list.size();) {
            const std::size_t end = std::min(list.find_first_of(":;", at), list.size());
            if (end > at && is_soundfont(list.substr(at, end - at))) return true;
            at = end + 1;
        }
        return false;
    }
    return is_soundfont(MIXER_DEFAULT_SOUNDFONT);
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
        if (playing_aloud()) audio().mix->Mix_HaltMusic();
        started = true;
        error = FMOD_ERR_NONE;
        return true;
    }

    void close() override {
        if (started && playing_aloud()) audio().mix->Mix_HaltMusic();
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
        Mix_Music* music = nullptr;
        if (playing_aloud()) {
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
        if (!playing_aloud() || audio().music_percent == 0) return true;
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

class SdlEffectPlayer : public EffectPlayer {
public:
    void play(const char* file_name) override {
        if (audio().effects_percent == 0 || !device_open() || !playing_aloud()) return;
        // The new effect replaces the one still playing, even when the new
        // one turns out to be missing: then there is silence.
        const MixerCalls& mix = *audio().mix;
        Mix_Chunk*& effect = audio().effect;
        mix.Mix_HaltChannel(EFFECT_CHANNEL);
        if (effect) mix.Mix_FreeChunk(effect);
        effect = nullptr;
        int ignored = 0;
        if (!file_name || !is_regular_file(file_name, ignored)) return;
        SDL_RWops* source = audio().sdl->SDL_RWFromFile(file_name, "rb");
        effect = source ? mix.Mix_LoadWAV_RW(source, 1) : nullptr;
        if (effect) mix.Mix_PlayChannelTimed(EFFECT_CHANNEL, effect, 0, -1);
    }
};

}  // namespace

void set_sound_levels(int music_percent, int effects_percent) {
    audio().music_percent = music_percent;
    audio().effects_percent = effects_percent;
}

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
    if (audio().device == Device::silent) return "none";
    const char* name = audio().device == Device::open ? audio().sdl->SDL_GetCurrentAudioDriver() : nullptr;
    return name ? name : "";
}
