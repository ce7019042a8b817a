// Taking over the player's terminal and giving it back exactly as it was:
// raw input with Ctrl+C still quitting, the alternate screen, a hidden
// cursor and mouse reporting. Every way out gives it back: a normal exit,
// an abort, a terminating signal or a crash. Whatever goes to the standard
// error stream meanwhile is kept and shown on the main screen afterwards,
// where the player can read it.
#pragma once

// Sets the terminal on in_fd/out_fd up for the game. Call once. Returns the
// descriptor the game draws through: standard output itself now goes
// nowhere, so nothing a library prints can land between the game's cells.
int begin_terminal_session(int in_fd, int out_fd);

// Gives the terminal back and replays the kept error text. Safe to call
// more than once, and from a signal handler.
void end_terminal_session();

// The game is writing a frame, which a signal may cut short anywhere:
// giving the terminal back then first ends any sequence left unfinished.
void set_frame_in_flight(bool writing);

// The read end of a pipe that becomes readable when the terminal has been
// resized or the game was brought back from a suspension (Ctrl+Z); in
// both cases the whole screen must be painted again.
int terminal_wake_fd();

// Takes the wake-up: true if the screen must be painted again.
bool take_terminal_wake();
