// Finding the soundfont the songs are synthesized with.
#pragma once

// The first of the game's own choice of General MIDI fonts that is
// installed, or null: then the mixer takes its own.
const char* installed_soundfont();

// Whether the font the mixer would take is a SoundFont file: the only thing
// the synthesizer refuses in a song that passed the file check is a font it
// cannot load, so the silent path, which synthesizes nothing, still asks.
bool soundfont_usable();
