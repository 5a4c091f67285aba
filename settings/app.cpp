#include "app.h"

#include <commctrl.h>

#include <cstdio>

#include "../common/registry.h"
#include "../common/uiseam.h"
#include "controlclient.h"
#include "drivercalls.h"
#include "maindlg.h"
#include "waitcursor.h"

namespace {

// Its existence, not its count, says that an instance runs; in the global
// namespace, so that one instance runs per machine, not per session.
const char* const SINGLE_INSTANCE_NAME = "Global\\BREVANE_ORVIKSETTINGS";
const char* const OLD_LOG_FILE = "C:\\BrevaneUILog.txt";
const char* const DIALOG_CLASS = "#32770";  // the main window is a dialog

void BringFirstInstanceForward() {
    char title[REG_STRING_MAX];
    GetDisplayName(title, sizeof title);
    HWND first = FindWindowA(DIALOG_CLASS, title);
    if (first) SetForegroundWindow(first);
}

void ShowDriverNotRunning() {
    char name[REG_STRING_MAX], text[REG_STRING_MAX + 64];
    GetDisplayName(name, sizeof name);
    std::snprintf(text, sizeof text, "Please Check if %s is running to view this feature.", name);
    g_ui.messageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
}

}  // namespace

int COrvikSettingsApp::Run() {
    InitInstance();
    ExitInstance();
    return 0;
}

void COrvikSettingsApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    m_hSingleInstance = CreateSemaphoreA(nullptr, 0, 1, SINGLE_INSTANCE_NAME);
    if (!m_hSingleInstance) return;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        BringFirstInstanceForward();
        return;
    }
    DeleteFileA(OLD_LOG_FILE);
    int connected;
    {
        WaitCursor waitCursor;
        connected = ConnectToOrvik();
    }
    if (!connected) {
        ShowDriverNotRunning();
        return;
    }
    CMainDlg().DoModal();
}

// Whichever step ended the program: the driver forgets this program's
// window (costing at most one reply time-out), then the connection closes.
void COrvikSettingsApp::ExitInstance() {
    UnregisterSettingsWindow();
    DisconnectFromOrvik();
    if (m_hSingleInstance) CloseHandle(m_hSingleInstance);
    m_hSingleInstance = nullptr;
}
