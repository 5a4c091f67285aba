#include "drivercalls.h"

#include <cstring>

#include "../common/controlrequest.h"
#include "../common/packet.h"
#include "../common/portname.h"
#include "controlclient.h"
#include "waitcursor.h"

namespace {

// One request under the wait cursor. A request that finds the driver gone
// ends the program: the quit request closes the main window.
int Issue(unsigned short opcode, const unsigned char* message, unsigned char* reply, int kind) {
    WaitCursor waitCursor;
    const int answered = CommandIssuer(opcode, message, reply, kind);
    if (!answered && DriverGone()) PostQuitMessage(0);
    return answered;
}

// The driver's answer to a control message; `reply` gets its first byte.
int IssueControl(const ControlMessage& message, unsigned char* reply) {
    unsigned char answer[REPLY_AREA_SIZE];
    std::memset(answer, CONTROL_REPLY_FAILURE, sizeof answer);
    const int answered = Issue(0, message.bytes, answer, message.bytes[0]);
    *reply = answer[0];
    return answered;
}

int Succeeded(const ControlMessage& message) {
    unsigned char reply = 0;
    return IssueControl(message, &reply) && reply == CONTROL_REPLY_SUCCESS;
}

}  // namespace

int SetKeyRepeat(bool enabled, unsigned short rate, unsigned short delayMs) {
    return Succeeded(EncodeKeyRepeat(enabled, rate, delayMs));
}

int SetKeySound(bool enabled) { return Succeeded(EncodeFlagCommand(SND_KEY_SOUND, enabled ? 1 : 0)); }

int SetMouseTap(bool on) { return Succeeded(EncodeFlagCommand(MOUSETAP_CMD, on ? 1 : 0)); }

int SwitchConnection(bool on) { return Succeeded(EncodeFlagCommand(ENABLECONNECTION_CMD, on ? 1 : 0)); }

int ChangePort(unsigned long portNumber) {
    return Succeeded(EncodeFlagCommand(CHANGECOMPORT_CMD, static_cast<unsigned char>(PortChangeCharacter(portNumber))));
}

bool SendInitCommand(unsigned char code) {
    unsigned char reply = 0;
    return IssueControl(EncodeBareCommand(static_cast<ControlCode>(code)), &reply) && reply != CONTROL_REPLY_FAILURE;
}

void UnregisterSettingsWindow() {
    unsigned char reply = 0;
    if (ConnectionReady()) IssueControl(EncodeSettingsWindow(0), &reply);
}

int StartDevice() { return Issue(START_ZSM, nullptr, nullptr, KIND_START_COMMAND); }

int ReadDeviceValue(unsigned short opcode, unsigned char* reply) {
    return Issue(opcode, nullptr, reply, KIND_DEVICE_COMMAND);
}

// The payload: two zero bytes, then the value in as many little-endian
// bytes as the command table says.
int SendDeviceValue(unsigned short opcode, DWORD value) {
    unsigned short requestLength = 0, responseLength = 0;
    if (!GetLength(opcode, &requestLength, &responseLength)) return 0;
    unsigned char payload[16];
    std::memset(payload, 0, sizeof payload);
    for (unsigned i = 0; i < sizeof value && i < requestLength; ++i)
        payload[2 + i] = static_cast<unsigned char>(value >> (8 * i));
    return Issue(opcode, payload, nullptr, KIND_DEVICE_COMMAND);
}
