#include "map/status_panel.h"

#include "console/console_output.h"
#include "state/tables.h"

namespace {

void points_row(int row, const char* label, int points, int maximum) {
    goto_xy(61, row);
    write_text(label);
    write_number(points);
    write_text("/");
    write_number(maximum);
}

}  // namespace

void draw_status_panel() {
    set_color(15);
    goto_xy(61, 3);
    write_text(party.party_names[0].c_str());
    points_row(4, "Hp:  ", party.party_hp[0], party.party_max_hp[0]);
    points_row(5, "Mp:  ", party.party_mp[0], party.party_max_mp[0]);
    goto_xy(61, 6);
    write_text("Exp: ");
    write_number(party.party_exp[0]);
    goto_xy(61, PANEL_MAGIC_ROW);
    write_text("Magic");
    goto_xy(61, PANEL_ITEM_ROW);
    write_text("Item");
}
