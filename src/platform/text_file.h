// Opening the game's data files for reading. Only a regular file opens: a
// directory, a pipe or a device in a data file's place fails to open, as it
// would on the game's home platform, so a reader never blocks or spins on it.
#pragma once

#include <fstream>

bool open_text_file(std::ifstream& in, const char* name);
