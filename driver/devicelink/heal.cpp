// The link's port and reader, opened and lost, and the link healing itself.
//
// A link that was up and was lost (the port read an
// end of file or an error: a USB adapter pulled out, a Bluetooth device out
// of range, a computer back from standby) is tried again in the background
// while the user wants the connection: once a second for the first ten
// tries, then every five seconds. A try asks nobody anything: nobody asked
// for it. It opens the configured port (the lost handle is closed first),
// brings the device up from whatever power state it is in and sets its
// layout; a failed try closes what it opened.
#include "../../common/trace.h"
#include "../../common/winsync.h"
#include "../../common/worker.h"
#include "devicelink.h"

namespace {

const int QUICK_TRIES = 10;
const DWORD QUICK_PAUSE_MS = 1000;
const DWORD SLOW_PAUSE_MS = 5000;
const DWORD HEALER_JOIN_MS = 15000;  // a try may be in the middle of a device start

StaticLock gHealerLock;  // guards the two below; the healing thread never takes it
Worker gHealer = {};
bool gbHealingBlocked = false;  // a stop is joining the healer
StaticLock gHealerStopLock;     // one stop at a time
volatile LONG gbTryAtOnce = 0;

void ReportPortLost() {
    SweepHeldInput();
    ReportConnectionState(0);
    StartHealing(false);
}

int ReopenConfiguredPortQuietly() {
    CloseLinkPortAndReader("Heal");
    DWORD error = ERROR_SUCCESS;
    return OpenAndRead(ConfiguredPortNumber(), &error) > 0;
}

unsigned char AskPowerState() {
    unsigned char answer[RESPONSE_BUFFER_SIZE] = {};
    return WriteAllData(GET_POWERSTATE, nullptr, answer, CMD_CLASS_ORDINARY) ? answer[0] : 0;
}

int SetPowerNormal() {
    const unsigned char payload[3] = {0, 0, POWER_NORMAL};
    return WriteAllData(SET_POWERSTATE, payload, nullptr, CMD_CLASS_ORDINARY);
}

// The device on the open port, brought up without a question.
int BringUpQuietly() {
    switch (AskPowerState()) {
    case POWER_NORMAL:
        break;
    case POWER_STANDBY:
        if (!SetPowerNormal()) return 0;
        break;
    case POWER_NOT_STARTED:
        if (!WriteAllData(START_ZSM, nullptr, nullptr, CMD_CLASS_START)) return 0;
        WaitForDeviceToSettle();
        break;
    default:
        return 0;  // no answer
    }
    return SetDefaultLayout();
}

// The whole try holds the link lock: it asks nobody anything, and a switch
// of the user's waits for it instead of racing it.
int TryOnce() {
    LinkLock lock;
    if (IsLinkShutDown() || !IsConnectionWanted() || GetConnectionState()) return 1;
    if (ReopenConfiguredPortQuietly() && BringUpQuietly()) {
        ReportConnectionState(1);
        return 1;
    }
    CloseLinkPortAndReader("Heal");
    return 0;
}

DWORD WINAPI Heal(LPVOID) {
    for (int tries = 0; !WorkerStopAsked(&gHealer); ++tries) {
        const bool quick = InterlockedExchange(&gbTryAtOnce, 0) != 0;
        const DWORD pause = quick ? 0 : tries < QUICK_TRIES ? QUICK_PAUSE_MS : SLOW_PAUSE_MS;
        if (WaitForSingleObject(gHealer.stopEvent, pause) == WAIT_OBJECT_0) break;
        if (TryOnce()) break;
        Trace("Heal: try %d failed", tries + 1);
    }
    return 0;
}

}  // namespace

// The port and the threads, under the link lock. 1 when the port is open
// and read; 0 when it cannot be opened (*error tells why); -1 when a thread
// cannot be started (the port is closed again).
int OpenAndRead(unsigned long number, DWORD* error) {
    if (IsLinkShutDown() || !OpenLinkPort(number, error)) return 0;
    // What the device sent while its input was held back is never typed.
    FreeReceiveQueue();
    if (!StartDepacketizer() || !StartReader(ReportPortLost)) {
        CloseLinkPort();
        return -1;
    }
    ResumeDeviceInput();
    return 1;
}

void CloseLinkPortAndReader(const char* caller) {
    StopReader(caller);
    if (CloseLinkPort()) Trace("%s: port closed", caller);
}

int StartReaderOnLinkPort() { return StartReader(ReportPortLost); }

void StartHealing(bool atOnce) {
    LockHeld use(gHealerLock);
    if (gbHealingBlocked || IsLinkShutDown() || !IsConnectionWanted()) return;
    InterlockedExchange(&gbTryAtOnce, atOnce ? 1 : 0);
    if (!WorkerEnded(&gHealer)) return;
    WorkerJoin(&gHealer, 0);
    WorkerStart(&gHealer, Heal, nullptr, THREAD_PRIORITY_NORMAL);
}

// Joined without the lock: a reader that reports its lost port meanwhile
// finds healing blocked instead of waiting for the lock.
void StopHealing() {
    LockHeld stopping(gHealerStopLock);
    {
        LockHeld use(gHealerLock);
        gbHealingBlocked = true;
    }
    if (!WorkerStop(&gHealer, HEALER_JOIN_MS)) Trace("StopHealing: healer explicitely killed.");
    LockHeld use(gHealerLock);
    gbHealingBlocked = false;
}
