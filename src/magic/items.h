// The hero's eight items, one per named slot of item_names; none runs out.
// Each shows its message for 1200 ms, wipes it, then takes effect, with no
// upper bound (the caller clamps).
#pragma once

// Uses the item of the slot (0 to 7).
void use_item(int slot);

void item_potion();
void item_banana();
void item_ether();
void item_elixir();
void item_star();
void item_hi_potion();
void item_hyper_ether();
void item_peagents_tail();
