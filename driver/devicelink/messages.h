// The driver's fixed messages to the user.
#ifndef ORVIK_DEVICELINK_MESSAGES_H
#define ORVIK_DEVICELINK_MESSAGES_H

#include <windows.h>

enum DriverMessage {
    DRIVER_MSG_TURN_OFF = 0,         // "Alert": the operation turns the device off
    DRIVER_MSG_SELECT_PORT = 1,      // no usable serial port
    DRIVER_MSG_SET_FAILED = 2,       // the device did not take its settings
    DRIVER_MSG_INCOMPATIBLE_OS = 4,  // not Windows 2000 or XP
};

// Shows message `number` as a message box (owned by `owner` for message 1)
// and returns the message box result; 0 for an unknown number.
int ShowDriverMessage(HWND owner, int number);

#endif
