// The hero's eleven spells, one per slot of magic_names. Each names itself
// at the top left, costs its MP (never checked: the caller clamps), takes
// effect, pauses and wipes its name.
#pragma once

// Casts the spell of the slot (0 to 10).
void cast_spell(int slot);

void spell_fire();
void spell_sikseelo();
void spell_mirel_blaster();
void spell_qz_foot();
void spell_egg_head();
void spell_zelto_kick();
void spell_vrn_sword();
void spell_stormcat();
void spell_meat_pie();
void spell_angel_cry();
void spell_bubi_bubi();
