// The spell and item menus of the map screen, opened from the status
// panel's Magic and Item rows. They redraw the map screen and stop the
// hero walking when they close.
#pragma once

void field_magic_menu();
void field_item_menu();
