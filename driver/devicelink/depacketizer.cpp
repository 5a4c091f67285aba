// The depacketizer thread: verifies the event packets of each queued node,
// collects their records into groups and hands every complete group to the
// input dispatcher. Input injection runs on this thread, so it also keeps the
// thread on the desktop that receives input as the session changes.
#include <cstring>
#include <new>

#include "../../common/trace.h"
#include "../input/keyboard.h"
#include "commands.h"
#include "devicelink.h"
#include "messages.h"

namespace {

// Wait list order; the lowest signalled index is served first.
enum WaitIndex {
    WAIT_SERVICE_STOP,
    WAIT_LOGON,
    WAIT_LOGOFF,
    WAIT_LOCK,
    WAIT_UNLOCK,
    WAIT_SCREENSAVER_START,
    WAIT_SCREENSAVER_STOP,
    WAIT_DATA,
    WAIT_SHELL_START,
    WAIT_SHUTDOWN,
    WAIT_READY,
    WAIT_COUNT
};

void FreeGroup(InputEventBatch* batch) {
    for (int i = 0; i < batch->count; ++i) {
        delete batch->events[i];
        batch->events[i] = nullptr;
    }
    batch->count = 0;
}

// The desktop this thread opened and works on, 0 while it is still on the
// one it started on. A desktop in use by a thread cannot be closed: each one
// is closed when the thread has moved on to the next.
HDESK gAttachedDesktop = 0;

void SwitchToDesktop(HDESK desktop) {
    if (!SetThreadDesktop(desktop)) {
        CloseDesktop(desktop);
        return;
    }
    if (gAttachedDesktop) CloseDesktop(gAttachedDesktop);
    gAttachedDesktop = desktop;
}

// Makes the named desktop (or, for 0, the one receiving input) this
// thread's desktop. A failed open leaves the thread where it was.
void AttachToDesktop(const char* name, bool traced, const char* inputLabel = "") {
    HDESK desktop = name ? OpenDesktopA(name, 0, FALSE, GENERIC_ALL) : OpenInputDesktop(0, FALSE, GENERIC_ALL);
    const char* outcome = desktop ? "successful" : "failed";
    if (traced && name) Trace("Depacketizer: OpenDesktop %s %s.", name, outcome);
    if (traced && !name) Trace("Depacketizer: OpenInputDesktop%s %s.", inputLabel, outcome);
    if (!desktop) return;
    SwitchToDesktop(desktop);
    outcome = gAttachedDesktop == desktop ? "successful" : "failed";
    if (traced && name) Trace("Depacketizer: SetThreadDesktop %s %s.", name, outcome);
    if (traced && !name) Trace("Depacketizer: SetThreadDesktop%s %s.", inputLabel, outcome);
}

// Back on the desktop the thread started on, so the last one opened can go.
void DetachFromDesktop(HDESK original) {
    if (gAttachedDesktop && SetThreadDesktop(original)) CloseDesktop(gAttachedDesktop);
    gAttachedDesktop = 0;
}

void EndSessionInterface(const char* when) {
    const DeviceLinkHooks& hooks = GetDeviceLinkHooks();
    const int ended = hooks.sessionEnding && hooks.sessionEnding(when);
    Trace("Depacketizer: DoDeInitForTaskbarIcon %s on %s event.", ended ? "succeed" : "failed", when);
}

bool IsInputEventOpcode(unsigned char opcodeClass) { return opcodeClass <= EVENT_INPUT_LAST; }
bool IsPowerNotice(unsigned char opcodeClass) {
    return opcodeClass == POWER_NORMAL || opcodeClass == POWER_STANDBY || opcodeClass == POWER_NOT_STARTED;
}

// Record of one event packet: the first 37 payload bytes (the rest of a
// longer payload means nothing to the host), zero-filled when shorter.
InputEvent* CopyRecord(const unsigned char* packet) {
    InputEvent* record = new (std::nothrow) InputEvent;
    if (!record) return nullptr;
    std::memset(record, 0, sizeof *record);
    const int length = DevicePacketPayloadLength(packet);
    std::memcpy(record, packet + DEVICE_HEADER_SIZE, length < static_cast<int>(sizeof *record) ? length : sizeof *record);
    return record;
}

void RunLayoutHandshake(const InputEvent* record) {
    Trace("Wrong Layout Number");
    Trace("Btdata: %x %x %x %x Actual ID: %x %x %x %x", record->layoutId[0], record->layoutId[1],
          record->layoutId[2], record->layoutId[3], EXPECTED_LAYOUT_ID[0], EXPECTED_LAYOUT_ID[1],
          EXPECTED_LAYOUT_ID[2], EXPECTED_LAYOUT_ID[3]);
    if (!SetDefaultLayout()) ShowDriverMessage(nullptr, DRIVER_MSG_SET_FAILED);
}

enum PacketOutcome { PACKET_TAKEN, PACKET_END_THREAD };

// Handles one verified event packet of the node.
PacketOutcome TakeEventPacket(const unsigned char* packet, InputEventBatch* group) {
    InputEvent* record = CopyRecord(packet);
    if (!record) return PACKET_TAKEN;
    // A group longer than one batch is passed on in batches, in order.
    if (group->count == MAX_BATCH_EVENTS) DispatchInputEvents(group);
    group->events[group->count++] = record;

    const unsigned char opcodeClass = packet[6];
    if (opcodeClass == CAN_ERROR_LAYOUT_LOAD_ERROR) {
        ShowDriverMessage(nullptr, DRIVER_MSG_SET_FAILED);
        Trace("CAN_ERROR_LAYOUT_LOAD_ERROR");
        return PACKET_END_THREAD;
    }
    bool layoutMismatch = false;
    if (IsInputEventOpcode(opcodeClass)) {
        layoutMismatch = std::memcmp(record->layoutId, EXPECTED_LAYOUT_ID, sizeof EXPECTED_LAYOUT_ID) != 0;
    } else if (opcodeClass == EVENT_LAYOUT_NOTICE) {
        layoutMismatch = true;
    } else if (!IsPowerNotice(opcodeClass)) {
        Trace("Wrong Opcode arrived");
        FreeGroup(group);
        return PACKET_TAKEN;
    }
    if (layoutMismatch) {
        RunLayoutHandshake(record);
        FreeGroup(group);
        return PACKET_TAKEN;
    }
    if (record->moreFollows == 0) DispatchInputEvents(group);
    return PACKET_TAKEN;
}

// Walks the packets of one node. A group never spans two nodes.
PacketOutcome WalkNode(const ReceiveQueueNode& node, InputEventBatch* group) {
    const int end = static_cast<int>(node.count);
    int offset = 0;
    PacketOutcome outcome = PACKET_TAKEN;
    while (offset < end && outcome == PACKET_TAKEN) {
        const unsigned char* p = node.data + offset;
        if (p[0] != PACKET_MAGIC) { ++offset; continue; }
        if (offset + 1 >= end || p[1] != PACKET_MAGIC) { offset += 2; continue; }
        if (end - offset < DEVICE_PACKET_OVERHEAD || DevicePacketSize(p) > end - offset) break;
        const int size = DevicePacketSize(p);
        offset += size;
        if (!VerifyDevicePacket(p, size)) {
            Trace("Wrong CRC");
            continue;
        }
        outcome = TakeEventPacket(p, group);
    }
    FreeGroup(group);
    return outcome;
}

// Copies the head node out under the lock, so parsing runs without it.
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
    delete head;
    return true;
}

PacketOutcome DrainReceiveQueue(ReceiveQueueNode* scratch, InputEventBatch* group) {
    while (TakeHeadNode(scratch))
        if (WalkNode(*scratch, group) == PACKET_END_THREAD) return PACKET_END_THREAD;
    return PACKET_TAKEN;
}

void BuildWaitList(HANDLE* handles) {
    SessionEvents events = {};
    const DeviceLinkHooks& hooks = GetDeviceLinkHooks();
    if (hooks.sessionEvents) hooks.sessionEvents(&events);
    handles[WAIT_SERVICE_STOP] = events.stop;
    handles[WAIT_LOGON] = events.logon;
    handles[WAIT_LOGOFF] = events.logoff;
    handles[WAIT_LOCK] = events.lock;
    handles[WAIT_UNLOCK] = events.unlock;
    handles[WAIT_SCREENSAVER_START] = events.screenSaverStart;
    handles[WAIT_SCREENSAVER_STOP] = events.screenSaverStop;
    handles[WAIT_DATA] = ghDataEvent;
    handles[WAIT_SHELL_START] = events.shellStart;
    handles[WAIT_SHUTDOWN] = events.shutdown;
    handles[WAIT_READY] = events.ready;
}

// Serves one signalled event; false ends the thread.
bool Serve(int index, ReceiveQueueNode* scratch, InputEventBatch* group) {
    switch (index) {
    case WAIT_SERVICE_STOP:
        Trace("Depacketizer: Service stopped.");
        EndSessionInterface("Service stop");
        return false;
    case WAIT_LOGON:
        AttachToDesktop("Default", true);
        return true;
    case WAIT_LOGOFF:
        EndSessionInterface("Logoff");
        AttachToDesktop("Winlogon", true);
        return true;
    case WAIT_LOCK:
    case WAIT_UNLOCK:
    case WAIT_SCREENSAVER_START:
    case WAIT_SCREENSAVER_STOP:
        AttachToDesktop(nullptr, true);
        return true;
    case WAIT_DATA:
        return DrainReceiveQueue(scratch, group) == PACKET_TAKEN;
    case WAIT_SHELL_START:
        if (GetDeviceLinkHooks().shellStarted) GetDeviceLinkHooks().shellStarted();
        return true;
    case WAIT_SHUTDOWN:
        return true;
    default:  // WAIT_READY
        AttachToDesktop(nullptr, false);
        return true;
    }
}

}  // namespace

DWORD WINAPI Depacketizer(LPVOID) {
    const HDESK original = GetThreadDesktop(GetCurrentThreadId());
    HANDLE handles[WAIT_COUNT];
    BuildWaitList(handles);
    ResetEvent(handles[WAIT_READY]);
    for (int i = WAIT_SERVICE_STOP; i <= WAIT_DATA; ++i) ResetEvent(handles[i]);
    AttachToDesktop(nullptr, true, "(default)");

    ReceiveQueueNode* scratch = new (std::nothrow) ReceiveQueueNode;
    InputEventBatch group = {};
    bool running = scratch != nullptr;
    bool endedByDevice = false;
    while (running && gbDepacketizerState == THREAD_RUNNING) {
        SetLastError(0);
        const DWORD result = WaitForMultipleObjects(WAIT_COUNT, handles, FALSE, INFINITE);
        const int index = static_cast<int>(result - WAIT_OBJECT_0);
        if (result < WAIT_OBJECT_0 || index >= WAIT_COUNT) {
            Trace("WaitForMultipleObjects failed %lu", GetLastError());
            break;
        }
        // The data wake-up is cleared before draining, so a node queued
        // meanwhile either is drained now or signals again. The stop event
        // stays set: the service thread waits for it too.
        if (index == WAIT_DATA) ResetEvent(handles[WAIT_DATA]);
        running = Serve(index, scratch, &group);
        endedByDevice = !running && index == WAIT_DATA;
        if (running && index != WAIT_DATA) ResetEvent(handles[index]);
    }
    Trace("Exiting Depacketizer. %d", gbDepacketizerState);
    FreeGroup(&group);
    delete scratch;
    DetachFromDesktop(original);
    gbDepacketizerState = THREAD_ENDED;
    if (endedByDevice) {
        // Nothing reads the queue any more: the reader drops event groups
        // from now on. Show the link as down, so that switching it on again
        // starts a new depacketizer, and let go of what the device held.
        ReleaseStuckKeys();
        ReportConnectionState(0);
    }
    return 0;
}
