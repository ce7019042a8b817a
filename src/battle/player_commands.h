// The player's turn in a battle: a left click on one of the five command
// words, carried out, and HP and MP brought back into range.
#pragma once

#include "support/apstring"

// The click zone: the same seven columns on every command row.
constexpr int COMMAND_LEFT = 64;
constexpr int COMMAND_RIGHT = 70;
constexpr int COMMAND_TOP = 17;  // Attack; then Defend, Magic, Item, Escape

// Waits for a left click in the command zone and carries the command out;
// after every event it throws the rest of the waiting input away. Escape
// sets *escaped to 1.
void read_battle_command(int* escaped);

void player_attack();
void player_defend();
void player_magic();
void player_item();
void player_escape(int* escaped);

// The window that lists the spells ('m') or items ('i') by menu_kind; it
// leaves the list's colour current for the menu that follows.
void menu_window(apstring title);
