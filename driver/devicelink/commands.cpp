// The device start-up sequences and the connection switch: what the rest of
// the driver asks of the link.
//
// The link lock covers the start, stop and switch of the port and threads,
// never a question to the user: the sequences take it for their link steps
// and let go of it before they talk to the device or ask anything.
#include "commands.h"

#include <cstring>

#include "../../common/packet.h"
#include "../../common/trace.h"
#include "../input/launchkeys.h"
#include "devicelink.h"
#include "messages.h"

namespace {





int WakeToNormalPower() {
    const unsigned char payload[3] = {0, 0, POWER_NORMAL};
    return WriteAllData(SET_POWERSTATE, payload, nullptr, CMD_CLASS_ORDINARY);
}

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


void TakeDownReader(const char* caller) { CloseLinkPortAndReader(caller); }

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
    const int up = PowerStateSequence();
    if (GetConnectionState()) SetConnectionWanted(1);
    return up;
}

}  // namespace






int SendStartZSM() { return RetryAfterNoAnswer(SendStartCommand, "Start ZSM Failed"); }


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
    StopHealing();
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
    StopHealing();  // the connection is tried now
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
    SetConnectionWanted(1);
    ReportConnectionState(1);
    return 1;
}

void DisableConnection() {
    StopHealing();
    {
        LinkLock lock;
        TakeDownReader("DisableConnection");
        SweepHeldInput();
    }
    SetConnectionWanted(0);
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
            if (!StartReaderOnLinkPort()) {
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

int InitializeKeyBoard(DWORD* portError) {
    LinkLock lock;
    *portError = ERROR_SUCCESS;
    if (!CreatePortEvents() || !CreateReceiveQueue() || !CreateCommandSemaphore()) {
        Trace("Unable to create semaphore");
        return 0;
    }
    // The depacketizer first, so that every group the reader queues has a taker.
    const int opened = OpenAndRead(ConfiguredPortNumber(), portError);
    if (opened < 0) return 0;
    ReportConnectionState(opened);
    return 1;
}

void ShutDownDeviceLink() {
    MarkLinkShutDown();
    // A sender waiting for the device gives up at once.
    AbandonResponse();
    StopHealing();
    DeInitializeKeyBoard();
    StopLaunches();
}

void SuspendDeviceLink() {
    StopHealing();
    {
        LinkLock lock;
        CloseLinkPortAndReader("SuspendDeviceLink");
        SweepHeldInput();
    }
    ReportConnectionState(0);
}

void ResumeDeviceLink() { StartHealing(true); }
