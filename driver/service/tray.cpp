// The tray icon. One process-wide icon record serves every add, change and
// delete, and four threads ask for them (service, depacketizer, control
// server, tray). A lock keeps an add racing a change from mixing one state's
// picture with the other's tip. Link threads are ended by TerminateThread
// when they do not stop in time, and a terminated holder would keep the lock
// for ever; so changes and deletes from other threads are posted to the tray
// window and run there, and only an add, whose answer the caller needs, takes
// the lock on the calling thread.
// The retry timer TMR_SYSTAY belongs to the timer window on the service
// thread and reaches this file through the timer window's extension.
//
// When the shell restarts without a new logon it broadcasts "TaskbarCreated";
// an icon that was shown is added again then, as the new taskbar has none.
#include "tray.h"

#include <shellapi.h>

#include <cstring>

#include "../../common/programfolder.h"
#include "../../common/registry.h"
#include "../../common/settingsstore.h"
#include "../../common/trace.h"
#include "../../common/winsync.h"
#include "../devicelink/commands.h"
#include "../input/hiddenwindow.h"
#include "../input/keyrepeat.h"
#include "../input/launchtext.h"
#include "../input/usersession.h"
#include "controlserver.h"
#include "lifecycle.h"

namespace {

const char* const TRAY_WINDOW_CLASS = "MYCLASS";
const char* const TRAY_WINDOW_TITLE = "SysTrayMsgDispatcher";
const char* const SETTINGS_PROGRAM = "OrvikSettings.exe";
const UINT TRAY_ICON_ID = 1;
// READ_CONTROL | TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY
const DWORD SETTINGS_TOKEN_ACCESS = 0x2000F;

StaticLock gIconLock;        // guards gTrayIconData and bTrayIconShown
StaticLock gTrayThreadLock;  // guards the tray thread's bookkeeping
// Held from reading the connection state to the end of its switch: the
// menu and the control server must not both find it off and both connect.
StaticLock gConnectionSwitchLock;

NOTIFYICONDATAA gTrayIconData;
LONG bTrayIconShown = 0;  // added and not removed since

// Icon changes posted to the tray window: wParam the request, lParam its argument.
const UINT WM_TRAY_ICON_REQUEST = WM_USER + 2;
enum TrayIconRequest { TRAY_ICON_REMOVE, TRAY_ICON_SET_STATE };

HWND volatile ghTrayWnd = 0;
HANDLE g_hSysTrayThread = 0;
HANDLE g_hSysTrayReadyEvent = 0;
UINT guTaskbarCreated = 0;

// Picture and tip of a state.
void FillIconState(int iconResource) {
    gTrayIconData.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconResource));
    if (iconResource == IDI_CONNECTED)
        FormatWithDeviceName(gTrayIconData.szTip, sizeof gTrayIconData.szTip, "%s - Connected");
    else if (iconResource == IDI_NOT_CONNECTED)
        FormatWithDeviceName(gTrayIconData.szTip, sizeof gTrayIconData.szTip, "%s - Not Connected");
}

void ShowTrayMenu(HWND window) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuA(menu, MF_STRING, ID_TRAY_SETTINGS, "&Setting...");
    AppendMenuA(menu, MF_STRING | (IsConnectionWanted() ? MF_CHECKED : MF_UNCHECKED), ID_TRAY_CONNECTION,
                "Enable &Connection");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, ID_TRAY_EXIT, "Exit");
    SetForegroundWindow(window);
    const UINT command = TrackPopupMenu(menu, TPM_RETURNCMD, cursor.x, cursor.y, 0, window, nullptr);
    // The window must get a message after the menu, or the next time the
    // menu opens a click outside it does not close it.
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
    switch (command) {
    case ID_TRAY_SETTINGS: LaunchOrvikSettings(); break;
    case ID_TRAY_CONNECTION: DoConnectionSequence(); break;
    case ID_TRAY_EXIT: ServiceStop(); break;
    default: break;
    }
}

BOOL AddIconNow(HWND window) {
    LockHeld use(gIconLock);
    std::memset(&gTrayIconData, 0, sizeof gTrayIconData);
    gTrayIconData.cbSize = NOTIFYICONDATAA_V2_SIZE;
    gTrayIconData.hWnd = window;
    gTrayIconData.uID = TRAY_ICON_ID;
    gTrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    gTrayIconData.uCallbackMessage = WM_TRAYNOTIFY;
    FillIconState(GetConnectionState() ? IDI_CONNECTED : IDI_NOT_CONNECTED);
    if (!Shell_NotifyIconA(NIM_ADD, &gTrayIconData)) return FALSE;
    bTrayIconShown = 1;
    return TRUE;
}

void RemoveIconNow() {
    LockHeld use(gIconLock);
    bTrayIconShown = 0;
    if (gTrayIconData.hWnd) Shell_NotifyIconA(NIM_DELETE, &gTrayIconData);
}

void SetIconStateNow(int iconResource) {
    LockHeld use(gIconLock);
    FillIconState(iconResource);
    if (gTrayIconData.hWnd) Shell_NotifyIconA(NIM_MODIFY, &gTrayIconData);
}

void RunIconRequest(WPARAM request, LPARAM argument) {
    if (request == TRAY_ICON_REMOVE) RemoveIconNow();
    else if (request == TRAY_ICON_SET_STATE) SetIconStateNow(static_cast<int>(argument));
}

// Runs the change here on the tray thread, else posts it there. Without a
// tray window there is no icon to change.
void RequestIconChange(TrayIconRequest request, int argument = 0) {
    HWND window = ghTrayWnd;
    if (!window) return;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) RunIconRequest(request, argument);
    else PostMessageA(window, WM_TRAY_ICON_REQUEST, request, argument);
}

// The new taskbar knows no icons: one that was shown is added again.
void ReAddShownIcon(HWND window) {
    LONG shown;
    {
        LockHeld use(gIconLock);
        shown = bTrayIconShown;
    }
    if (shown) AddIconNow(window);
}

LRESULT CALLBACK TrayWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TRAYNOTIFY) {
        if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP) ShowTrayMenu(window);
        else if (lParam == WM_LBUTTONDBLCLK) LaunchOrvikSettings();
        return 0;
    }
    if (message == WM_TRAY_ICON_REQUEST) {
        RunIconRequest(wParam, lParam);
        return 0;
    }
    if (message == guTaskbarCreated && guTaskbarCreated) {
        ReAddShownIcon(window);
        return 0;
    }
    switch (message) {
    case WM_COMMAND: return 0;
    case WM_DESTROY:
        // A newer tray thread may already have its own window.
        InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&ghTrayWnd), nullptr, window);
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND CreateTrayWindow() { return CreateHiddenWindow(TRAY_WINDOW_CLASS, TRAY_WINDOW_TITLE, TrayWndProc); }

// Sets the ready event only once the window exists; without a window the
// thread ends at once, which its starter sees as the failure.
DWORD WINAPI SysTrayWndThread(LPVOID readyEvent) {
    guTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    HWND window = CreateTrayWindow();
    if (!window) {
        Trace("SysTrayWndThread: CreateWindowEx Error %lu", GetLastError());
        return 1;
    }
    ghTrayWnd = window;
    SetEvent(static_cast<HANDLE>(readyEvent));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

void ForgetTrayThread() {
    if (g_hSysTrayReadyEvent) CloseHandle(g_hSysTrayReadyEvent);
    if (g_hSysTrayThread) CloseHandle(g_hSysTrayThread);
    g_hSysTrayReadyEvent = 0;
    g_hSysTrayThread = 0;
}

bool TrayIconShown() {
    LockHeld use(gIconLock);
    return bTrayIconShown != 0;
}

// TMR_SYSTAY on the timer window: started there (only the window's own
// thread may set its timers), it adds the icon once the shell takes it,
// unless "ShowTaskIcon" says no icon. It stops as soon as there is nothing
// left to add: the icon is shown (also by SYSTRAYICON_CMD or a new taskbar)
// or the tray window is gone.
int TrayTimerWndExtension(HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message == WM_START_TRAY_TIMER) {
        SetTimer(window, TMR_SYSTAY, TMR_SYSTAY_PERIOD_MS, nullptr);
        *result = 0;
        return 1;
    }
    if (message != WM_TIMER || wParam != TMR_SYSTAY) return 0;
    *result = 0;
    if (!ghTrayWnd || TrayIconShown() || !ReadDwordSetting(PORT_SHOW_TASK_ICON, BY_DRIVER)) {
        KillTimer(window, TMR_SYSTAY);
    } else if (AddTrayIcon()) {
        KillTimer(window, TMR_SYSTAY);
        Trace("TimerWndProc: Killed timer TMR_SYSTAY");
    }
    return 1;
}

// The tray owns TMR_SYSTAY from the start, whichever call site arms it.
const bool bTrayTimerExtensionSet = (gpfnTimerWndExtension = TrayTimerWndExtension) != nullptr;

BOOL StartTrayThread() {
    g_hSysTrayReadyEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!g_hSysTrayReadyEvent) {
        Trace("DoInitForTaskbarIcon: CreateEvent Error.");
        return FALSE;
    }
    g_hSysTrayThread = CreateThread(nullptr, 0, SysTrayWndThread, g_hSysTrayReadyEvent, 0, nullptr);
    if (!g_hSysTrayThread) {
        Trace("DoInitForTaskbarIcon: CreateThread Error.");
        ForgetTrayThread();
        return FALSE;
    }
    HANDLE readyOrEnded[2] = {g_hSysTrayReadyEvent, g_hSysTrayThread};
    if (WaitForMultipleObjects(2, readyOrEnded, FALSE, INFINITE) == WAIT_OBJECT_0) return TRUE;
    Trace("DoInitForTaskbarIcon: WaitForSingleObject Error.");
    HWND window = ghTrayWnd;
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    ForgetTrayThread();
    return FALSE;
}

}  // namespace

void RequestTrayTimer() { PostToTimerWindow(WM_START_TRAY_TIMER); }

BOOL AddTrayIcon() {
    HWND window = ghTrayWnd;
    return window && AddIconNow(window);
}

void RemoveTrayIcon() { RequestIconChange(TRAY_ICON_REMOVE); }

void SetTrayIconState(int iconResource) { RequestIconChange(TRAY_ICON_SET_STATE, iconResource); }

BOOL DoInitForTaskbarIcon() {
    LockHeld use(gTrayThreadLock);
    if (!g_hSysTrayThread) return StartTrayThread();
    Trace("DoInitForTaskbarIcon: SysTrayWndThread already created");
    return TRUE;
}

BOOL DoDeInitForTaskbarIcon() {
    LockHeld use(gTrayThreadLock);
    if (!g_hSysTrayThread) {
        Trace("DoDeInitForTaskbarIcon: SysTrayWndThread not created.");
        return FALSE;
    }
    HWND window = ghTrayWnd;
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    ForgetTrayThread();
    return TRUE;
}

BOOL LaunchOrvikSettings() {
    char driverPath[MAX_PATH];
    if (!GetProgramFolder(driverPath, sizeof driverPath)) return FALSE;
    // Quoted, so that a folder name with spaces cannot start another program.
    char commandLine[LAUNCH_TEXT_SIZE];
    if (!ComposeText(commandLine, sizeof commandLine, "\"", driverPath, SETTINGS_PROGRAM, "\"")) return FALSE;
    HANDLE token = OpenShellToken(PROCESS_QUERY_INFORMATION, SETTINGS_TOKEN_ACCESS, "LaunchOrvikSettings");
    if (!token) return FALSE;
    const int created = CreateProcessAsShellUser(token, commandLine, 0, nullptr);
    if (!created) Trace("LaunchOrvikSettings: CreateProcessAsUser failed %lu", GetLastError());
    CloseHandle(token);
    return created;
}

void StoreConnectionWish(int wanted) { WriteDwordSetting(PORT_CONNECTED, wanted); }

void AnnounceConnectionState(int connected) {
    SetTrayIconState(connected ? IDI_CONNECTED : IDI_NOT_CONNECTED);
    PostToSettingsWindow(WM_CONNECTION_STATE, connected);
}

int DoConnectionSequence() {
    LockHeld use(gConnectionSwitchLock);
    if (IsConnectionWanted()) DisableConnection();
    else if (EnableConnection()) Trace("DoConnectionSequence: Connection Established.");
    return GetConnectionState();
}
