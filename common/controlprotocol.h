// The control protocol between the settings program and the driver: one TCP
// connection to the loopback address, one request per send, one reply per
// request. Byte 0 of a request is a control code below, or it starts a
// complete device packet that the driver forwards to the device.
#ifndef ORVIK_COMMON_CONTROLPROTOCOL_H
#define ORVIK_COMMON_CONTROLPROTOCOL_H

const unsigned short CONTROL_PORT = 1213;

// Requests and replies are at most this long; the longest device packet is
// 23 bytes and the longest control message 6.
const int CONTROL_MESSAGE_SIZE = 512;

enum ControlCode : unsigned char {
    SND_KEY_REPEAT = 5,         // enabled, rate (u16, repeats per second), hold delay (u16, ms)
    SND_KEY_SOUND = 6,          // enabled; the driver then reloads the sound settings
    INIT_CMD = 7,               // start the device link again
    DEINIT_CMD = 8,             // stop the driver
    REINIT_CMD = 10,            // start the device and set its layout
    ORVIKSETTINGS_CMD = 11,     // 32-bit handle of the settings window, 0 unregisters
    CHANGECOMPORT_CMD = 12,     // port number as one character, '1' to '9'
    MOUSETAP_CMD = 13,          // tap-to-click enabled
    ENABLECONNECTION_CMD = 14,  // wanted connection state
    SYSTRAYICON_CMD = 15,       // show (non-zero) or remove the tray icon
};

// Replies to control messages.
const unsigned char CONTROL_REPLY_SUCCESS = '1';
const unsigned char CONTROL_REPLY_FAILURE = '0';

#endif
