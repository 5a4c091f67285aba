#include "worker.h"

namespace {

volatile LONG gTerminations = 0;

}  // namespace

int WorkerStart(Worker* worker, LPTHREAD_START_ROUTINE routine, void* context, int priority) {
    if (!worker->stopEvent) worker->stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!worker->stopEvent) return 0;
    ResetEvent(worker->stopEvent);
    InterlockedExchange(&worker->stopAsked, 0);
    HANDLE thread = CreateThread(nullptr, 0, routine, context, CREATE_SUSPENDED, nullptr);
    if (!thread) return 0;
    SetThreadPriority(thread, priority);
    worker->thread = thread;
    ResumeThread(thread);
    return 1;
}

void WorkerAskToStop(Worker* worker) {
    InterlockedExchange(&worker->stopAsked, 1);
    if (worker->stopEvent) SetEvent(worker->stopEvent);
}

bool WorkerEnded(const Worker* worker) {
    return !worker->thread || WaitForSingleObject(worker->thread, 0) == WAIT_OBJECT_0;
}

int WorkerJoin(Worker* worker, DWORD timeoutMs) {
    if (!worker->thread) return 1;
    if (WaitForSingleObject(worker->thread, timeoutMs) != WAIT_OBJECT_0) return 0;
    CloseHandle(worker->thread);
    worker->thread = 0;
    return 1;
}

int WorkerStop(Worker* worker, DWORD timeoutMs) {
    WorkerAskToStop(worker);
    if (WorkerJoin(worker, timeoutMs)) return 1;
    TerminateThread(worker->thread, 0);
    InterlockedIncrement(&gTerminations);
    WaitForSingleObject(worker->thread, INFINITE);
    CloseHandle(worker->thread);
    worker->thread = 0;
    return 0;
}

LONG WorkerTerminationCount() { return gTerminations; }
