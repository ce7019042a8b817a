// The values a battle shares between its driver, its screen, the player's
// commands, the monster's actions, the spells and the items.
#pragma once

// The amount of the last action: damage dealt or points restored. Shown by
// the floating numbers; never reset.
extern int action_amount;
// The player's floating amount goes over the monster in red when set, by
// the hero in green when clear.
extern bool amount_on_monster;
// No floating amount for the player this round (an item with nothing to show).
extern bool hide_amount;
// A spell or item menu was left with a right click: the monster does not act.
extern bool menu_cancelled;
// The player ran: no more floating amounts for the player this battle.
extern bool escape_attempted;
// Which list the battle menu window shows: 'm' spells, 'i' items.
extern char menu_kind;
