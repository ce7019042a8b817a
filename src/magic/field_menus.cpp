#include "magic/field_menus.h"

// The spells and items arrive with their own screens; until then the
// panel's rows open nothing.
void field_magic_menu() {}
void field_item_menu() {}
