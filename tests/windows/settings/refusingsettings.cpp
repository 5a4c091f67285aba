// OrvikSettings as a user without the rights to change some settings sees
// it: the registry refuses every write of a value named in the environment
// variable ORVIK_REFUSED_VALUES (names separated by commas). Wine runs every
// program as an administrator, so the refusal comes through the write seam.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "../../../common/registry.h"
#include "../../../settings/app.h"

namespace {

RegistryWriteSeam gRealWrites;

bool Refused(const char* valueName) {
    const char* names = std::getenv("ORVIK_REFUSED_VALUES");
    if (!names || !valueName) return false;
    return ("," + std::string(names) + ",").find("," + std::string(valueName) + ",") != std::string::npos;
}

LONG RefusingStoreDword(HKEY key, const char* valueName, DWORD value) {
    return Refused(valueName) ? ERROR_ACCESS_DENIED : gRealWrites.storeDword(key, valueName, value);
}

LONG RefusingStoreString(HKEY key, const char* valueName, const char* value) {
    return Refused(valueName) ? ERROR_ACCESS_DENIED : gRealWrites.storeString(key, valueName, value);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    gRealWrites = g_registryWrites;
    g_registryWrites = {RefusingStoreDword, RefusingStoreString};
    return COrvikSettingsApp().Run();
}
