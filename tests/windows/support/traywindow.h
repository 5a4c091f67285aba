// The driver's tray window: the message window of its tray thread, in this
// process or in the driver's.
#ifndef ORVIK_TESTS_SUPPORT_TRAYWINDOW_H
#define ORVIK_TESTS_SUPPORT_TRAYWINDOW_H

#include <windows.h>

#include "wait.h"

inline HWND TrayWindow() { return FindWindowA("MYCLASS", "SysTrayMsgDispatcher"); }

// True once the tray window exists (`present`) or is gone; false after `timeoutMs`.
inline bool WaitForTrayWindow(bool present, DWORD timeoutMs) {
    return WaitUntil([present] { return (TrayWindow() != nullptr) == present; }, timeoutMs);
}

#endif
