// Opening the game's data files for reading. Only a regular file opens: a
// directory, a pipe or a device in a data file's place fails to open, as it
// would on the game's home platform, so a reader never blocks or spins on it.
#pragma once

#include <fstream>

bool open_text_file(std::ifstream& in, const char* name);

// Reads one character as a text-mode stream would: a carriage return right
// before a line feed is not seen, so a CRLF file reads like an LF file.
// False at the end of the file.
bool read_text_char(std::istream& in, char& ch);
