// Key event translation: the device reports keys as Windows virtual-key
// codes, so there is no translation table. This file's job is the batch
// dispatcher, the two small remapping layers (Fn: F1 to F10, a latched Alt and
// close-application; arrow: I/J/K/L as arrows), the split between keys typed
// whole at the press and keys whose press and release travel apart, and key
// repeat on the hidden timer window.
//
// Threads: the dispatcher and the key handlers run on the depacketizer
// thread; the timer window, and so every repeated keystroke, runs on the
// service thread that created it. The state below is shared between them as
// plain words. Timers can only be started and stopped by the thread that owns
// their window, so the depacketizer asks for a stop with WM_STOP_REPEAT.
#ifndef ORVIK_INPUT_KEYBOARD_H
#define ORVIK_INPUT_KEYBOARD_H

#include <windows.h>

#include "../../common/packet.h"

// One event group from the depacketizer: `count` records, in order, each
// allocated with `new InputEvent`. The dispatcher frees them.
const int MAX_BATCH_EVENTS = 20;
struct InputEventBatch {
    int count;
    InputEvent* events[MAX_BATCH_EVENTS];
};

// Messages and timers of the timer window.
const UINT WM_START_REPEAT = WM_USER + 1;
const UINT WM_STOP_REPEAT = WM_USER + 2;
const UINT_PTR TMR_HOLD = 1;
const UINT_PTR TMR_REPEAT = 2;
const UINT_PTR TMR_WATCH = 3;

// Posted to the registered settings window when the device reports its power state.
const UINT WM_POWER_MODE = WM_USER + 20;
enum PowerModeNotice { POWER_MODE_NOT_STARTED = 0, POWER_MODE_NORMAL = 1, POWER_MODE_STANDBY = 2 };
// Where the device's power-state reports go, on the depacketizer's thread;
// the service passes them on to its settings window. None when 0.
typedef void (*PowerModeListener)(PowerModeNotice mode);
extern PowerModeListener gpfnPowerModeListener;

const unsigned short REPEAT_WATCH_INTERVAL_MS = 99;

extern HWND volatile ghTimerWnd;  // the hidden timer window, 0 while there is none

// Keyboard state.
extern volatile LONG bIsFnPressed;    // Fn layer on (special key 26 held)
extern volatile LONG bFnAltLatched;   // an Alt made by Fn+Win or Fn+Space is down
extern volatile LONG bIsArrowLayer;   // arrow layer on (special key 27 held)
extern volatile BYTE gucRepeatKey;    // the key that repeat would type, 0 = none
extern volatile LONG bKeyStillHeld;   // a key-held event came since the last watch tick
extern volatile LONG bRepeatArmed;    // WM_START_REPEAT was posted for the current key
extern volatile LONG bRepeatRunning;  // the hold or repeat timer runs
extern volatile LONG bIsCtrlDown;     // Ctrl believed down, refreshed at every press and release
extern volatile LONG bIsShiftDown;    // Shift believed down
extern volatile LONG bIsCapsOn;       // Caps Lock toggle, for the click sound

// Repeat settings, loaded at start-up and changed by the control server.
extern volatile LONG bRepeatEnabled;
extern volatile unsigned short gusHold_Interval;         // ms from the first key-held event to the first repeat
extern volatile unsigned short gusRepeat_Interval;       // ms between repeats
extern volatile unsigned short gusRepeatWatch_Interval;  // ms between still-held checks

// The service (its tray icon) owns timers and messages of the timer window
// beyond key repeat's. When set, TimerWndProc offers it every message that
// key repeat does not handle; it returns 1 when it handled the message and
// then stores the message's result.
typedef int (*TimerWndExtension)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
extern TimerWndExtension gpfnTimerWndExtension;

// Handles the batch's records in order, frees each one and clears its slot;
// leaves the batch empty. A count above MAX_BATCH_EVENTS is cut to it.
void DispatchInputEvents(InputEventBatch* batch);

void ProcessKeyDownEvent(const InputEvent* event);
void ProcessKeyUpEvent(const InputEvent* event);
void ProcessKeyHoldEvent(const InputEvent* event);

// Lets go of everything the device holds down: button-key buttons (a drag),
// Tab, Enter and Insert, Shift, Ctrl, Alt and Win (as recorded and as the
// system sees them), the latched Alt; turns the Fn and arrow layers off and
// ends key repeat. Called whenever the link stops, since the releases the
// device would have sent can no longer come.
void ReleaseStuckKeys();

// Closes the application in the foreground, unless that is the desktop.
void CloseForegroundApplication();

// Registers the class "MYCLASS1" and creates the hidden timer window
// "SysTrayMsgDispatcher" on the calling thread, which must then pump its
// messages. Sets ghTimerWnd. 1 or 0.
int CreateTimerWindow();
LRESULT CALLBACK TimerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Key repeat from the user's settings: repeat on or off, `rate` repeats per
// second, `holdMs` before the first repeat. A rate of 0 has no interval: it
// is refused (0) and the settings in force stay as they are.
int ApplyKeyRepeatSettings(LONG enabled, unsigned short rate, unsigned short holdMs);

// Asks the timer window to stop key repeat; any thread.
void RequestStopKeyRepeat();
// Posts a message (one the extension handles) to the timer window, from any
// thread; 0 when there is no timer window.
int PostToTimerWindow(UINT message);

// Whether any of the left, right or generic Ctrl (Shift) keys is down.
int IsCtrlKeyDown();
int IsShiftKeyDown();
// Whether Caps Lock is on for the window that takes the typed keys.
bool IsCapsLockOn();

// Ctrl, Shift and Alt as the device sends them: VK_CONTROL and the left and
// right forms. They are held for other keys, never typed or repeated alone.
int IsModifierKey(BYTE virtualKey);

#endif
