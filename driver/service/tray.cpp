// The connection switch. The icon itself and its thread come with the tray
// window; until then its operations succeed without showing anything, so
// that every caller already runs its final sequence.
#include "tray.h"

#include "../../common/registry.h"
#include "../../common/trace.h"
#include "../devicelink/commands.h"
#include "../devicelink/devicelink.h"
#include "../input/keyboard.h"

BOOL AddTrayIcon() { return TRUE; }

void RemoveTrayIcon() {}

void SetTrayIconState(int) {}

BOOL DoInitForTaskbarIcon() { return TRUE; }

BOOL DoDeInitForTaskbarIcon() { return FALSE; }

void AnnounceConnectionState(int connected) {
    SetConnectionState(connected);
    SetTrayIconState(connected ? IDI_CONNECTED : IDI_NOT_CONNECTED);
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Connected", connected);
    HWND settingsWindow = hSettingsWnd;
    if (settingsWindow && IsWindow(settingsWindow)) PostMessageA(settingsWindow, WM_CONNECTION_STATE, connected, 0);
}

int DoConnectionSequence() {
    if (!GetConnectionState()) {
        if (!EnableConnection()) return 0;
        Trace("DoConnectionSequence: Connection Established.");
        AnnounceConnectionState(1);
    } else {
        DisableConnection();
        AnnounceConnectionState(0);
    }
    return GetConnectionState();
}
