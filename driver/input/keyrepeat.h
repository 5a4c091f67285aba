// Key repeat and the hidden timer window it runs on.
//
// The device sends key-held events while a key stays down; the first one
// arms repeat, the timer window waits the hold delay, then types the repeat
// key (keystate.h) every repeat interval. A watch timer checks every 99 ms
// that key-held events still come, so a lost release ends the repeat within
// two watch periods instead of never.
//
// Timers belong to the timer window's thread (the service thread): only it
// starts and stops them. The depacketizer arms repeat with WM_START_REPEAT
// and ends it with WM_STOP_REPEAT.
#ifndef ORVIK_INPUT_KEYREPEAT_H
#define ORVIK_INPUT_KEYREPEAT_H

#include <windows.h>

#include "../../common/packet.h"

const UINT WM_START_REPEAT = WM_USER + 1;
const UINT WM_STOP_REPEAT = WM_USER + 2;
const UINT_PTR TMR_HOLD = 1;
const UINT_PTR TMR_REPEAT = 2;
const UINT_PTR TMR_WATCH = 3;
const unsigned short REPEAT_WATCH_INTERVAL_MS = 99;

extern HWND volatile ghTimerWnd;  // the hidden timer window, 0 while there is none

// The service (its tray icon) owns timers and messages of the timer window
// beyond key repeat's. When set, TimerWndProc offers it every message that
// key repeat does not handle; it returns 1 when it handled the message and
// then stores the message's result.
typedef int (*TimerWndExtension)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
extern TimerWndExtension gpfnTimerWndExtension;

// Registers the class "MYCLASS1" and creates the hidden timer window
// "SysTrayMsgDispatcher" on the calling thread, which must then pump its
// messages. Sets ghTimerWnd. 1 or 0.
int CreateTimerWindow();
// Destroys the timer window, if there is one; only the thread that created it
// may. Clears ghTimerWnd.
void DestroyTimerWindow();
LRESULT CALLBACK TimerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts a message (one the extension handles) to the timer window, from any
// thread; 0 when there is no timer window.
int PostToTimerWindow(UINT message);

// Key repeat from the user's settings: repeat on or off, `rate` repeats per
// second, `holdMs` before the first repeat. A rate of 0 has no interval: it
// is refused (0) and the settings in force stay as they are.
int ApplyKeyRepeatSettings(LONG enabled, unsigned short rate, unsigned short holdMs);

struct KeyRepeatSettings {
    LONG enabled;
    unsigned short holdMs;      // from the first key-held event to the first repeat
    unsigned short intervalMs;  // between repeats
};
KeyRepeatSettings CurrentKeyRepeatSettings();

// A key-held event: arms repeat of the repeat key.
void ProcessKeyHoldEvent(const InputEvent* event);
// Asks the timer window to stop key repeat, when it runs; any thread.
void StopKeyRepeat();

#endif
