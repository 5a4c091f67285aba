// Worker threads: every thread of the driver is started, asked to stop and
// joined through these functions. A thread ends because it was asked to (its
// flag and its stop event), never because it was killed: TerminateThread
// leaves whatever the thread held (the heap, the loader lock, a sound
// device) locked for ever. Only when a thread does not end within its bound
// does its owner terminate it, as a last resort, and the owner then touches
// none of the state that thread may have been using.
#ifndef ORVIK_COMMON_WORKER_H
#define ORVIK_COMMON_WORKER_H

#include <windows.h>

struct Worker {
    HANDLE thread;              // 0 while none runs
    HANDLE stopEvent;           // manual reset, made with the first start, kept
    volatile LONG stopAsked;
};

// Starts `routine(context)` at `priority` (created suspended, so that its
// priority is set before it runs). 1 or 0.
int WorkerStart(Worker* worker, LPTHREAD_START_ROUTINE routine, void* context, int priority);
// Sets the flag and the stop event; any thread, any number of times.
void WorkerAskToStop(Worker* worker);
// For the thread itself: whether it was asked to end.
inline bool WorkerStopAsked(const Worker* worker) { return worker->stopAsked != 0; }
// Whether its thread has ended (or none was started).
bool WorkerEnded(const Worker* worker);
// Waits up to `timeoutMs` for the thread to end; then forgets its handle
// and returns 1. 0 when it still runs (the handle is kept).
int WorkerJoin(Worker* worker, DWORD timeoutMs);
// Asks, joins within `timeoutMs`, and terminates a thread that did not end.
// 1 when it ended by itself; 0 when it had to be terminated.
int WorkerStop(Worker* worker, DWORD timeoutMs);
// How many threads had to be terminated since the program started.
LONG WorkerTerminationCount();

#endif
