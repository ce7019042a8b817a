// The game's pause: the player sees the screen as it has been drawn so far,
// then the game waits on its clock.
//
// No terminal draws more often than its display, at most every 7 to 17 ms,
// so the screen is shown at a pause only when the display could show it: at
// every pause of a display frame or longer, and during a run of shorter
// pauses (the dissolve's and the sparkles' 2 ms) whenever holding it back
// through this pause would leave what was drawn unseen for a frame. Every
// change is then on the terminal at most one frame after it would have
// been at its own pause, and a cell drawn twice within a frame is sent once.
// A pause shorter than a frame does not even wake the game: its time is
// owed and waited out with the next frame's, or before the game next looks
// at the player's input, starts or stops a sound or reads the time, so the
// pauses keep their lengths and everything the player can tell comes when
// it did. The first pause after the game looked at the player's input
// shows the screen at once: its answer is never held back for a frame.
// On a machine too busy to give the game its core in time, a frame the
// game comes to more than a frame late is let go, and while its frames
// come late at all they come further apart, up to LONGEST_FRAME_MS, so
// that a host whose players all animate at once catches up with them
// instead of falling further behind; frames on time bring back the
// display's pace. The console shows the screen before every input wait
// and poll, and at exit, whatever the pauses did.
#pragma once

// 8 ms: a frame of a 120 Hz display.
constexpr int DISPLAY_FRAME_MS = 8;
// The longest a run of short pauses goes unseen on a machine that cannot
// keep up with the display's frames.
constexpr int LONGEST_FRAME_MS = 64;

void Sleep(int ms);

// The game has looked at the player's input: the next frame is its answer.
void input_looked_at();
