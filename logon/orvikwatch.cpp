// Orvikwatch: the notification package that the logon process loads. A
// service cannot see logons, locks, screen savers or the start of the user's
// shell, so each event handler forwards its event to the OrvikDriver service
// as a user-defined service control code and returns. Nothing is kept between
// calls: each call opens and closes its own handles, so handlers may run on
// several threads of the logon process at once.
#include <windows.h>

namespace {

const char* const DRIVER_SERVICE_NAME = "OrvikDriver";
const char* const NOTIFIER_LOG_FILE = "C:\\LogOrvikDriver.txt";

// Lines of a level above the threshold are not written. Every line of this
// library is an error (2) or an outcome (3), so the file stays untouched.
const int LOG_THRESHOLD = 1;
const int LOG_ERROR = 2;
const int LOG_OUTCOME = 3;

enum SessionControl : DWORD {
    CONTROL_LOGON = 128,
    CONTROL_LOGOFF = 129,
    CONTROL_LOCK = 130,
    CONTROL_UNLOCK = 131,
    CONTROL_SCREENSAVER_START = 132,
    CONTROL_SCREENSAVER_STOP = 133,
    CONTROL_SHUTDOWN = 134,
    CONTROL_SHELL_START = 135,
};

void WriteNotifierLog(int level, const char* text) {
    if (level > LOG_THRESHOLD || !text) return;
    HANDLE file = CreateFileA(NOTIFIER_LOG_FILE, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, text, lstrlenA(text), &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
}

BOOL SendDriverControl(DWORD code) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        WriteNotifierLog(LOG_ERROR, "Error: OpenServiceManager");
        return FALSE;
    }
    SC_HANDLE service = OpenServiceA(manager, DRIVER_SERVICE_NAME, SERVICE_USER_DEFINED_CONTROL);
    if (!service) {
        CloseServiceHandle(manager);
        WriteNotifierLog(LOG_ERROR, "Error: OpenService");
        return FALSE;
    }
    SERVICE_STATUS status;
    const BOOL delivered = ControlService(service, code, &status);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    if (!delivered) WriteNotifierLog(LOG_ERROR, "Error: ControlService");
    return delivered;
}

// One handler's work: the code, then its outcome line ("<name>: successful."
// or "<name>: failed.") at the handler's levels.
void Notify(DWORD code, const char* successLine, const char* failureLine, int failureLevel) {
    if (SendDriverControl(code)) WriteNotifierLog(LOG_OUTCOME, successLine);
    else WriteNotifierLog(failureLevel, failureLine);
}

}  // namespace

// The logon process passes its notification information; no handler reads it.
extern "C" {

__declspec(dllexport) void WINAPI WLEventStartup(void*) {}

__declspec(dllexport) void WINAPI WLEventLogon(void*) {
    Notify(CONTROL_LOGON, "WLEventLogon: successful.", "WLEventLogon: failed.", LOG_OUTCOME);
}

__declspec(dllexport) void WINAPI WLEventLogoff(void*) {
    Notify(CONTROL_LOGOFF, "WLEventLogoff: successful.", "WLEventLogoff: failed.", LOG_OUTCOME);
}

__declspec(dllexport) void WINAPI WLEventLock(void*) {
    Notify(CONTROL_LOCK, "WLEventLock: successful.", "WLEventLock: failed.", LOG_OUTCOME);
}

__declspec(dllexport) void WINAPI WLEventUnlock(void*) {
    Notify(CONTROL_UNLOCK, "WLEventUnlock: successful.", "WLEventUnlock: failed.", LOG_OUTCOME);
}

__declspec(dllexport) void WINAPI WLEventStartScreenSavar(void*) {
    Notify(CONTROL_SCREENSAVER_START, "WLEventStartScreenSavar: successful.", "WLEventStartScreenSavar: failed.",
           LOG_OUTCOME);
}

__declspec(dllexport) void WINAPI WLEventStopScreenSavar(void*) {
    Notify(CONTROL_SCREENSAVER_STOP, "WLEventStopScreenSavar: successful.", "WLEventStopScreenSavar: failed.",
           LOG_ERROR);
}

__declspec(dllexport) void WINAPI WLEventShutdown(void*) {
    Notify(CONTROL_SHUTDOWN, "WLEventShutdown: successful.", "WLEventShutdown: failed.", LOG_ERROR);
}

__declspec(dllexport) void WINAPI WLEventStartShell(void*) {
    Notify(CONTROL_SHELL_START, "WLEventStartShell: successful.", "WLEventStartShell: failed.", LOG_ERROR);
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
