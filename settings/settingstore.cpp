#include "settingstore.h"

#include "../common/settingsstore.h"
#include "../common/uiseam.h"

namespace {

int Reported(HWND page, int stored) {
    if (!stored)
        g_ui.messageBoxA(page, "Your change could not be saved. You may not have the rights to change this setting.",
                         "Error", MB_OK | MB_ICONERROR);
    return stored;
}

}  // namespace

int StoreDwordSetting(HWND page, const SettingValue& value, DWORD number) {
    return Reported(page, WriteDwordSetting(value, number));
}

int StoreStringSetting(HWND page, const SettingValue& value, const char* text) {
    return Reported(page, WriteStringSetting(value, text));
}
