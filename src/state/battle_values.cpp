#include "state/battle_values.h"

int action_amount = 0;
bool amount_on_monster = false;
bool hide_amount = false;
bool menu_cancelled = false;
bool escape_attempted = false;
char menu_kind = 'm';
