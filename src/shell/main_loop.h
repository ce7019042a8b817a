// The spine of the game: the start-up order and the endless loop of a new
// field song and a stay on the world map that ends in a battle.
#pragma once

#include "state/tables.h"

// The nine songs of the world map, one drawn at random for every stay.
extern const char* const FIELD_SONGS[9];

// Intro, the hero at his start, the tables filled, then the loop. Never
// returns: the game ends by exit status 1.
[[noreturn]] void run_game();

// Picks one of the field songs by the current second and starts it; a song
// that will not load ends the game.
void play_field_song();

// One stay on the map: the map screen, walking until a monster appears, the
// transition into battle, the battle, and back.
void field_phase(Party& party, int& x, int& y);

// The map eaten away by 400 black cells at random, 2 ms each.
void encounter_dissolve();
