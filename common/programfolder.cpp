#include "programfolder.h"

#include <cstring>

int GetProgramFolder(char* folder, DWORD size) {
    const DWORD length = GetModuleFileNameA(nullptr, folder, size);
    if (length == 0 || length >= size) return 0;
    char* lastBackslash = std::strrchr(folder, '\\');
    if (!lastBackslash) return 0;
    lastBackslash[1] = '\0';
    return 1;
}
