// The system's sound player for the game's effects: starts a WAV file by
// name and returns at once; a new effect replaces the one still playing.
#pragma once

class EffectPlayer {
public:
    virtual ~EffectPlayer() = default;
    virtual void play(const char* file_name) = 0;
};

void install_effect_player(EffectPlayer& player);
EffectPlayer& installed_effect_player();

// The player's flags the game uses: the name is a file, play without waiting.
constexpr unsigned long SND_ASYNC = 0x0001;
constexpr unsigned long SND_FILENAME = 0x20000;

// Plays the named file on the installed player. Only file names are
// supported; the module handle is unused.
int PlaySoundA(const char* sound, void* module, unsigned long flags);
