// The service host. The verbs are for a person at a console: they print
// what happened and write nothing to the event log. Under the service
// control manager nobody reads the console, so failures there go to the
// event log instead.
//
// Threads: the control handler runs on the main thread (the dispatcher's),
// ServiceMain and the driver on the service thread, the console handler on a
// thread the system makes for the console event. The handlers only set
// events, report the status or call ServiceStop.
#include "servicehost.h"

#include <cstdio>

#include "../devicelink/commands.h"
#include "eventsource.h"
#include "lifecycle.h"
#include "serviceevents.h"
#include "servicestatus.h"

namespace {

const DWORD MODULE_PATH_SIZE = 512;
const DWORD ERROR_TEXT_SIZE = 256;
const DWORD START_HINT_MS = 3000;
const DWORD STOP_POLL_MS = 1000;

SC_HANDLE OpenManager() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    char error[ERROR_TEXT_SIZE];
    if (!manager) std::printf("OpenSCManager failed - %s\n", FormatLastError(error, sizeof error));
    return manager;
}

// Opens the manager and the service, printing what failed. 1 or 0.
int OpenDriverService(SC_HANDLE* manager, SC_HANDLE* service) {
    *manager = OpenManager();
    if (!*manager) return 0;
    *service = OpenServiceA(*manager, DRIVER_SERVICE_NAME, SERVICE_ALL_ACCESS);
    if (*service) return 1;
    char error[ERROR_TEXT_SIZE];
    std::printf("OpenService failed - %s\n", FormatLastError(error, sizeof error));
    CloseServiceHandle(*manager);
    return 0;
}

// The program's own path, quoted: an unquoted path with a blank in it (as
// under "Program Files") would let the manager try a shorter program name.
int GetQuotedModulePath(char* path, DWORD size) {
    const DWORD length = GetModuleFileNameA(nullptr, path + 1, size - 2);
    if (length == 0 || length > size - 3) return 0;  // cut, or no room for the quotes
    path[0] = '"';
    path[length + 1] = '"';
    path[length + 2] = '\0';
    return 1;
}

// Waits out the stop, one dot a second, and says how it ended.
void PrintStopProgress(SC_HANDLE service, SERVICE_STATUS* status) {
    std::printf("Stopping %s.", DRIVER_DISPLAY_NAME);
    Sleep(STOP_POLL_MS);
    while (QueryServiceStatus(service, status) && status->dwCurrentState == SERVICE_STOP_PENDING) {
        std::printf(".");
        Sleep(STOP_POLL_MS);
    }
    std::printf(status->dwCurrentState == SERVICE_STOPPED ? "\n%s stopped.\n" : "\n%s failed to stop.\n",
                DRIVER_DISPLAY_NAME);
}

}  // namespace

void InstallDriverService() {
    char path[MODULE_PATH_SIZE], error[ERROR_TEXT_SIZE];
    if (!GetQuotedModulePath(path, sizeof path)) {
        std::printf("Unable to install %s - %s\n", DRIVER_DISPLAY_NAME, FormatLastError(error, sizeof error));
        return;
    }
    SC_HANDLE manager = OpenManager();
    if (!manager) return;
    SC_HANDLE service = CreateServiceA(manager, DRIVER_SERVICE_NAME, DRIVER_DISPLAY_NAME, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS, SERVICE_AUTO_START,
                                       SERVICE_ERROR_NORMAL, path, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (service) {
        std::printf("%s installed.\n", DRIVER_DISPLAY_NAME);
        CloseServiceHandle(service);
        if (!RegisterDriverEventSource())
            std::printf("Unable to register the event source - %s\n", FormatLastError(error, sizeof error));
    } else {
        std::printf("CreateService failed - %s\n", FormatLastError(error, sizeof error));
    }
    CloseServiceHandle(manager);
}

void RemoveDriverService() {
    SC_HANDLE manager, service;
    if (!OpenDriverService(&manager, &service)) return;
    SERVICE_STATUS status = {};
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) PrintStopProgress(service, &status);
    char error[ERROR_TEXT_SIZE];
    if (DeleteService(service)) {
        std::printf("%s removed.\n", DRIVER_DISPLAY_NAME);
        if (!RemoveDriverEventSource())
            std::printf("Unable to remove the event source - %s\n", FormatLastError(error, sizeof error));
    } else {
        std::printf("DeleteService failed - %s\n", FormatLastError(error, sizeof error));
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

void StartDriverService() {
    SC_HANDLE manager, service;
    if (!OpenDriverService(&manager, &service)) return;
    StartServiceA(service, 0, nullptr);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

void DebugDriverService(int argc, char** argv) {
    bDebugMode = 1;
    std::printf("Debugging %s.\n", DRIVER_DISPLAY_NAME);
    SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE);
    ServiceStart(static_cast<DWORD>(argc), argv);
}

void WINAPI ServiceMain(DWORD argc, LPSTR* argv) {
    if (!RegisterServiceStatus(ServiceCtrlHandlerEx)) return;
    if (ReportServiceStatus(SERVICE_START_PENDING, NO_ERROR, START_HINT_MS)) ServiceStart(argc, argv);
    ReportServiceStopped();
}

void WINAPI ServiceCtrlHandler(DWORD control) {
    if (control == SERVICE_CONTROL_STOP) {
        ReportServiceStatus(SERVICE_STOP_PENDING, NO_ERROR, 0);
        ServiceStop();
        return;
    }
    // 128 to 135: the session changes for the depacketizer. Everything else,
    // interrogate, pause and continue included, only hears the status again.
    SetSessionEventForControlCode(control);
    ReportServiceStatus(CurrentServiceState(), NO_ERROR, 0);
}

DWORD WINAPI ServiceCtrlHandlerEx(DWORD control, DWORD eventType, LPVOID, LPVOID) {
    if (control != SERVICE_CONTROL_POWEREVENT) {
        ServiceCtrlHandler(control);
        return NO_ERROR;
    }
    // Standby takes the port away from under the driver: it lets go first,
    // and heals once the computer is back.
    if (eventType == PBT_APMSUSPEND) SuspendDeviceLink();
    else if (eventType == PBT_APMRESUMEAUTOMATIC || eventType == PBT_APMRESUMESUSPEND) ResumeDeviceLink();
    return NO_ERROR;
}

BOOL WINAPI ConsoleCtrlHandler(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    std::printf("Stopping %s.\n", DRIVER_DISPLAY_NAME);
    ServiceStop();
    return TRUE;
}

char* FormatLastError(char* buffer, DWORD size) {
    // Read once: the calls below may change it.
    const DWORD error = GetLastError();
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, LANG_NEUTRAL, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    buffer[0] = '\0';
    if (length != 0 && length + 14 <= size) {
        // The system's texts end in a line break, which the console line has of its own.
        DWORD end = length;
        while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n')) --end;
        text[end] = '\0';
        std::snprintf(buffer, size, "%s (0x%lx)", text, static_cast<unsigned long>(error));
    }
    if (text) LocalFree(text);
    return buffer;
}
