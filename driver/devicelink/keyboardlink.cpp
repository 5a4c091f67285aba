// Creation of the device link's shared objects and start and stop of its
// threads.
#include "../../common/trace.h"
#include "../../common/winsync.h"
#include "commands.h"
#include "devicelink.h"
#include "messages.h"

HANDLE ghCommandSemaphore = 0;
HANDLE ghCommandResponseEvent = 0;
HANDLE ghDataEvent = 0;
HANDLE g_hReadThread = 0;
volatile BYTE gbReadThreadState = THREAD_ENDED;
HANDLE g_hDepacketizerThread = 0;
volatile BYTE gbDepacketizerState = THREAD_ENDED;
DWORD gdwStartSettleMs = START_SETTLE_MS;

namespace {

volatile LONG bConnected = 0;
DeviceLinkHooks gHooks = {};
volatile LONG gbLinkShutDown = 0;

// Made once on first use and never deleted: a thread may still be on its
// way to it when the driver stops.
CRITICAL_SECTION gLinkLock;
HANDLE ghShutDownEvent = 0;
volatile LONG gLinkLockState = 0;  // 0 not made, 1 being made, 2 ready

void EnsureLinkLock() {
    if (gLinkLockState == 2) return;
    if (InterlockedCompareExchange(&gLinkLockState, 1, 0) == 0) {
        InitializeCriticalSection(&gLinkLock);
        ghShutDownEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        InterlockedExchange(&gLinkLockState, 2);
    }
    while (gLinkLockState != 2) Sleep(1);
}
bool gbLinkObjectsExist = false;  // the queue lock is initialised

const int STOP_CHECKS = 3;
const DWORD STOP_CHECK_INTERVAL_MS = 10;

}  // namespace

int GetConnectionState() { return bConnected; }

void SetConnectionState(int connected) { InterlockedExchange(&bConnected, connected ? 1 : 0); }

void SetDeviceLinkHooks(const DeviceLinkHooks& hooks) { gHooks = hooks; }

const DeviceLinkHooks& GetDeviceLinkHooks() { return gHooks; }

void ReportConnectionState(int connected) {
    SetConnectionState(connected);
    if (gHooks.connectionChanged) gHooks.connectionChanged(connected);
}

int RetryAfterNoAnswer(int (*attempt)(), const char* turnOffTrace) {
    if (attempt()) return 1;
    // Nobody may be asked once the driver stops: the question would hold the stop.
    if (!gHooks.retryAfterNoAnswer || IsLinkShutDown()) return 0;
    return gHooks.retryAfterNoAnswer(attempt, turnOffTrace);
}

LinkLock::LinkLock() {
    EnsureLinkLock();
    EnterCriticalSection(&gLinkLock);
}

LinkLock::~LinkLock() { LeaveCriticalSection(&gLinkLock); }

bool IsLinkShutDown() { return gbLinkShutDown != 0; }

void ShutDownDeviceLink() {
    EnsureLinkLock();
    InterlockedExchange(&gbLinkShutDown, 1);
    SetEvent(ghShutDownEvent);
    // A sender waiting for the device gives up at once.
    gResponse.success = 0;
    if (ghCommandResponseEvent) SetEvent(ghCommandResponseEvent);
    DeInitializeKeyBoard();
}

void AllowDeviceLinkStart() {
    EnsureLinkLock();
    ResetEvent(ghShutDownEvent);
    InterlockedExchange(&gbLinkShutDown, 0);
}

void WaitForDeviceToSettle() {
    EnsureLinkLock();
    WaitForSingleObject(ghShutDownEvent, gdwStartSettleMs);
}

int CreateDeviceLinkObjects() {
    InitializeCriticalSection(&gQueueLock);
    gbLinkObjectsExist = true;
    if (!InitializePortSettings()) return 0;
    FramerReset(&gFramer);
    ghCommandSemaphore = CreateSemaphoreA(nullptr, 1, 1, nullptr);
    if (!ghCommandSemaphore) {
        Trace("Unable to create semaphore");
        return 0;
    }
    usAwaitedOpcode = 0;
    ghCommandResponseEvent = CreateEventA(nullptr, TRUE, TRUE, "Command Response Event");
    if (!ghCommandResponseEvent) return 0;
    ghDataEvent = CreateEventA(nullptr, TRUE, TRUE, "Data Event");
    return ghDataEvent != nullptr;
}

bool DeviceLinkObjectsExist() { return gbLinkObjectsExist; }

void CloseDeviceLinkObjects() {
    if (!gbLinkObjectsExist) return;
    gbLinkObjectsExist = false;
    Trace("DeInit: Closing semaphore.");
    CloseAndForget(&ghCommandSemaphore);
    CloseAndForget(&ghCommandResponseEvent);
    CloseAndForget(&ghDataEvent);
    CloseAndForget(&gostCOMRead.hEvent);
    CloseAndForget(&gostCOMWrite.hEvent);
    CloseAndForget(&gostCOMReadWaitComm.hEvent);
    DeleteCriticalSection(&gQueueLock);
    FramerReset(&gFramer);
}

int StartLinkThread(LPTHREAD_START_ROUTINE routine, volatile BYTE* state, HANDLE* thread) {
    DWORD id = 0;
    *thread = CreateThread(nullptr, 0, routine, nullptr, CREATE_SUSPENDED, &id);
    if (!*thread) {
        *state = THREAD_ENDED;
        return 0;
    }
    SetThreadPriority(*thread, THREAD_PRIORITY_HIGHEST);
    *state = THREAD_RUNNING;
    ResumeThread(*thread);
    return 1;
}

int StartReaderThread() { return StartLinkThread(ReadThreadRoutine, &gbReadThreadState, &g_hReadThread); }

int FinishLinkThread(HANDLE* thread, volatile BYTE* state) {
    if (!*thread) return 1;
    for (int i = 0; i < STOP_CHECKS && *state != THREAD_ENDED; ++i) Sleep(STOP_CHECK_INTERVAL_MS);
    const int endedByItself = *state == THREAD_ENDED;
    if (!endedByItself) {
        TerminateThread(*thread, 0);
        *state = THREAD_ENDED;
    }
    CloseHandle(*thread);
    *thread = 0;
    return endedByItself;
}

void StopReaderThread(const char* caller) {
    LinkLock lock;
    if (g_hReadThread && gbReadThreadState != THREAD_ENDED) gbReadThreadState = THREAD_ASKED_TO_STOP;
    if (ClosePortHandle(g_hBTPort)) Trace("%s: port closed", caller);
    if (!FinishLinkThread(&g_hReadThread, &gbReadThreadState)) Trace("%s: Read thread explicitely killed.", caller);
}

int InitializeKeyBoard() {
    LinkLock lock;
    if (!CreateDeviceLinkObjects()) return 0;
    if ((GetConnectionState() && !StartReaderThread()) ||
        !StartLinkThread(Depacketizer, &gbDepacketizerState, &g_hDepacketizerThread)) {
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        return 0;
    }
    return 1;
}
