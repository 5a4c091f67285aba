#include "serviceevents.h"

#include "../../common/winsync.h"

HANDLE g_hServiceStopEvent = 0;
HANDLE g_hServiceReadyEvent = 0;
HANDLE g_hSessionEvents[SESSION_EVENT_COUNT];

namespace {

const DWORD FIRST_SESSION_CONTROL = 128;

// Setting a session event and closing the events exclude each other, so a
// late control code never sets a closed (or reused) handle. Made once.
StaticLock gEventsLock;

int CreateManualResetEvent(HANDLE* event) {
    *event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return *event != nullptr;
}

}  // namespace

int CreateServiceEvents(int (*created)(int count, int total)) {
    HANDLE* events[SESSION_EVENT_COUNT + 2] = {&g_hServiceStopEvent};
    for (int i = 0; i < SESSION_EVENT_COUNT; ++i) events[i + 1] = &g_hSessionEvents[i];
    events[SESSION_EVENT_COUNT + 1] = &g_hServiceReadyEvent;
    const int total = SESSION_EVENT_COUNT + 2;
    for (int i = 0; i < total; ++i) {
        if (!CreateManualResetEvent(events[i])) return 0;
        if (created && !created(i + 1, total)) return 0;
    }
    return 1;
}

void CloseServiceEvents() {
    LockHeld use(gEventsLock);
    CloseAndForget(&g_hServiceStopEvent);
    CloseAndForget(&g_hServiceReadyEvent);
    for (HANDLE& event : g_hSessionEvents) CloseAndForget(&event);
}

int SetSessionEventForControlCode(DWORD code) {
    // Codes 128 to 135 in the notifier's order: logon, logoff, lock, unlock,
    // screen saver start and stop, shutdown, shell start.
    if (code < FIRST_SESSION_CONTROL || code >= FIRST_SESSION_CONTROL + SESSION_EVENT_COUNT) return 0;
    LockHeld use(gEventsLock);
    HANDLE event = g_hSessionEvents[code - FIRST_SESSION_CONTROL];
    return event && SetEvent(event);
}

int SetServiceStopEvent() {
    LockHeld use(gEventsLock);
    return g_hServiceStopEvent && SetEvent(g_hServiceStopEvent);
}
