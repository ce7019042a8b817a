// The map screen's right-hand panel: the hero's name, HP, MP and experience,
// and the "Magic" and "Item" rows that open the map-screen menus.
#pragma once

// Rows of the panel a left click opens a menu on (any column from 60).
constexpr int PANEL_MAGIC_ROW = 10;
constexpr int PANEL_ITEM_ROW = 11;

void draw_status_panel();
