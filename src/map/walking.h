// Walking on the world map: a left click in the map switches walking on or
// off, and while it is on every mouse event steps the hero at most one cell
// towards the pointer on each axis. After every such step a monster may
// appear.
#pragma once

extern bool walking;
// The hero's cell in the grid: (player_x - 4) + (player_y - 2) * 56.
extern int map_index;

// Draws the hero, pauses, and handles events until one walking event has
// moved the hero (or tried to). Clicks on the panel's Magic and Item rows
// open the map-screen menus on the way.
void walk_step(int& x, int& y);

// Walk steps until a monster appears; current_monster then names its kind,
// drawn before the step that met it.
void encounter_loop(int& x, int& y);
