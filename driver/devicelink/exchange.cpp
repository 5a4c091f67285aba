// One device command at a time: the command/response exchange, the
// forwarding of a raw packet, and the layout handshake built on them.
//
// A command holds the command semaphore from before it names the opcode the
// reader will take as the response until its answer was read out of the
// response slot, so one response is awaited at a time, whichever thread
// sends. The semaphore is made once and never closed: a sender may be on its
// way to it whenever the link restarts.
#include <cstring>

#include "../../common/packet.h"
#include "../../common/trace.h"
#include "devicelink.h"

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

int SetDefaultLayout() {
    SuppressEvents(true);
    const int ok = ActivateDeviceLayout();
    SuppressEvents(false);
    return ok;
}
