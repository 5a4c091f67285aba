// The driver's fixed messages to the user, and the rule for every question
// the driver asks (message boxes and the connection error dialog).
//
// A service's window may sit where nobody sees it: on the logon or locked
// desktop, or with nobody logged on. So no stop ever waits for an answer:
// every question runs through RunPrompt, and a stop answers every open one
// with Cancel and lets no new one show until the driver starts again.
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
// and returns the message box result: IDCANCEL when a stop answered it, 0 for
// an unknown number.
int ShowDriverMessage(HWND owner, int number);
// Shows the message on a thread of its own and returns at once: for the
// depacketizer, which must never hold a window. One at a time: while one is
// up, another is not shown.
void PostDriverMessage(int number);
// Whether a message posted with PostDriverMessage is up.
bool IsPostedMessageUp();

// Runs `ask(context)`, which shows a modal question on the calling thread,
// so that a stop can answer it. Returns its answer, or IDCANCEL when the
// driver is stopping (then the question may not have been shown at all).
INT_PTR RunPrompt(INT_PTR (*ask)(void* context), void* context);
// The stop: every open question is closed as Cancel, and none is shown
// from now on. Waits up to `timeoutMs` for them to close. Any thread.
void CancelPrompts(DWORD timeoutMs);
// The driver starts (again): questions may be shown.
void AllowPrompts();

#endif
