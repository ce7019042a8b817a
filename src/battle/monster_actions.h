// The monster's turn: one of eight actions, chosen by a roll, or Eat when
// it is low on HP and a coin says so.
#pragma once

void monster_turn();

void monster_claw();
void monster_kick();
void monster_teeth();
void monster_tail_whip();
void monster_head_punch();
void monster_eat();
void monster_bite();
void monster_mountain_fall();
