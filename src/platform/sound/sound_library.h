// The music library the game calls, under the library's own names: its
// version, start and shut-down of the sound system, the last error, and
// loading, playing and freeing a song. Whatever library is installed does
// the work: the real one over SDL2_mixer, or a test one.
#pragma once

// A loaded song. Only the installed library knows what is inside.
struct FMUSIC_MODULE;

// The library's error codes the game may see.
constexpr int FMOD_ERR_NONE = 0;
constexpr int FMOD_ERR_UNINITIALIZED = 2;
constexpr int FMOD_ERR_INIT = 3;
constexpr int FMOD_ERR_FILE_NOTFOUND = 9;
constexpr int FMOD_ERR_FILE_FORMAT = 10;
constexpr int FMOD_ERR_FILE_BAD = 11;
constexpr int FMOD_ERR_MEMORY = 12;

class SoundLibrary {
public:
    virtual ~SoundLibrary() = default;
    virtual float version() = 0;
    virtual bool init(int mixing_rate, int software_channels, unsigned int flags) = 0;
    virtual void close() = 0;
    virtual int last_error() = 0;
    virtual FMUSIC_MODULE* load_song(const char* name) = 0;
    virtual bool play_song(FMUSIC_MODULE* song) = 0;
    virtual bool free_song(FMUSIC_MODULE* song) = 0;
};

void install_sound_library(SoundLibrary& library);
SoundLibrary& installed_sound_library();

float FSOUND_GetVersion();
signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
void FSOUND_Close();
int FSOUND_GetError();
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
signed char FMUSIC_PlaySong(FMUSIC_MODULE* song);
signed char FMUSIC_FreeSong(FMUSIC_MODULE* song);
