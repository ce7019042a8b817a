// A battle against the monster of kind current_monster, round by round,
// until the hero wins, escapes or falls (which ends the game).
#pragma once

#include "state/tables.h"

void run_battle(Party& party);
