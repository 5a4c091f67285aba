// The loops that the pages wrap around device commands: they never give up
// on the first failure, the user decides.
#ifndef ORVIK_SETTINGS_RETRYLOOPS_H
#define ORVIK_SETTINGS_RETRYLOOPS_H

#include <windows.h>

#include <functional>

// How SendWithRetryPrompt gives up; the pages' callers differ in what
// they do after a failure.
enum RetryVariant {
    RETRY_IMMEDIATE_CHANGE,     // a slider or button change: failure either way
    RETRY_KEYBOARD_DEFAULTS,    // Keyboard "Restore Defaults": the caller goes on either way
    RETRY_DEFAULTS_QUITTING,    // Mouse and Power Save "Restore Defaults": the program ends
    RETRY_PROJECTOR_DEFAULTS,   // Projector "Restore Defaults"
};

// Sends a device set command with `value` once, without asking anyone:
// 1 when the device took it.
int SendDeviceValue(unsigned short opcode, DWORD value);

// Reads a device value (`opcode`, a command without payload) into `reply`
// (REPLY_AREA_SIZE bytes). When the device does not answer, the connection
// error dialog asks until the user re-initialises the link (the query is
// sent again), turns the device off (the driver is turned off, then
// `turnOffAction`) or cancels (`cancelAction`). 1 with the reply, 0 without.
int QueryWithErrorDialog(unsigned short opcode, unsigned char* reply, const std::function<void()>& cancelAction,
                         const std::function<void()>& turnOffAction);

// Sets a device value. When the device does not take it, the Retry/Cancel
// prompt (owned by `page`) offers to start the device and send it again.
// 1: the caller goes on; 0: the caller stops. Which of the two a Cancel or a
// failed start gives, and whether the program is asked to end, is the
// variant's.
int SendWithRetryPrompt(HWND page, unsigned short opcode, DWORD value, RetryVariant variant);

#endif
