#include "battle/battle_driver.h"

// The battle arrives with its own screens; until then an encounter returns
// straight to the map.
void run_battle(Party&) {}
