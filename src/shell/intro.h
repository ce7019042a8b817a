// The message to the player before the game starts, shown page by page from
// "words to everyone.txt"; a line "clrscr();" ends a page.
#pragma once

// Returns with the screen cleared, after the player's last key.
void show_intro();
