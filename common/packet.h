// Device packet format: the framed records exchanged with the keyboard device,
// the command table that gives every opcode its payload sizes, and the event
// record that device event packets carry.
//
// Platform-free: both programs and the native tests compile this file.
#ifndef ORVIK_COMMON_PACKET_H
#define ORVIK_COMMON_PACKET_H

#include <cstddef>
#include <cstdint>

// Named device commands (16-bit opcodes; low byte first on the wire).
enum DeviceCommand : unsigned short {
    SET_KEYSENSITIVITY = 0x0101,
    SET_PROJECTORSWITCH = 0x0104,
    SET_ACTIVELAYOUT = 0x010A,
    SET_NOACTIVITYPERIOD = 0x010B,
    SET_STANDBYPERIOD = 0x010C,
    SET_REACTIONTIME = 0x010E,
    SET_POWERMODE = 0x010F,
    SET_PROJECTORNORMALLEVEL = 0x0112,
    SET_PROJECTORSTANDBYLEVEL = 0x0113,
    SET_MOUSESENSITIVITY = 0x011C,
    SET_TAPSPEED = 0x0125,
    SET_POWERSTATE = 0x012F,
    GET_KEYSENSITIVITY = 0x0201,
    GET_PROJECTORSWITCH = 0x0204,
    GET_DEVICEID = 0x020B,
    GET_NOACTIVITYPERIOD = 0x0213,
    GET_STANDBYPERIOD = 0x0214,
    GET_REACTIONTIME = 0x0216,
    GET_POWERMODE = 0x0217,
    GET_PROJECTORNORMALLEVEL = 0x021A,
    GET_PROJECTORSTANDBYLEVEL = 0x021B,
    GET_POWERSTATE = 0x021C,
    GET_MOUSESENSITIVITY = 0x0226,
    GET_TAPSPEED = 0x0234,
    GET_PROJECTEDLAYOUTNUM = 0x023F,
    START_ZSM = 0x0680,
};

// Low byte of an event opcode: what the device reports on its own.
enum EventOpcodeClass : unsigned char {
    EVENT_INPUT_LAST = 0x08,  // 0x00 to 0x08: member of an input event group
    EVENT_LAYOUT_NOTICE = 0xD1,
    CAN_ERROR_LAYOUT_LOAD_ERROR = 0xE5,
};

// Device power states, as response bytes and as event kinds.
enum PowerState : unsigned char {
    POWER_NORMAL = 0xFB,
    POWER_STANDBY = 0xFC,
    POWER_NOT_STARTED = 0xFD,
};

// Command classes: only these two become device packets; the class also
// selects how long the sender waits for the response.
enum CommandClass { CMD_CLASS_ORDINARY = 1, CMD_CLASS_START = 9 };

// Request length: no payload and 0xFFFF in the length field.
// Response length: any response length is accepted.
const unsigned short LENGTH_UNBOUNDED = 0xFFFF;

const int COMMAND_HEADER_SIZE = 10;       // magic, header word, opcode, length
const int DEVICE_HEADER_SIZE = 11;        // as above plus the status byte
const int DEVICE_PACKET_OVERHEAD = 12;    // header plus checksum
const int PACKET_BUFFER_SIZE = 512;       // what callers hand to Packetizer
const unsigned char PACKET_MAGIC = 0xA5;

// The event record carried by input events and power-state notices.
#pragma pack(push, 1)
struct InputEvent {
    unsigned char layoutId[4];  // 01 FF FF FF for input events
    unsigned char moreFollows;  // 0 marks the last record of a group
    unsigned char kind;         // see EventKind
    short x;
    short y;
    unsigned char unused[7];
    unsigned char keyCode;      // virtual-key code, 255 for a special key
    unsigned char specialCode;  // meaningful when keyCode is 255
    unsigned char reserved[18];
};
#pragma pack(pop)
static_assert(sizeof(InputEvent) == 37, "the device's event record is 37 bytes");

enum EventKind : unsigned char {
    EVENT_KEY_UP = 0,
    EVENT_KEY_DOWN = 1,
    EVENT_KEY_HELD = 2,
    EVENT_MOUSE_MOVE = 6,
    EVENT_LEFT_TAP = 7,
    EVENT_RIGHT_TAP = 8,
};

const unsigned char EXPECTED_LAYOUT_ID[4] = {0x01, 0xFF, 0xFF, 0xFF};

// Looks the opcode up in the command table. False when it is not there.
bool GetLength(unsigned short opcode, unsigned short* requestLength, unsigned short* responseLength);

// Builds a command packet into output (at least PACKET_BUFFER_SIZE bytes is
// plenty). payload holds requestLength + 2 bytes: two zero bytes, then the
// value. Returns the packet length, or -1 for a missing buffer or a class
// other than CMD_CLASS_ORDINARY or CMD_CLASS_START.
int Packetizer(unsigned short opcode, const unsigned char* payload, unsigned short requestLength,
               int commandClass, unsigned char* output);

// Accessors of a device-to-host packet that starts at p (magic included).
inline unsigned short DevicePacketOpcode(const unsigned char* p) {
    return static_cast<unsigned short>(p[6] | (p[7] << 8));
}
inline unsigned short DevicePacketPayloadLength(const unsigned char* p) {
    return static_cast<unsigned short>(p[9] | (p[10] << 8));
}
inline int DevicePacketSize(const unsigned char* p) {
    return DEVICE_PACKET_OVERHEAD + DevicePacketPayloadLength(p);
}

// Checks the additive checksum of a complete device packet of `size` bytes.
// Returns 0 when the size does not match the length field or the sum differs.
int VerifyDevicePacket(const unsigned char* packet, size_t size);

#endif
