// Brings the hero's HP and MP back between 0 and their maxima after spells,
// items and blows have pushed them outside.
#pragma once

// HP first, then MP; each is first capped at its maximum, then raised to 0.
void clamp_hero();
