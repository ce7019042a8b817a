// The background music: one song at a time through the music library. Every
// load starts the sound system, every close halts the music (the device
// itself stays open until the process ends); a song that will not load is
// fatal to the caller, after the player has said why.
#pragma once

#include "platform/sound/sound_library.h"

// The oldest library version the player works with. The game's own library
// reports 3.74, so the check never fails in play; it stays as the player's
// guard against a library it was not made for, and a test's older one.
constexpr float FMOD_VERSION = 3.33f;

class MusicPlayer {
public:
    MusicPlayer();
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Tests the library's version, starts the sound system and loads the
    // song; true when it is ready to play. On failure the reason is written.
    bool load(const char* name);
    // Starts the loaded song; the library's answer, which nobody needs.
    signed char play();
    // Stops the song and leaves the sound system to be started again by
    // the next load.
    void close();

    // The song loaded last, null until a load succeeds.
    FMUSIC_MODULE* song;
    // The name of the song loaded last, cut to fit. Nothing in the game
    // reads it; it is kept as the player's record of its last load.
    char file_name[128];

private:
    bool load_song(const char* name);
    void free_song();
    void report_error();
};

extern MusicPlayer music;

// The library's words for each of its error codes.
const char* fmod_error_text(int code);
