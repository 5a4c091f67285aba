// Control messages in both directions of the control port: the settings
// program encodes them here, the driver's server reads them here, so both
// sides share one byte layout. Also the reply rules of a forwarded device
// packet. Free of Win32, so that the native tests and the fuzzer run the
// very code both programs run.
#ifndef ORVIK_COMMON_CONTROLREQUEST_H
#define ORVIK_COMMON_CONTROLREQUEST_H

#include "controlprotocol.h"

enum ControlRequestKind {
    REQUEST_REFUSED,  // outside the protocol: answered "0", nothing acted on
    REQUEST_KEY_REPEAT,
    REQUEST_KEY_SOUND,
    REQUEST_INIT,
    REQUEST_DEINIT,
    REQUEST_REINIT,
    REQUEST_SETTINGS_WINDOW,
    REQUEST_CHANGE_PORT,
    REQUEST_MOUSE_TAP,
    REQUEST_ENABLE_CONNECTION,
    REQUEST_TRAY_ICON,
    REQUEST_FORWARD,  // a device packet for the device
};

struct ControlRequest {
    ControlRequestKind kind;
    unsigned char message[CONTROL_MESSAGE_SIZE];  // the request, zero-filled behind it
    int length;
    unsigned char flag;       // byte 1: on/off, wanted state, port character
    unsigned short rate;      // key repeat: repeats per second
    unsigned short holdMs;    // key repeat: delay before the first repeat
    unsigned long window;     // settings window handle (32 bits), 0 unregisters
    unsigned short opcode;    // a forwarded packet's opcode field
};

// Reads one received request of `count` bytes. An empty one, or one longer
// than CONTROL_MESSAGE_SIZE, is refused.
void ParseControlRequest(const unsigned char* data, int count, ControlRequest* request);

// The reply to a forwarded packet whose device response had status
// `success` and `length` payload bytes: fills `reply` (CONTROL_MESSAGE_SIZE
// bytes) and returns how many bytes to send, 0 for no reply at all. A
// failure gets none; an empty payload is "1"; a payload that does not fit a
// reply could only be relayed cut, so it gets none either.
int BuildForwardReply(int success, const unsigned char* payload, int length, unsigned char* reply);

// The longest control message (SND_KEY_REPEAT).
const int CONTROL_MESSAGE_MAX = 6;

// One encoded control message, code first.
struct ControlMessage {
    unsigned char bytes[CONTROL_MESSAGE_MAX];
    int length;
};

// The length of a control message with `code`; 0 for a code that is none.
int ControlMessageLength(int code);

ControlMessage EncodeKeyRepeat(int enabled, unsigned short rate, unsigned short holdMs);
// A message whose one argument byte is a switch or a character:
// SND_KEY_SOUND, MOUSETAP_CMD, ENABLECONNECTION_CMD, SYSTRAYICON_CMD,
// CHANGECOMPORT_CMD.
ControlMessage EncodeFlagCommand(ControlCode code, unsigned char flag);
ControlMessage EncodeSettingsWindow(unsigned long window);
// INIT_CMD, DEINIT_CMD, REINIT_CMD: the code alone.
ControlMessage EncodeBareCommand(ControlCode code);

#endif
