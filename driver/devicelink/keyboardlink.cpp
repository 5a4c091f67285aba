// Creation of the device link's shared objects and start and stop of its
// threads.
#include "../../common/trace.h"
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

namespace {

volatile LONG bConnected = 0;
bool gbLinkObjectsExist = false;  // the queue lock is initialised

const int STOP_CHECKS = 3;
const DWORD STOP_CHECK_INTERVAL_MS = 10;

void CloseAndForget(HANDLE* handle) {
    if (*handle) CloseHandle(*handle);
    *handle = 0;
}

}  // namespace

int GetConnectionState() { return bConnected; }

void SetConnectionState(int connected) { InterlockedExchange(&bConnected, connected ? 1 : 0); }

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
    if (g_hReadThread && gbReadThreadState != THREAD_ENDED) gbReadThreadState = THREAD_ASKED_TO_STOP;
    if (ClosePortHandle(g_hBTPort)) Trace("%s: port closed", caller);
    if (!FinishLinkThread(&g_hReadThread, &gbReadThreadState)) Trace("%s: Read thread explicitely killed.", caller);
}

int InitializeKeyBoard() {
    if (!CreateDeviceLinkObjects()) return 0;
    if ((GetConnectionState() && !StartReaderThread()) ||
        !StartLinkThread(Depacketizer, &gbDepacketizerState, &g_hDepacketizerThread)) {
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        return 0;
    }
    return 1;
}
