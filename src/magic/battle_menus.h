// The spell and item menus of a battle, over the window the Magic and Item
// commands draw: a left click on an entry uses it, a right click leaves
// (and sets menu_cancelled).
#pragma once

void battle_magic_menu();
void battle_item_menu();
