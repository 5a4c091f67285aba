// What the whole link shares: its state and the user's wish, the hooks it
// reports through, its lock, and whether it is shut down. Nothing here
// calls any other file of the link.
#include "devicelink.h"

namespace {

volatile LONG bConnected = 0;
volatile LONG gbConnectionWanted = 0;
DeviceLinkHooks gHooks = {};
volatile LONG gbLinkShutDown = 0;
DWORD gdwStartSettleMs = START_SETTLE_MS;

// Made before main and never deleted: a thread may still be on its way to
// them when the driver stops.
struct LinkObjects {
    CRITICAL_SECTION lock;
    HANDLE shutDown;  // set while the link is shut down: cuts the settle pause short
    LinkObjects() {
        InitializeCriticalSection(&lock);
        shutDown = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
};
LinkObjects gLink;

}  // namespace

int GetConnectionState() { return bConnected; }

void SetDeviceLinkHooks(const DeviceLinkHooks& hooks) { gHooks = hooks; }

const DeviceLinkHooks& GetDeviceLinkHooks() { return gHooks; }

void ReportConnectionState(int connected) {
    InterlockedExchange(&bConnected, connected ? 1 : 0);
    if (gHooks.connectionChanged) gHooks.connectionChanged(connected);
}

int IsConnectionWanted() { return gbConnectionWanted; }

void SetConnectionWanted(int wanted) {
    InterlockedExchange(&gbConnectionWanted, wanted ? 1 : 0);
    if (gHooks.connectionWanted) gHooks.connectionWanted(wanted);
}

int RetryAfterNoAnswer(int (*attempt)(), const char* turnOffTrace) {
    if (attempt()) return 1;
    if (!gHooks.retryAfterNoAnswer || IsLinkShutDown()) return 0;
    return gHooks.retryAfterNoAnswer(attempt, turnOffTrace);
}

LinkLock::LinkLock() { EnterCriticalSection(&gLink.lock); }

LinkLock::~LinkLock() { LeaveCriticalSection(&gLink.lock); }

bool IsLinkShutDown() { return gbLinkShutDown != 0; }

void MarkLinkShutDown() {
    InterlockedExchange(&gbLinkShutDown, 1);
    SetEvent(gLink.shutDown);
}

void AllowDeviceLinkStart() {
    ResetEvent(gLink.shutDown);
    InterlockedExchange(&gbLinkShutDown, 0);
}

void SetStartSettleTime(DWORD ms) { gdwStartSettleMs = ms; }

void WaitForDeviceToSettle() { WaitForSingleObject(gLink.shutDown, gdwStartSettleMs); }
