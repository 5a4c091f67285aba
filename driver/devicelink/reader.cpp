// The reader thread: one read cycle after another, every byte through the
// framer. Responses go to the response slot of the waiting sender; complete
// event groups go, one node each, to the receive queue of the depacketizer.
#include <cstring>
#include <new>

#include "../../common/trace.h"
#include "../../common/winsync.h"
#include "../../common/worker.h"
#include "devicelink.h"

namespace {

const DWORD READER_JOIN_MS = 3000;

// The answer to the command in flight, written by the reader before it sets
// "Command Response Event" and read by the sender after it.
struct ResponseSlot {
    volatile LONG success;  // 1: the response's status byte was 1
    unsigned short length;
    unsigned char data[RESPONSE_BUFFER_SIZE];
};

Worker gReader = {};
StreamFramer gFramer;
unsigned char gReadBuffer[READ_BUFFER_SIZE];
volatile unsigned short usAwaitedOpcode = 0;
ResponseSlot gResponse;
HANDLE ghCommandResponseEvent = 0;  // "Command Response Event"
volatile LONG gSuppressions = 0;    // layout handshakes under way

CRITICAL_SECTION gQueueLock;
ReceiveQueueNode* gQueueHead = nullptr;
ReceiveQueueNode* gQueueTail = nullptr;
HANDLE ghDataEvent = 0;  // "Data Event"

void StoreResponse(void*, unsigned char status, const unsigned char* payload, int length) {
    if (status != 1) {
        Trace("Not a success...got 0");
        gResponse.success = 0;
    } else if (length > RESPONSE_BUFFER_SIZE) {
        // The sender could only see a cut answer: fail the command instead.
        Trace("ReadThreadRoutine: response of %d bytes refused", length);
        gResponse.success = 0;
    } else {
        std::memset(gResponse.data, 0, sizeof gResponse.data);
        std::memcpy(gResponse.data, payload, length);
        gResponse.length = static_cast<unsigned short>(length);
        gResponse.success = 1;
    }
    SetEvent(ghCommandResponseEvent);
}

void AppendNode(ReceiveQueueNode* node) {
    node->next = nullptr;
    EnterCriticalSection(&gQueueLock);
    if (gQueueTail) gQueueTail->next = node;
    else gQueueHead = node;
    gQueueTail = node;
    LeaveCriticalSection(&gQueueLock);
    SetEvent(ghDataEvent);
}

void QueueEventGroup(void*, const unsigned char* group, int length) {
    if (gSuppressions > 0) return;
    ReceiveQueueNode* node = new (std::nothrow) ReceiveQueueNode;
    if (!node) {
        Trace("Error");
        return;
    }
    std::memcpy(node->data, group, length);
    node->count = length;
    node->sweep = false;
    AppendNode(node);
}

const FramerSink kReaderSink = {StoreResponse, QueueEventGroup, nullptr};

DWORD WINAPI ReadThreadRoutine(LPVOID) {
    const HANDLE port = ReaderPort();
    int result = READ_DONE;
    while (!WorkerStopAsked(&gReader)) {
        DWORD count = 0;
        result = ReadCommPort(port, gReadBuffer, sizeof gReadBuffer, &count, gReader.stopEvent);
        if (result != READ_DONE) break;
        if (count > 0) FramerFeed(&gFramer, gReadBuffer, static_cast<int>(count), &usAwaitedOpcode, kReaderSink);
    }
    Trace("ReadThreadRoutine: Exiting Read Thread giDataQueue %d bytes.", gFramer.pendingCount);
    // Nobody asked the reader to stop: the device is gone.
    if (result == READ_PORT_LOST && !WorkerStopAsked(&gReader)) {
        Trace("Read File Error");
        ReportPortLost();
    }
    return 0;
}

}  // namespace

int StartReader() {
    // A half packet of the last port must not run into this one's.
    FramerReset(&gFramer);
    return WorkerStart(&gReader, ReadThreadRoutine, nullptr, THREAD_PRIORITY_HIGHEST);
}

void StopReader(const char* caller) {
    if (!WorkerStop(&gReader, READER_JOIN_MS)) Trace("%s: Read thread explicitely killed.", caller);
}

bool ReaderRuns() { return !WorkerEnded(&gReader); }

void AwaitResponse(unsigned short opcode) {
    usAwaitedOpcode = opcode;
    gResponse.success = 0;
    ResetEvent(ghCommandResponseEvent);
}

int TakeResponse(DWORD timeoutMs, unsigned char* payload, unsigned short* length) {
    const DWORD wait = WaitForSingleObject(ghCommandResponseEvent, timeoutMs);
    if (wait == WAIT_TIMEOUT) {
        Trace("Single Object: TimeOut");
        return RESPONSE_NONE;
    }
    if (wait != WAIT_OBJECT_0 || IsLinkShutDown()) {
        Trace("Single Object: Abondoned or failed");
        return RESPONSE_NONE;
    }
    if (!gResponse.success) {
        Trace("Sorry Command not successful");
        return RESPONSE_FAILED;
    }
    *length = gResponse.length;
    if (payload) std::memcpy(payload, gResponse.data, gResponse.length);
    return 1;
}

void AbandonResponse() {
    gResponse.success = 0;
    if (ghCommandResponseEvent) SetEvent(ghCommandResponseEvent);
}

void SuppressEvents(bool on) {
    if (on) InterlockedIncrement(&gSuppressions);
    else InterlockedDecrement(&gSuppressions);
}

int CreateReceiveQueue() {
    if (ghDataEvent) return 1;
    InitializeCriticalSection(&gQueueLock);
    ghCommandResponseEvent = CreateEventA(nullptr, TRUE, TRUE, "Command Response Event");
    ghDataEvent = CreateEventA(nullptr, TRUE, TRUE, "Data Event");
    return ghCommandResponseEvent && ghDataEvent;
}

HANDLE ReceiveQueueEvent() { return ghDataEvent; }

bool TakeHeadNode(ReceiveQueueNode* copy) {
    EnterCriticalSection(&gQueueLock);
    ReceiveQueueNode* head = gQueueHead;
    if (head) {
        gQueueHead = head->next;
        if (!gQueueHead) gQueueTail = nullptr;
    }
    LeaveCriticalSection(&gQueueLock);
    if (!head) return false;
    std::memcpy(copy->data, head->data, head->count);
    copy->count = head->count;
    copy->sweep = head->sweep;
    delete head;
    return true;
}

void FreeReceiveQueue() {
    if (!ghDataEvent) return;
    EnterCriticalSection(&gQueueLock);
    while (gQueueHead) {
        ReceiveQueueNode* next = gQueueHead->next;
        delete gQueueHead;
        gQueueHead = next;
    }
    gQueueTail = nullptr;
    LeaveCriticalSection(&gQueueLock);
}

int QueueSweepRequest() {
    FreeReceiveQueue();
    ReceiveQueueNode* node = new (std::nothrow) ReceiveQueueNode;
    if (!node) return 0;
    node->count = 0;
    node->sweep = true;
    AppendNode(node);
    return 1;
}
