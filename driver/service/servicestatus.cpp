// The status record is written by the service thread and by the control
// handler on the dispatcher's thread; each only reports a state, so it is
// shared without a lock.
#include "servicestatus.h"

#include <cstdio>

#include "eventmessages.h"
#include "serviceevents.h"

volatile LONG bDebugMode = 0;

namespace {

SERVICE_STATUS gServiceStatus = {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, NO_ERROR, 0, 0, 0};
SERVICE_STATUS_HANDLE gStatusHandle = 0;
DWORD gdwCheckPoint = 1;
DWORD gdwLoggedError = NO_ERROR;  // exit code of the final report

}  // namespace

BOOL RegisterServiceStatus(LPHANDLER_FUNCTION_EX handler) {
    gStatusHandle = RegisterServiceCtrlHandlerExA(DRIVER_SERVICE_NAME, handler, nullptr);
    if (!gStatusHandle) return FALSE;
    gServiceStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    gServiceStatus.dwServiceSpecificExitCode = 0;
    return TRUE;
}

DWORD CurrentServiceState() { return gServiceStatus.dwCurrentState; }

BOOL ReportServiceStatus(DWORD currentState, DWORD exitCode, DWORD waitHint) {
    if (bDebugMode) return TRUE;
    // A stop is taken as soon as there is a stop event to set, start-up
    // included: a question the start-up asks may sit where nobody answers it,
    // and only a stop closes it then.
    const bool canStop = currentState != SERVICE_START_PENDING || g_hServiceStopEvent;
    gServiceStatus.dwControlsAccepted = (canStop ? SERVICE_ACCEPT_STOP : 0) |
                                        (currentState == SERVICE_RUNNING ? SERVICE_ACCEPT_POWEREVENT : 0);
    gServiceStatus.dwCurrentState = currentState;
    gServiceStatus.dwWin32ExitCode = exitCode;
    gServiceStatus.dwWaitHint = waitHint;
    const bool settled = currentState == SERVICE_RUNNING || currentState == SERVICE_STOPPED;
    gServiceStatus.dwCheckPoint = settled ? 0 : gdwCheckPoint++;
    const BOOL sent = SetServiceStatus(gStatusHandle, &gServiceStatus);
    if (!sent) LogServiceError("SetServiceStatus");
    return sent;
}

void ReportServiceStopped() { ReportServiceStatus(SERVICE_STOPPED, gdwLoggedError, 0); }

void LogServiceError(const char* text) {
    if (bDebugMode) return;
    gdwLoggedError = GetLastError();
    HANDLE source = RegisterEventSourceA(nullptr, DRIVER_SERVICE_NAME);
    if (!source) return;
    char first[64];
    std::snprintf(first, sizeof first, "%s error: %d", DRIVER_SERVICE_NAME, static_cast<int>(gdwLoggedError));
    const char* strings[2] = {first, text};
    ReportEventA(source, EVENTLOG_ERROR_TYPE, 0, MSG_SERVICE_ERROR, nullptr, 2, 0, strings, nullptr);
    DeregisterEventSource(source);
}
