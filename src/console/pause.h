// The game's pause: the player sees the screen as it has been drawn so far,
// then the game waits on its clock.
#pragma once

void Sleep(int ms);
