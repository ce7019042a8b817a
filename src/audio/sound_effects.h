// The game's sound effects: each starts at once and plays on while the game
// goes on; a new one cuts off the one still playing.
#pragma once

// Plays one of the effect files (names relative to the game's folder).
void play_sound_effect(const char* file_name);

inline void play_attack_sound() { play_sound_effect("music/wav/attack.wav"); }
inline void play_fire_sound() { play_sound_effect("music/wav/fire.wav"); }
inline void play_heal_sound() { play_sound_effect("music/wav/heal.wav"); }
inline void play_angel_cry_sound() { play_sound_effect("music/wav/angelcry.wav"); }
inline void play_victory_sound() { play_sound_effect("music/wav/Victory.wav"); }
inline void play_game_over_sound() { play_sound_effect("music/wav/Gameover.wav"); }
