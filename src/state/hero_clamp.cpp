#include "state/hero_clamp.h"

#include "state/tables.h"

namespace {

void clamp_points(int& points, int maximum) {
    if (points > maximum) points = maximum;
    if (points < 0) points = 0;
}

}  // namespace

void clamp_hero() {
    clamp_points(party.party_hp[0], party.party_max_hp[0]);
    clamp_points(party.party_mp[0], party.party_max_mp[0]);
}
