// Where this program's executable lies: its media and its companion program
// are found beside it.
#ifndef ORVIK_COMMON_PROGRAMFOLDER_H
#define ORVIK_COMMON_PROGRAMFOLDER_H

#include <windows.h>

// The executable's folder with its trailing backslash. 0 when the name does
// not fit in `size` bytes (a cut name is not terminated on Windows XP) or
// names no folder.
int GetProgramFolder(char* folder, DWORD size);

#endif
