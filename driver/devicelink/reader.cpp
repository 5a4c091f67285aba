// The reader thread: one read cycle after another, every byte through the
// framer. Responses go to the response slot of the waiting sender; complete
// event groups go, one node each, to the receive queue of the depacketizer.
#include <cstring>
#include <new>

#include "../../common/trace.h"
#include "../input/keyboard.h"
#include "devicelink.h"

CRITICAL_SECTION gQueueLock;
ReceiveQueueNode* gQueueHead = nullptr;
ReceiveQueueNode* gQueueTail = nullptr;
ResponseSlot gResponse;
volatile LONG bSuppressEvents = 0;
StreamFramer gFramer;

namespace {

unsigned char gReadBuffer[READ_BUFFER_SIZE];

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

void QueueEventGroup(void*, const unsigned char* group, int length) {
    // A depacketizer that has ended would never take the node.
    if (bSuppressEvents || (g_hDepacketizerThread && gbDepacketizerState == THREAD_ENDED)) return;
    ReceiveQueueNode* node = new (std::nothrow) ReceiveQueueNode;
    if (!node) {
        Trace("Error");
        return;
    }
    std::memcpy(node->data, group, length);
    node->count = length;
    node->next = nullptr;
    EnterCriticalSection(&gQueueLock);
    if (gQueueTail) gQueueTail->next = node;
    else gQueueHead = node;
    gQueueTail = node;
    LeaveCriticalSection(&gQueueLock);
    SetEvent(ghDataEvent);
}

const FramerSink kReaderSink = {StoreResponse, QueueEventGroup, nullptr};

}  // namespace

DWORD WINAPI ReadThreadRoutine(LPVOID) {
    while (gbReadThreadState == THREAD_RUNNING) {
        std::memset(gReadBuffer, 0, sizeof gReadBuffer);
        DWORD count = 0;
        if (!ReadCommPort(gReadBuffer, sizeof gReadBuffer, &count)) {
            Trace("Read File Error");
            // Nobody asked the reader to stop: the device is gone. Say so, so
            // that switching the connection on again reopens the port, and
            // let go of what it held: its releases can no longer come.
            if (gbReadThreadState == THREAD_RUNNING) {
                ReleaseStuckKeys();
                ReportConnectionState(0);
            }
            break;
        }
        if (count > 0) FramerFeed(&gFramer, gReadBuffer, static_cast<int>(count), &usAwaitedOpcode, kReaderSink);
    }
    Trace("ReadThreadRoutine: Exiting Read Thread giDataQueue %d bytes.", gFramer.pendingCount);
    gbReadThreadState = THREAD_ENDED;
    return 0;
}

void FreeReceiveQueue() {
    if (!DeviceLinkObjectsExist()) return;
    EnterCriticalSection(&gQueueLock);
    while (gQueueHead) {
        ReceiveQueueNode* next = gQueueHead->next;
        delete gQueueHead;
        gQueueHead = next;
    }
    gQueueTail = nullptr;
    LeaveCriticalSection(&gQueueLock);
}
