#include "magic/battle_menus.h"

// The spells and items arrive with their own screens; until then the
// menus close at once, having chosen nothing.
void battle_magic_menu() {}
void battle_item_menu() {}
