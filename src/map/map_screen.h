// The world map screen: a double frame around the map and the status
// panel, and the map itself, read from "Mp1.txt" every time it is shown,
// which also rebuilds the grid of walkable cells.
#pragma once

constexpr int MAP_COLUMNS = 55;
constexpr int MAP_ROWS = 21;

// The screen cell of map cell 0; map positions are screen positions.
constexpr int MAP_LEFT = 4;
constexpr int MAP_TOP = 2;

// Frame, panel, map and hero. The caller clears the screen first.
void draw_map_screen();

// The double-line frame in dark grey.
void draw_map_frame();
