#include "serviceevents.h"

HANDLE g_hServiceStopEvent = 0;
HANDLE g_hServiceReadyEvent = 0;
HANDLE g_hSessionEvents[SESSION_EVENT_COUNT];

namespace {

const DWORD FIRST_SESSION_CONTROL = 128;

int CreateManualResetEvent(HANDLE* event) {
    *event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return *event != nullptr;
}

void CloseAndForget(HANDLE* event) {
    if (*event) CloseHandle(*event);
    *event = 0;
}

}  // namespace

int CreateServiceEvents() {
    if (!CreateManualResetEvent(&g_hServiceStopEvent)) return 0;
    for (HANDLE& event : g_hSessionEvents)
        if (!CreateManualResetEvent(&event)) return 0;
    return CreateManualResetEvent(&g_hServiceReadyEvent);
}

void CloseServiceEvents() {
    CloseAndForget(&g_hServiceStopEvent);
    CloseAndForget(&g_hServiceReadyEvent);
    for (HANDLE& event : g_hSessionEvents) CloseAndForget(&event);
}

HANDLE SessionEventForControlCode(DWORD code) {
    // Codes 128 to 135 in the notifier's order: logon, logoff, lock, unlock,
    // screen saver start and stop, shutdown, shell start.
    if (code < FIRST_SESSION_CONTROL || code >= FIRST_SESSION_CONTROL + SESSION_EVENT_COUNT) return 0;
    return g_hSessionEvents[code - FIRST_SESSION_CONTROL];
}
