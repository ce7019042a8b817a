// Everything the player sees in a battle: the frame, the monster's picture,
// name and HP, the hero's status, the command menu and the floating numbers.
#pragma once

#include "state/tables.h"

// The monster's picture is drawn in bright red.
constexpr int MONSTER_PICTURE_COLOR = 12;

// Cleared in black, then picture, frame, commands, monster and hero.
void draw_battle_screen();
void draw_battle_frame();
void draw_monster_picture();
void draw_command_menu();
// Sets a negative monster HP or MP to 0 in the tables, then shows them.
void draw_monster_status();
// Shows a copy of the party: negative HP or MP show as 0, the party itself
// is left alone.
void draw_party_status(Party shown);
// The four labels of the hero's status, wiping the old values.
void draw_party_labels();
// The amount of the player's action rising four rows, over the monster or
// by the hero; nothing after an escape or an item with no amount.
void show_player_amount();
// The amount of the monster's action rising by the hero, in red.
void show_monster_amount();
