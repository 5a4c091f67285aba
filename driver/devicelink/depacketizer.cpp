// The depacketizer thread: verifies the event packets of each queued node,
// collects their records into groups and hands every complete group to the
// input dispatcher. Input injection runs on this thread, so it also keeps the
// thread on the desktop that receives input as the session changes.
#include <cstdio>
#include <cstring>
#include <new>

#include "../../common/trace.h"
#include "../../common/winsync.h"
#include "../../common/worker.h"
#include "../input/keyboard.h"
#include "../input/usersession.h"
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
    WAIT_WORKER_STOP,  // the link asks this thread to end
    WAIT_COUNT
};

const DWORD DEPACKETIZER_JOIN_MS = 3000;
// A sweep waits this long for a depacketizer busy with a group (a sound, a
// layout handshake) before it gives up on the release.
const DWORD SWEEP_WAIT_MS = 6000;

// After a layout load error the device's input means nothing until the link
// is started again.
volatile LONG gbInputHalted = 0;

Worker gDepacketizer = {};
volatile DWORD gDepacketizerThreadId = 0;
// Auto reset: the depacketizer has swept. Made before main, never deleted.
const HANDLE ghSwept = CreateEventA(nullptr, FALSE, FALSE, nullptr);

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

// The name of the desktop the thread is on, read back after every switch:
// what the trace and the tests see.
StaticLock gDesktopNameLock;
char gDesktopName[64] = "";

void NoteDesktopName(HDESK desktop) {
    char name[sizeof gDesktopName] = "";
    GetUserObjectInformationA(desktop, UOI_NAME, name, sizeof name - 1, nullptr);
    LockHeld use(gDesktopNameLock);
    std::memcpy(gDesktopName, name, sizeof name);
}

void SwitchToDesktop(HDESK desktop) {
    if (!SetThreadDesktop(desktop)) {
        CloseDesktop(desktop);
        return;
    }
    if (gAttachedDesktop) CloseDesktop(gAttachedDesktop);
    gAttachedDesktop = desktop;
    NoteDesktopName(desktop);
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
    if (!SetDefaultLayout()) PostDriverMessage(DRIVER_MSG_SET_FAILED);
}

// The device could not load its layout: input stops, and the link shows as
// down, until it is switched on or started again.
void HaltInput() {
    Trace("CAN_ERROR_LAYOUT_LOAD_ERROR");
    InterlockedExchange(&gbInputHalted, 1);
    PostDriverMessage(DRIVER_MSG_SET_FAILED);
    ReleaseStuckKeys();
    ReportConnectionState(0);
}

enum PacketOutcome { PACKET_TAKEN, PACKET_END_NODE };

// Handles one verified event packet of the node.
PacketOutcome TakeEventPacket(const unsigned char* packet, InputEventBatch* group) {
    InputEvent* record = CopyRecord(packet);
    if (!record) return PACKET_TAKEN;
    // A group longer than one batch is passed on in batches, in order.
    if (group->count == MAX_BATCH_EVENTS) DispatchInputEvents(group);
    group->events[group->count++] = record;

    const unsigned char opcodeClass = packet[6];
    if (opcodeClass == CAN_ERROR_LAYOUT_LOAD_ERROR) {
        HaltInput();
        return PACKET_END_NODE;
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
void WalkNode(const ReceiveQueueNode& node, InputEventBatch* group) {
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
}

// Groups that come while a message of the driver is up are dropped, not
// typed once it is answered: the user was looking at the message.
void DrainReceiveQueue(ReceiveQueueNode* scratch, InputEventBatch* group) {
    while (TakeHeadNode(scratch)) {
        if (scratch->sweep) {
            ReleaseStuckKeys();
            SetEvent(ghSwept);
        } else if (!gbInputHalted && !IsPostedMessageUp()) {
            WalkNode(*scratch, group);
        }
    }
}

void BuildWaitList(HANDLE* handles, const Worker* self) {
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
    handles[WAIT_DATA] = ReceiveQueueEvent();
    handles[WAIT_SHELL_START] = events.shellStart;
    handles[WAIT_SHUTDOWN] = events.shutdown;
    handles[WAIT_READY] = events.ready;
    handles[WAIT_WORKER_STOP] = self->stopEvent;
}

// Serves one signalled event; false ends the thread.
bool Serve(int index, ReceiveQueueNode* scratch, InputEventBatch* group) {
    switch (index) {
    case WAIT_SERVICE_STOP:
        Trace("Depacketizer: Service stopped.");
        EndSessionInterface("Service stop");
        return false;
    case WAIT_LOGON:
        AttachToDesktop(USER_DESKTOP, true);
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
        DrainReceiveQueue(scratch, group);
        return true;
    case WAIT_SHELL_START:
        if (GetDeviceLinkHooks().shellStarted) GetDeviceLinkHooks().shellStarted();
        return true;
    case WAIT_SHUTDOWN:
        return true;
    case WAIT_READY:
        AttachToDesktop(nullptr, false);
        return true;
    default:  // WAIT_WORKER_STOP
        return false;
    }
}

}  // namespace

void ResumeDeviceInput() { InterlockedExchange(&gbInputHalted, 0); }

void DepacketizerDesktop(char* name, size_t size) {
    LockHeld use(gDesktopNameLock);
    std::snprintf(name, size, "%s", gDesktopName);
}

// Served events are reset after serving; the stop event stays set (the
// service thread waits for it too) and is never reset here, so a depacketizer
// started again while the driver stops ends at once.
DWORD WINAPI Depacketizer(LPVOID context) {
    const Worker* self = static_cast<const Worker*>(context);
    gDepacketizerThreadId = GetCurrentThreadId();
    const HDESK original = GetThreadDesktop(GetCurrentThreadId());
    HANDLE handles[WAIT_COUNT];
    BuildWaitList(handles, self);
    ResetEvent(handles[WAIT_DATA]);
    AttachToDesktop(nullptr, true, "(default)");

    ReceiveQueueNode* scratch = new (std::nothrow) ReceiveQueueNode;
    InputEventBatch group = {};
    bool running = scratch != nullptr;
    while (running && !WorkerStopAsked(self)) {
        SetLastError(0);
        const DWORD result = WaitForMultipleObjects(WAIT_COUNT, handles, FALSE, INFINITE);
        const int index = static_cast<int>(result - WAIT_OBJECT_0);
        if (result < WAIT_OBJECT_0 || index >= WAIT_COUNT) {
            Trace("WaitForMultipleObjects failed %lu", GetLastError());
            break;
        }
        // The data wake-up is cleared before draining, so a node queued
        // meanwhile either is drained now or signals again.
        if (index == WAIT_DATA) ResetEvent(handles[WAIT_DATA]);
        running = Serve(index, scratch, &group);
        if (running && index != WAIT_DATA) ResetEvent(handles[index]);
    }
    Trace("Exiting Depacketizer. %d", WorkerStopAsked(self) ? 0 : 1);
    FreeGroup(&group);
    delete scratch;
    DetachFromDesktop(original);
    return 0;
}

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

void SweepHeldInput() {
    if (GetCurrentThreadId() == gDepacketizerThreadId) {
        ReleaseStuckKeys();
        return;
    }
    ResetEvent(ghSwept);
    if (DepacketizerRuns() && QueueSweepRequest() && WaitForSingleObject(ghSwept, SWEEP_WAIT_MS) == WAIT_OBJECT_0)
        return;
    ReleaseStuckKeys();
}
