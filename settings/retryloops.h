// The loops that the pages wrap around device commands: they never give up
// on the first failure, the user decides in the connection error dialog or
// the retry prompt, and only these loops retry. A driver that has gone
// away ends the program instead (drivercalls.h): no dialog follows then.
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

// The window that the dialogs of `page` are modal to: the main window.
HWND MainWindowOf(HWND page);

// Reads a device value (`opcode`, a command without payload) into `reply`
// (REPLY_AREA_SIZE bytes) for `page`. When the device does not answer, the
// connection error dialog asks; Retry starts the device and, once it took
// the start, queries again, else asks again. Turn Off turns the driver
// off, then `turnOffAction`; Cancel runs `cancelAction`. 1 with the reply,
// 0 without.
int QueryWithErrorDialog(HWND page, unsigned short opcode, unsigned char* reply,
                         const std::function<void()>& cancelAction, const std::function<void()>& turnOffAction);

// Sets a device value. When the device does not take it, the Retry/Cancel
// prompt (owned by `page`) offers to start the device and send it again.
// 1: the caller goes on; 0: the caller stops. Which of the two a Cancel or a
// failed start gives, and whether the program is asked to end, is the
// variant's.
int SendWithRetryPrompt(HWND page, unsigned short opcode, DWORD value, RetryVariant variant);

// Sends START_ZSM until the device takes it or the user gives up in the
// connection error dialog, modal to `owner` (Turn Off also turns the driver
// off). 1 or 0.
int SendStartZSMWithRetry(HWND owner);

// START_ZSM once; when the device took it, waits for it to settle. 1 or 0.
int ReinitSequence();

#endif
