#include "magic/spells.h"

#include <string>

#include "audio/sound_effects.h"
#include "console/console_output.h"
#include "console/pause.h"
#include "state/battle_values.h"
#include "state/tables.h"
#include "support/random.h"

namespace {

int& hero_hp() { return party.party_hp[0]; }

// The steps every spell takes; `heals` turns the amount to the hero's HP.
void cast(const char* message, int amount, int mp_cost, bool heals, void (*sound)(), int erase) {
    action_amount = amount;
    goto_xy(0, 0);
    write_text(message);
    party.party_mp[0] -= mp_cost;
    if (heals) {
        hero_hp() += action_amount;
        amount_on_monster = false;
    } else {
        monster_table.monster_hp[current_monster] -= action_amount;
    }
    Sleep(1200);
    if (sound) sound();
    goto_xy(0, 0);
    write_text(std::string(static_cast<std::size_t>(erase), ' ').c_str());
}

void strike(const char* message, int low, int high, int mp_cost, int erase) {
    cast(message, random_between(low, high), mp_cost, false, nullptr, erase);
}

}  // namespace

void spell_fire() { cast("Fire", random_between(10, 20), 20, false, play_fire_sound, 4); }
void spell_sikseelo() { strike("SikSeeLo", 40, 50, 30, 8); }
void spell_mirel_blaster() { strike("Mirel Blaster", 40, 50, 30, 13); }
void spell_qz_foot() { strike("QZ Foot", 30, 40, 40, 7); }
void spell_egg_head() { strike("Egg Head", 40, 50, 30, 8); }
void spell_zelto_kick() { strike("Zelto Kick", 60, 70, 60, 10); }
void spell_vrn_sword() { strike("VRN Sword", 30, 40, 60, 9); }
void spell_stormcat() { strike("Stormcat", 20, 30, 30, 8); }
void spell_meat_pie() { strike("Meat Pie", 10, 30, 20, 8); }
// The erase runs two blanks past the name.
void spell_angel_cry() { cast("Angel Cry", random_between(50, 60), 90, true, play_heal_sound, 11); }
void spell_bubi_bubi() { cast("BUBI BUBI", 100, 100, false, nullptr, 9); }

void cast_spell(int slot) {
    static void (*const SPELLS[])() = {
        spell_fire,     spell_sikseelo, spell_mirel_blaster, spell_qz_foot,   spell_egg_head,  spell_zelto_kick,
        spell_vrn_sword, spell_stormcat, spell_meat_pie,     spell_angel_cry, spell_bubi_bubi,
    };
    SPELLS[slot]();
}
