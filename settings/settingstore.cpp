#include "settingstore.h"

#include "../common/registry.h"
#include "../common/uiseam.h"

namespace {

int Reported(HWND page, int stored) {
    if (!stored)
        g_ui.messageBoxA(page, "Your change could not be saved. You may not have the rights to change this setting.",
                         "Error", MB_OK | MB_ICONERROR);
    return stored;
}

}  // namespace

int StoreDwordSetting(HWND page, const char* subkey, const char* valueName, DWORD value) {
    return Reported(page, SetDwordValueFromRegistry(subkey, valueName, value));
}

int StoreStringSetting(HWND page, const char* subkey, const char* valueName, const char* value) {
    return Reported(page, SetStringValueToRegistry(subkey, valueName, value));
}
