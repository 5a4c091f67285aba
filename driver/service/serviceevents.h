// Events of the driver service: the stop request, the session changes that
// the logon notifier delivers as control codes 128 to 135, and the one-time
// ready signal. The depacketizer waits on all of them.
#ifndef ORVIK_SERVICE_SERVICEEVENTS_H
#define ORVIK_SERVICE_SERVICEEVENTS_H

#include <windows.h>

enum SessionEvent {
    SESSION_LOGON,
    SESSION_LOGOFF,
    SESSION_LOCK,
    SESSION_UNLOCK,
    SESSION_SCREENSAVER_START,
    SESSION_SCREENSAVER_STOP,
    SESSION_SHUTDOWN,
    SESSION_SHELL_START,
    SESSION_EVENT_COUNT
};

extern HANDLE g_hServiceStopEvent;
extern HANDLE g_hServiceReadyEvent;
extern HANDLE g_hSessionEvents[SESSION_EVENT_COUNT];

// Creates every event (manual reset, not signalled), one at a time. After
// each one, `created` (when given) is told how many exist out of how many;
// its 0 stops the creation. 1 or 0.
int CreateServiceEvents(int (*created)(int count, int total) = nullptr);
// Closes every event that exists and forgets it.
void CloseServiceEvents();

// Sets the event of a user-defined service control code (128 to 135) while
// it exists. 1 when an event was set.
int SetSessionEventForControlCode(DWORD code);
// Sets the service-stop event while it exists. 1 when it was set.
int SetServiceStopEvent();

#endif
