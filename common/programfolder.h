// Where this program's executable lies: its media and its companion program
// are found beside it.
#ifndef ORVIK_COMMON_PROGRAMFOLDER_H
#define ORVIK_COMMON_PROGRAMFOLDER_H

#include <windows.h>

// The executable's folder with its trailing backslash. 0 when the name does
// not fit in `size` bytes (a cut name is not terminated on Windows XP) or
// names no folder.
int GetProgramFolder(char* folder, DWORD size);

// "<folder>Media\<name>": the sounds lie in "Media" beside the program. 0
// (and an empty path) when that does not fit in `size` bytes.
int ComposeMediaPath(const char* folder, const char* name, char* path, size_t size);

#endif
