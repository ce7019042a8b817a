#include "battle/monster_actions.h"

#include <cstring>
#include <string>

#include "console/console_output.h"
#include "console/pause.h"
#include "state/battle_values.h"
#include "state/hero_clamp.h"
#include "state/tables.h"
#include "support/random.h"

namespace {

int& hero_hp() { return party.party_hp[0]; }
int& monster_hp() { return monster_table.monster_hp[current_monster]; }
int& monster_mp() { return monster_table.monster_mp[current_monster]; }

// Every action names itself at the top left for 1200 ms, the effect
// applied meanwhile, and then wipes its name.
void act(const char* name, int amount, int& target, int sign, int mp_cost) {
    action_amount = amount;
    goto_xy(0, 0);
    write_text(name);
    target += sign * action_amount;
    monster_mp() -= mp_cost;
    Sleep(1200);
    goto_xy(0, 0);
    write_text(std::string(std::strlen(name), ' ').c_str());
}

}  // namespace

void monster_claw() { act("Claw", random_between(0, 20), hero_hp(), -1, 0); }
void monster_kick() { act("Kick", random_between(10, 20), hero_hp(), -1, 0); }
void monster_teeth() { act("Teeth", random_between(20, 40), hero_hp(), -1, 0); }
void monster_tail_whip() { act("Tail Whip", random_between(30, 40), hero_hp(), -1, 30); }
void monster_head_punch() { act("Head Punch", random_between(30, 40), hero_hp(), -1, 30); }
void monster_eat() { act("Eat", random_between(50, 60), monster_hp(), +1, 60); }
void monster_bite() { act("Bite", random_between(30, 60), hero_hp(), -1, 40); }
void monster_mountain_fall() { act("Mountain Fall", 100, hero_hp(), -1, 80); }

void monster_turn() {
    const int roll = random_between(0, 100);
    reseed_random_from_clock();
    const int coin = random_between(1, 2);
    if (monster_hp() < monster_table.monster_max_hp[current_monster] / 5 && coin == 1) {
        monster_eat();
    } else if (roll <= 19) {
        monster_claw();
    } else if (roll <= 39) {
        monster_kick();
    } else if (roll <= 54) {
        monster_teeth();
    } else if (roll <= 69) {
        monster_tail_whip();
    } else if (roll <= 84) {
        monster_head_punch();
    } else if (roll <= 94) {
        monster_bite();
    } else {
        monster_mountain_fall();
    }
    if (monster_hp() < 0) monster_hp() = 0;
    clamp_hero();
}
