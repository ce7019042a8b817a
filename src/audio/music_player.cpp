#include "audio/music_player.h"

#include <cstdio>
#include <ostream>

#include "platform/clock.h"
#include "support/game_streams.h"

MusicPlayer music;

namespace {

// The player's messages go to the console, where the game's standard output
// appears, and to the error stream too: every one of them ends the game, and
// the error stream is what the player can still read once the game has
// given the terminal back.
void say(const char* text) {
    standard_output() << text << std::endl;
    standard_error() << text << std::endl;
}

}  // namespace

MusicPlayer::MusicPlayer() : song(nullptr), file_name{} {}

// At exit: the game's clock may be gone, and there is nobody to hear.
MusicPlayer::~MusicPlayer() {
    free_song();
    FSOUND_Close();
}

bool MusicPlayer::load(const char* name) {
    // A load stops the song still playing: that is heard when the game's
    // pauses so far are over, not while it still owes them.
    installed_clock().settle();
    if (FSOUND_GetVersion() < FMOD_VERSION) {
        char line[128];
        std::snprintf(line, sizeof line,
                      "Error : You are using the wrong DLL version!  You should be using FMOD %g",
                      static_cast<double>(FMOD_VERSION));
        say(line);
        return false;
    }
    if (!FSOUND_Init(44100, 32, 2)) {
        report_error();
        return false;
    }
    return load_song(name);
}

bool MusicPlayer::load_song(const char* name) {
    // Every song holds a synthesizer of its own, and a new one is loaded on
    // every pass of the main loop: the one it replaces must go.
    free_song();
    song = FMUSIC_LoadSong(name);
    if (!song) {
        report_error();
        return false;
    }
    std::snprintf(file_name, sizeof file_name, "%s", name);
    return true;
}

signed char MusicPlayer::play() {
    installed_clock().settle();
    return FMUSIC_PlaySong(song);
}

void MusicPlayer::close() {
    installed_clock().settle();
    FSOUND_Close();
}

void MusicPlayer::free_song() {
    FMUSIC_FreeSong(song);
    song = nullptr;
}

void MusicPlayer::report_error() { say(fmod_error_text(FSOUND_GetError())); }

const char* fmod_error_text(int code) {
    static const char* const TEXTS[] = {
        "No errors",
        "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
        "This command failed because FSOUND_Init was not called",
        "Error initializing output device.",
        "The output device is already in use and cannot be reused.",
        "Playing the sound failed.",
        "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
        "Error setting cooperative level for hardware.",
        "Error creating hardware sound buffer.",
        "File not found",
        "Unknown file format",
        "Error loading file",
        "Not enough memory ",
        "The version number of this file format is not supported",
        "An invalid parameter was passed to this function",
        "Tried to use an EAX command on a non EAX enabled channel or output.",
        "Tried to use an advanced EAX2 command on a non EAX2 enabled channel or output.",
        "Failed to allocate a new channel",
        "Recording not supported on this device",
        "Required Mediaplayer codec is not installed",
    };
    if (code < 0 || code >= static_cast<int>(std::size(TEXTS))) return "Unknown error";
    return TEXTS[code];
}
