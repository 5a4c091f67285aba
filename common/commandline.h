// The program of a command line that names it without quotes, as registered
// browser commands may. Such a path may hold blanks ("C:\Program Files\..."):
// cut at the first blank it would name another program ("C:\Program.exe").
// The program ends with its ".exe"; it is quoted before it is started.
// Platform-free.
#ifndef ORVIK_COMMON_COMMANDLINE_H
#define ORVIK_COMMON_COMMANDLINE_H

#include <cstddef>

// The length of the program at the start of an unquoted command: up to and
// including the first ".exe" (any letter case) that ends the text or is
// followed by a blank. 0 when there is none.
size_t UnquotedProgramLength(const char* command);

#endif
