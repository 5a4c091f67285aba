// The command/response exchange and the device start-up sequences.
//
// A command holds the command semaphore from before its packet is built
// (which names the opcode the reader will take as the response) until its
// answer was read out of the response slot, so one response is awaited at
// a time, whichever thread sends.
#include "commands.h"

#include <cstring>

#include "../../common/packet.h"
#include "../../common/trace.h"
#include "../input/keyboard.h"
#include "devicelink.h"
#include "messages.h"

namespace {

const unsigned char LAYOUT_ZERO_REQUESTED = 0x02;
const unsigned char LAYOUT_NONE = 31;

int SendWhileHoldingSemaphore(unsigned short opcode, const unsigned char* payload, unsigned char* response,
                              int commandClass) {
    unsigned char packet[PACKET_BUFFER_SIZE];
    std::memset(packet, 0, sizeof packet);
    unsigned short requestLength = 0, responseLength = 0;
    if (!GetLength(opcode, &requestLength, &responseLength)) {
        Trace("GetLength returned False");
        return 0;
    }
    const int size = Packetizer(opcode, payload, requestLength, commandClass, packet);
    if (size <= 0) {
        Trace("Packetizer Error");
        return 0;
    }
    gResponse.success = 0;
    ResetEvent(ghCommandResponseEvent);
    if (IsLinkShutDown()) return 0;
    DWORD written = 0;
    if (!WritePort(packet, static_cast<DWORD>(size), &written)) {
        Trace("Writeport failed!!!");
        return 0;
    }
    const DWORD timeout = commandClass == CMD_CLASS_START ? START_RESPONSE_TIMEOUT_MS : ORDINARY_RESPONSE_TIMEOUT_MS;
    const DWORD wait = WaitForSingleObject(ghCommandResponseEvent, timeout);
    if (wait == WAIT_TIMEOUT) {
        Trace("Single Object: TimeOut");
        return 0;
    }
    if (wait != WAIT_OBJECT_0) {
        Trace("Single Object: Abondoned or failed");
        return 0;
    }
    if (!gResponse.success) {
        Trace("Sorry Command not successful");
        return 0;
    }
    const unsigned short length = responseLength == LENGTH_UNBOUNDED ? gResponse.length : responseLength;
    if (length != gResponse.length) {
        Trace("The length doesnt match");
        return 0;
    }
    if (response) std::memcpy(response, gResponse.data, length);
    return 1;
}

int SendByte(unsigned short opcode, unsigned char value) {
    const unsigned char payload[3] = {0, 0, value};
    return WriteAllData(opcode, payload, nullptr, CMD_CLASS_ORDINARY);
}

int SetActiveLayout(unsigned char layout) { return SendByte(SET_ACTIVELAYOUT, layout); }

// The layout handshake proper; the caller keeps event groups suppressed.
int ActivateDeviceLayout() {
    unsigned char answer[RESPONSE_BUFFER_SIZE];
    if (!WriteAllData(GET_PROJECTEDLAYOUTNUM, nullptr, answer, CMD_CLASS_ORDINARY)) {
        Trace("GET_PROJECTEDLAYOUTNUM failed.");
        return 0;
    }
    Trace("Layout Number is: %X", answer[0]);
    if (answer[0] & LAYOUT_ZERO_REQUESTED) {
        Trace("SET_ACTIVELAYOUT command giving");
        const int ok = SetActiveLayout(0);
        Trace(ok ? "SET_ACTIVELAYOUT command successful" : "SET_ACTIVELAYOUT failed.");
        return ok;
    }
    std::memset(answer, 0, sizeof answer);
    if (!WriteAllData(GET_DEVICEID, nullptr, answer, CMD_CLASS_ORDINARY)) {
        Trace("SET_ACTIVELAYOUT Device ID failed...Do something my boy");
        return 0;
    }
    const DWORD deviceId = answer[0] | (answer[1] << 8) | (answer[2] << 16) | (static_cast<DWORD>(answer[3]) << 24);
    const unsigned char layout = static_cast<unsigned char>((deviceId >> 5) & 0x1F);
    Trace("uWinXPbits: %X", static_cast<unsigned>(deviceId & 0xFFFF));
    Trace("btWinCEbits: %X", layout);
    if (layout == LAYOUT_NONE) return 1;
    const int ok = SetActiveLayout(layout);
    Trace(ok ? "SET_ACTIVELAYOUT is successful." : "SET_ACTIVELAYOUT failed...WinCe Bits problem");
    return ok;
}

int WakeToNormalPower() { return SendByte(SET_POWERSTATE, POWER_NORMAL); }

int SendStartCommand() { return WriteAllData(START_ZSM, nullptr, nullptr, CMD_CLASS_START); }

int SetLayoutOrTellUser() {
    if (SetDefaultLayout()) return 1;
    ShowDriverMessage(nullptr, DRIVER_MSG_SET_FAILED);
    return 0;
}

// The reader ends on its own when the port is lost; a new one replaces it.
int EnsureReaderRuns() {
    if (g_hReadThread && gbReadThreadState == THREAD_ENDED) {
        CloseHandle(g_hReadThread);
        g_hReadThread = 0;
    }
    return g_hReadThread || StartReaderThread();
}

// A depacketizer that ended on a layout load error is replaced.
int EnsureDepacketizerRuns() {
    if (g_hDepacketizerThread && gbDepacketizerState != THREAD_ENDED) return 1;
    if (g_hDepacketizerThread) {
        CloseHandle(g_hDepacketizerThread);
        g_hDepacketizerThread = 0;
    }
    FreeReceiveQueue();
    return StartLinkThread(Depacketizer, &gbDepacketizerState, &g_hDepacketizerThread);
}

void StopDepacketizer() {
    if (g_hDepacketizerThread && gbDepacketizerState != THREAD_ENDED) {
        gbDepacketizerState = THREAD_ASKED_TO_STOP;
        // Wake it: it looks at its state after serving an event.
        if (ghDataEvent) SetEvent(ghDataEvent);
    }
    if (!FinishLinkThread(&g_hDepacketizerThread, &gbDepacketizerState))
        Trace("DeInitializeKeyBoard: Depacketizer thread explicitely killed.");
}

// Opens the configured port as the link's port. A handle still held (a
// reader that lost the device keeps none, but be sure) is closed first.
int OpenConfiguredPort() {
    char name[32];
    BuildPortName(name, sizeof name);
    HANDLE port = 0;
    if (!OpenCommPort(name, &port)) return 0;
    if (g_hBTPort) StopReaderThread("EnableConnection");
    // A half packet of the last connection must not run into this one's.
    FramerReset(&gFramer);
    g_hBTPort = port;
    return 1;
}

// Device start and layout on a link whose port and reader are up. A failed
// layout handshake leaves the link up with the device's layout, as at driver
// start; only a device that does not start closes it again.
int StartDeviceOnLink() {
    if (!SendStartZSM()) return 0;
    WaitForDeviceToSettle();
    SetLayoutOrTellUser();
    return 1;
}

}  // namespace

int WriteAllData(unsigned short opcode, const unsigned char* payload, unsigned char* response, int commandClass) {
    SetLastError(0);
    const DWORD wait = WaitForSingleObject(ghCommandSemaphore, INFINITE);
    if (wait != WAIT_OBJECT_0) {
        Trace("WriteAllData: WaitForSingleObject failed %lu %p", GetLastError(), ghCommandSemaphore);
        return 0;
    }
    const int ok = SendWhileHoldingSemaphore(opcode, payload, response, commandClass);
    ReleaseSemaphore(ghCommandSemaphore, 1, nullptr);
    return ok;
}

int SendStartZSM() { return RetryAfterNoAnswer(SendStartCommand, "Start ZSM Failed"); }

int SetDefaultLayout() {
    InterlockedExchange(&bSuppressEvents, 1);
    const int ok = ActivateDeviceLayout();
    InterlockedExchange(&bSuppressEvents, 0);
    return ok;
}

int PowerStateSequence() {
    unsigned char answer[RESPONSE_BUFFER_SIZE];
    if (!WriteAllData(GET_POWERSTATE, nullptr, answer, CMD_CLASS_ORDINARY)) {
        // No answer: the link goes down, and says so.
        DisableConnection();
        ReportConnectionState(0);
        return 0;
    }
    switch (answer[0]) {
    case POWER_STANDBY:
        if (!RetryAfterNoAnswer(WakeToNormalPower, "SET_POWERSTATE Failed")) return 0;
        SetLayoutOrTellUser();
        return 1;
    case POWER_NORMAL:
        SetLayoutOrTellUser();
        return 1;
    case POWER_NOT_STARTED:
        StartDeviceOnLink();
        return 1;
    default:
        return 1;
    }
}

int InitSequence() {
    LinkLock lock;
    if (IsLinkShutDown() || !InitializeKeyBoard()) return 0;
    return GetConnectionState() ? PowerStateSequence() : 1;
}

int ReinitDevice() {
    if (!SendStartZSM()) return 0;
    WaitForDeviceToSettle();
    return SetLayoutOrTellUser();
}

int EnableConnection() {
    LinkLock lock;
    if (IsLinkShutDown()) return 0;
    if (!OpenConfiguredPort()) {
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        Trace("EnableConnection: Could not open COM port.");
        return 0;
    }
    if (!EnsureReaderRuns() || !EnsureDepacketizerRuns()) {
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        Trace("EnableConnection: Could not create thread.");
        DisableConnection();
        return 0;
    }
    if (StartDeviceOnLink()) return 1;
    DisableConnection();
    return 0;
}

void DisableConnection() {
    LinkLock lock;
    StopReaderThread("DisableConnection");
    ReleaseStuckKeys();
}

int DeInitializeKeyBoard() {
    LinkLock lock;
    Trace("DeInitializeKeyBoard Called");
    StopReaderThread("DeInitializeKeyBoard");
    StopDepacketizer();
    FreeReceiveQueue();
    CloseDeviceLinkObjects();
    ReleaseStuckKeys();
    return 1;
}

int SwitchReaderPort(HANDLE port) {
    LinkLock lock;
    StopReaderThread("SwitchReaderPort");
    ReleaseStuckKeys();
    // A packet the old device had half sent must not run into the new one's.
    FramerReset(&gFramer);
    // While the connection is off the new port is only checked: switching on
    // opens the configured one.
    if (!GetConnectionState() || IsLinkShutDown()) {
        CloseHandle(port);
        return 1;
    }
    g_hBTPort = port;
    if (StartReaderThread()) return 1;
    ClosePortHandle(port);
    ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
    return 0;
}
