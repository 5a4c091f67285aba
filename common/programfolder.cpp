#include "programfolder.h"

#include <cstdio>
#include <cstring>

int GetProgramFolder(char* folder, DWORD size) {
    const DWORD length = GetModuleFileNameA(nullptr, folder, size);
    if (length == 0 || length >= size) return 0;
    char* lastBackslash = std::strrchr(folder, '\\');
    if (!lastBackslash) return 0;
    lastBackslash[1] = '\0';
    return 1;
}

int ComposeMediaPath(const char* folder, const char* name, char* path, size_t size) {
    const int length = std::snprintf(path, size, "%sMedia\\%s", folder, name);
    if (length >= 0 && static_cast<size_t>(length) < size) return 1;
    if (size) path[0] = '\0';
    return 0;
}
