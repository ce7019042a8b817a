#include "magic/items.h"

#include <cstring>
#include <string>

#include "console/console_output.h"
#include "console/pause.h"
#include "state/battle_values.h"
#include "state/tables.h"

namespace {

void show_message(const char* message) {
    goto_xy(0, 0);
    write_text(message);
    Sleep(1200);
    goto_xy(0, 0);
    write_text(std::string(std::strlen(message), ' ').c_str());
}

void restore(const char* message, int amount, int& points) {
    show_message(message);
    action_amount = amount;
    points += action_amount;
}

// An item with nothing to show: no floating number this round.
void no_amount(const char* message) {
    show_message(message);
    hide_amount = true;
}

}  // namespace

void item_potion() { restore("50 HP Restored", 50, party.party_hp[0]); }
void item_banana() { no_amount("Banana"); }
void item_ether() { restore("50 MP Restored", 50, party.party_mp[0]); }
void item_elixir() {
    no_amount("HP and MP Restored");
    party.party_hp[0] = party.party_max_hp[0];
    party.party_mp[0] = party.party_max_mp[0];
}
void item_star() { no_amount("Star"); }
void item_hi_potion() { restore("300 HP Restored", 300, party.party_hp[0]); }
void item_hyper_ether() { restore("150 MP Restored", 150, party.party_mp[0]); }
void item_peagents_tail() { no_amount("Unknown"); }

void use_item(int slot) {
    static void (*const ITEMS[])() = {
        item_potion, item_banana, item_ether, item_elixir, item_star, item_hi_potion, item_hyper_ether, item_peagents_tail,
    };
    ITEMS[slot]();
}
