// A battle against the monster of kind current_monster, round by round,
// until the hero wins, escapes or falls, which ends the game.
#pragma once

#include "state/tables.h"

// Returns after a victory or an escape; a defeat ends the program with
// status 1 once the game-over screen has had its key.
void run_battle(Party& party);

// The game-over picture line by line from "gameover.txt", then flickers,
// until a key is waiting.
void game_over_screen();
