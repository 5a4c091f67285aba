// The command/response exchange and the device start-up sequences.
//
// A command holds the command semaphore from before it names the opcode the
// reader will take as the response until its answer was read out of the
// response slot, so one response is awaited at a time, whichever thread
// sends. The semaphore is made once and never closed: a sender may be on
// its way to it whenever the link restarts.
//
// The link lock covers the start, stop and switch of the port and threads,
// never a question to the user: the sequences take it for their link steps
// and let go of it before they talk to the device or ask anything.
#include "commands.h"

#include <cstring>

#include "../../common/packet.h"
#include "../../common/trace.h"
#include "devicelink.h"
#include "messages.h"

namespace {

const unsigned char LAYOUT_ZERO_REQUESTED = 0x02;
const unsigned char LAYOUT_NONE = 31;

HANDLE ghCommandSemaphore = 0;

// Writes the packet and waits for the answer to `opcode`, holding the
// command semaphore throughout. 1 with a success status.
int Exchange(const unsigned char* packet, int size, unsigned short opcode, DWORD timeoutMs, unsigned char* response,
             unsigned short* length) {
    SetLastError(0);
    if (WaitForSingleObject(ghCommandSemaphore, INFINITE) != WAIT_OBJECT_0) {
        Trace("WriteAllData: WaitForSingleObject failed %lu %p", GetLastError(), ghCommandSemaphore);
        return 0;
    }
    AwaitResponse(opcode);
    DWORD written = 0;
    int ok = !IsLinkShutDown() && WritePort(packet, static_cast<DWORD>(size), &written);
    if (!ok) Trace("Writeport failed!!!");
    else ok = TakeResponse(timeoutMs, response, length) == RESPONSE_TAKEN;
    ReleaseSemaphore(ghCommandSemaphore, 1, nullptr);
    return ok;
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

// Device start and layout on a link whose port and reader are up. A failed
// layout handshake leaves the link up with the device's layout, as at driver
// start; only a device that does not start closes it again.
int StartDeviceOnLink() {
    if (!SendStartZSM()) return 0;
    WaitForDeviceToSettle();
    SetLayoutOrTellUser();
    return 1;
}

// The port and the threads, under the link lock. 1 when the port is open
// and read; 0 when it cannot be opened (*error tells why); -1 when a thread
// cannot be started (the port is closed again).
int OpenAndRead(unsigned long number, DWORD* error) {
    if (IsLinkShutDown() || !OpenLinkPort(number, error)) return 0;
    // What the device sent while its input was held back is never typed.
    FreeReceiveQueue();
    if (!StartDepacketizer() || !StartReader()) {
        CloseLinkPort();
        return -1;
    }
    ResumeDeviceInput();
    return 1;
}

void TakeDownReader(const char* caller) {
    StopReader(caller);
    if (CloseLinkPort()) Trace("%s: port closed", caller);
}

// The rest of a start once the link's objects and threads exist.
int BringUpAfterInit(int initialized, DWORD portError) {
    if (!initialized) {
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        return 0;
    }
    if (portError != ERROR_SUCCESS) {
        Trace("InitializePortSettings: port not opened, error %lu", portError);
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        return 1;
    }
    return PowerStateSequence();
}

}  // namespace

int CreateCommandSemaphore() {
    if (!ghCommandSemaphore) ghCommandSemaphore = CreateSemaphoreA(nullptr, 1, 1, nullptr);
    return ghCommandSemaphore != nullptr;
}

int WriteAllData(unsigned short opcode, const unsigned char* payload, unsigned char* response, int commandClass) {
    unsigned short requestLength = 0, responseLength = 0;
    if (!GetLength(opcode, &requestLength, &responseLength)) {
        Trace("GetLength returned False");
        return 0;
    }
    unsigned char packet[PACKET_BUFFER_SIZE];
    std::memset(packet, 0, sizeof packet);
    const int size = Packetizer(opcode, payload, requestLength, commandClass, packet);
    if (size <= 0) {
        Trace("Packetizer Error");
        return 0;
    }
    const DWORD timeout = commandClass == CMD_CLASS_START ? START_RESPONSE_TIMEOUT_MS : ORDINARY_RESPONSE_TIMEOUT_MS;
    unsigned char answer[RESPONSE_BUFFER_SIZE];
    unsigned short length = 0;
    if (!Exchange(packet, size, opcode, timeout, answer, &length)) return 0;
    if (responseLength != LENGTH_UNBOUNDED && length != responseLength) {
        Trace("The length doesnt match");
        return 0;
    }
    if (response) std::memcpy(response, answer, length);
    return 1;
}

int ForwardDevicePacket(const unsigned char* packet, int size, unsigned char* response, unsigned short* length) {
    if (size < DEVICE_HEADER_SIZE) return 0;
    return Exchange(packet, size, DevicePacketOpcode(packet), ORDINARY_RESPONSE_TIMEOUT_MS, response, length);
}

int SendStartZSM() { return RetryAfterNoAnswer(SendStartCommand, "Start ZSM Failed"); }

int SetDefaultLayout() {
    SuppressEvents(true);
    const int ok = ActivateDeviceLayout();
    SuppressEvents(false);
    return ok;
}

int PowerStateSequence() {
    unsigned char answer[RESPONSE_BUFFER_SIZE];
    if (!WriteAllData(GET_POWERSTATE, nullptr, answer, CMD_CLASS_ORDINARY)) {
        // No answer: the link goes down, and says so.
        DisableConnection();
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
    DWORD portError = ERROR_SUCCESS;
    int initialized;
    {
        LinkLock lock;
        if (IsLinkShutDown()) return 0;
        initialized = InitializeKeyBoard(&portError);
    }
    return BringUpAfterInit(initialized, portError);
}

int RestartDeviceLink() {
    DWORD portError = ERROR_SUCCESS;
    int initialized;
    {
        LinkLock lock;
        if (IsLinkShutDown()) return 0;
        DeInitializeKeyBoard();
        initialized = InitializeKeyBoard(&portError);
    }
    return BringUpAfterInit(initialized, portError);
}

int ReinitDevice() {
    if (!SendStartZSM()) return 0;
    WaitForDeviceToSettle();
    return SetLayoutOrTellUser();
}

int EnableConnection() {
    DWORD error = ERROR_SUCCESS;
    int opened;
    {
        LinkLock lock;
        // One handle per port: a port still held (after a layout load error)
        // is closed before the configured one opens.
        TakeDownReader("EnableConnection");
        opened = OpenAndRead(ConfiguredPortNumber(), &error);
    }
    if (opened <= 0) {
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        Trace(opened ? "EnableConnection: Could not create thread." : "EnableConnection: Could not open COM port. %lu",
              error);
        return 0;
    }
    if (!StartDeviceOnLink()) {
        DisableConnection();
        return 0;
    }
    ReportConnectionState(1);
    return 1;
}

void DisableConnection() {
    LinkLock lock;
    TakeDownReader("DisableConnection");
    SweepHeldInput();
    ReportConnectionState(0);
}

int DeInitializeKeyBoard() {
    LinkLock lock;
    Trace("DeInitializeKeyBoard Called");
    TakeDownReader("DeInitializeKeyBoard");
    SweepHeldInput();
    StopDepacketizer();
    return 1;
}

PortChange ChangeLinkPort(unsigned long number) {
    DWORD error = ERROR_SUCCESS;
    int opened;
    {
        LinkLock lock;
        if (number == OpenPortNumber()) return PORT_CHANGED;
        // The new port opens before the old one goes: when it cannot, the
        // old port and reader stay as they were.
        HANDLE port = 0;
        opened = !IsLinkShutDown() && OpenPortNumbered(number, &port, &error);
        if (opened && !GetConnectionState()) {
            // While the connection is off the new port is only checked:
            // switching on opens the configured one.
            CloseHandle(port);
        } else if (opened) {
            TakeDownReader("SwitchReaderPort");
            SweepHeldInput();
            AttachLinkPort(port, number);
            if (!StartReader()) {
                CloseLinkPort();
                ReportConnectionState(0);
                opened = -1;
            }
        }
    }
    if (opened <= 0) {
        Trace("SwitchReaderPort: COM%lu not taken, error %lu", number, error);
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        return opened < 0 ? PORT_NO_READER : PORT_NOT_OPENED;
    }
    // The device on the new port is brought up as at the driver's start.
    if (GetConnectionState()) PowerStateSequence();
    return PORT_CHANGED;
}
