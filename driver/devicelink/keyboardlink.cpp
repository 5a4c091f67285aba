// The link's lasting objects, its lock, its threads' start and stop, and
// what it reports upward.
#include "../../common/trace.h"
#include "../../common/winsync.h"
#include "../../common/worker.h"
#include "../input/keyboard.h"
#include "devicelink.h"
#include "messages.h"

namespace {

const DWORD DEPACKETIZER_JOIN_MS = 3000;
// A sweep waits this long for a depacketizer busy with a group (a sound, a
// layout handshake) before it gives up on the release.
const DWORD SWEEP_WAIT_MS = 6000;

volatile LONG bConnected = 0;
DeviceLinkHooks gHooks = {};
volatile LONG gbLinkShutDown = 0;
DWORD gdwStartSettleMs = START_SETTLE_MS;

// Made before main and never deleted: a thread may still be on its way to
// them when the driver stops.
struct LinkObjects {
    CRITICAL_SECTION lock;
    HANDLE shutDown;   // set while the link is shut down: cuts the settle pause short
    HANDLE swept;      // auto reset: the depacketizer has swept
    LinkObjects() {
        InitializeCriticalSection(&lock);
        shutDown = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        swept = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
};
LinkObjects gLink;

Worker gDepacketizer = {};
volatile DWORD gDepacketizerThreadId = 0;

}  // namespace

int GetConnectionState() { return bConnected; }

void SetDeviceLinkHooks(const DeviceLinkHooks& hooks) { gHooks = hooks; }

const DeviceLinkHooks& GetDeviceLinkHooks() { return gHooks; }

void ReportConnectionState(int connected) {
    InterlockedExchange(&bConnected, connected ? 1 : 0);
    if (gHooks.connectionChanged) gHooks.connectionChanged(connected);
}

void ReportPortLost() {
    SweepHeldInput();
    ReportConnectionState(0);
}

int RetryAfterNoAnswer(int (*attempt)(), const char* turnOffTrace) {
    if (attempt()) return 1;
    if (!gHooks.retryAfterNoAnswer || IsLinkShutDown()) return 0;
    return gHooks.retryAfterNoAnswer(attempt, turnOffTrace);
}

LinkLock::LinkLock() { EnterCriticalSection(&gLink.lock); }

LinkLock::~LinkLock() { LeaveCriticalSection(&gLink.lock); }

bool IsLinkShutDown() { return gbLinkShutDown != 0; }

void ShutDownDeviceLink() {
    InterlockedExchange(&gbLinkShutDown, 1);
    SetEvent(gLink.shutDown);
    // A sender waiting for the device gives up at once.
    AbandonResponse();
    DeInitializeKeyBoard();
}

void AllowDeviceLinkStart() {
    ResetEvent(gLink.shutDown);
    InterlockedExchange(&gbLinkShutDown, 0);
}

void SetStartSettleTime(DWORD ms) { gdwStartSettleMs = ms; }

void WaitForDeviceToSettle() { WaitForSingleObject(gLink.shutDown, gdwStartSettleMs); }

int StartDepacketizer() {
    LinkLock lock;
    if (!WorkerEnded(&gDepacketizer)) return 1;
    WorkerJoin(&gDepacketizer, 0);
    FreeReceiveQueue();
    return WorkerStart(&gDepacketizer, Depacketizer, &gDepacketizer, THREAD_PRIORITY_HIGHEST);
}

void StopDepacketizer() {
    LinkLock lock;
    // Nothing queued is typed into a closing link.
    FreeReceiveQueue();
    if (!WorkerStop(&gDepacketizer, DEPACKETIZER_JOIN_MS))
        Trace("DeInitializeKeyBoard: Depacketizer thread explicitely killed.");
}

bool DepacketizerRuns() { return !WorkerEnded(&gDepacketizer); }

void SignalSwept() { SetEvent(gLink.swept); }

void NoteDepacketizerThread() { gDepacketizerThreadId = GetCurrentThreadId(); }

void SweepHeldInput() {
    if (GetCurrentThreadId() == gDepacketizerThreadId) {
        ReleaseStuckKeys();
        return;
    }
    ResetEvent(gLink.swept);
    if (DepacketizerRuns() && QueueSweepRequest() &&
        WaitForSingleObject(gLink.swept, SWEEP_WAIT_MS) == WAIT_OBJECT_0)
        return;
    ReleaseStuckKeys();
}

int InitializeKeyBoard(DWORD* portError) {
    LinkLock lock;
    *portError = ERROR_SUCCESS;
    if (!CreatePortEvents() || !CreateReceiveQueue() || !CreateCommandSemaphore()) {
        Trace("Unable to create semaphore");
        return 0;
    }
    // The depacketizer first, so that every group the reader queues has a taker.
    if (!StartDepacketizer()) return 0;
    if (!OpenLinkPort(ConfiguredPortNumber(), portError)) {
        ReportConnectionState(0);
        return 1;
    }
    if (!StartReader()) {
        CloseLinkPort();
        ReportConnectionState(0);
        *portError = GetLastError();
        return 0;
    }
    ReportConnectionState(1);
    return 1;
}
