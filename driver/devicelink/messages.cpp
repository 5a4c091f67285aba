#include "messages.h"

#include <cstdio>
#include <cwchar>

#include "../../common/registry.h"
#include "../../common/settingsstore.h"
#include "../../common/uiseam.h"

namespace {

int ShowTurnOffAlert() {
    char deviceName[REG_STRING_MAX];
    GetDeviceName(deviceName, sizeof deviceName);
    wchar_t wideName[REG_STRING_MAX];
    if (!MultiByteToWideChar(CP_ACP, 0, deviceName, -1, wideName, REG_STRING_MAX)) wideName[0] = L'\0';
    wchar_t text[512];
    std::swprintf(text, sizeof text / sizeof text[0],
                  L"This operation turns off the %ls. Next time you connect your tavelin, tap on "
                  L"application icon before you start typing.",
                  wideName);
    return g_ui.messageBoxW(nullptr, text, L"Alert", MB_OK | MB_ICONWARNING);
}

}  // namespace

int ShowDriverMessage(HWND owner, int number) {
    char text[640];
    switch (number) {
    case DRIVER_MSG_TURN_OFF:
        return ShowTurnOffAlert();
    case DRIVER_MSG_SELECT_PORT:
        FormatWithDeviceName(text, sizeof text,
                             "Please select an available serial port in the Connection Settings option before "
                             "attempting to connect to the %s.");
        return g_ui.messageBoxA(owner, text, "Error", MB_OK | MB_ICONERROR);
    case DRIVER_MSG_SET_FAILED:
        FormatWithDeviceName(text, sizeof text,
                             "Unable to set %s information. Please check the serial connection and make sure that "
                             "the device is turned on. If the error persists, contact customer support.");
        return g_ui.messageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
    case DRIVER_MSG_INCOMPATIBLE_OS: {
        char system[REG_STRING_MAX];
        ReadStringSetting(APP_OS_VERSION, BY_DRIVER, system, sizeof system);
        std::snprintf(text, sizeof text, "Incompatible OS. This driver is only compatible with %s", system);
        return g_ui.messageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
    }
    default:
        return 0;
    }
}
