// Key repeat. The device sends key-held events while a key stays down; the
// first one arms repeat, the hidden timer window waits gusHold_Interval, then
// types the key every gusRepeat_Interval. A watch timer checks every
// gusRepeatWatch_Interval that key-held events still come, so a lost release
// ends the repeat within two watch periods instead of never.
//
// The timers belong to the timer window's thread: only it starts and stops
// them. The depacketizer arms repeat with WM_START_REPEAT and ends it with
// WM_STOP_REPEAT.
#include "../../common/trace.h"
#include "hiddenwindow.h"
#include "inject.h"
#include "keyboard.h"
#include "mouse.h"

HWND volatile ghTimerWnd = 0;
TimerWndExtension gpfnTimerWndExtension = nullptr;

volatile LONG bKeyStillHeld = 0;
volatile LONG bRepeatArmed = 0;
volatile LONG bRepeatRunning = 0;

volatile LONG bRepeatEnabled = 1;
volatile unsigned short gusHold_Interval = 1050;
volatile unsigned short gusRepeat_Interval = 50;
volatile unsigned short gusRepeatWatch_Interval = REPEAT_WATCH_INTERVAL_MS;

int PostToTimerWindow(UINT message) {
    HWND timerWindow = ghTimerWnd;
    // A post to no window would land in the calling thread's own queue.
    return timerWindow && PostMessageA(timerWindow, message, 0, 0);
}

namespace {

const char* const TIMER_WINDOW_CLASS = "MYCLASS1";
const char* const TIMER_WINDOW_TITLE = "SysTrayMsgDispatcher";

BYTE gucRepeatingKey = 0;  // the key the running repeat types; timer window thread only

void StopKeyRepeat(HWND window) {
    KillTimer(window, TMR_HOLD);
    KillTimer(window, TMR_REPEAT);
    KillTimer(window, TMR_WATCH);
    bKeyStillHeld = 0;
    bRepeatArmed = 0;
    bRepeatRunning = 0;
}

void StartHoldTimer(HWND window) {
    bRepeatRunning = static_cast<LONG>(SetTimer(window, TMR_HOLD, gusHold_Interval, nullptr));
    // Disarmed, the next key-held event tries again instead of repeat being dead for good.
    if (!bRepeatRunning) StopKeyRepeat(window);
}

void StartRepeating(HWND window) {
    gucRepeatingKey = gucRepeatKey;
    bRepeatRunning = static_cast<LONG>(SetTimer(window, TMR_REPEAT, gusRepeat_Interval, nullptr));
    const UINT_PTR watch = SetTimer(window, TMR_WATCH, gusRepeatWatch_Interval, nullptr);
    KillTimer(window, TMR_HOLD);
    // Without the watch a lost release would repeat for ever.
    if (!bRepeatRunning || !watch) StopKeyRepeat(window);
}

void TypeRepeatedKey(HWND window) {
    // A press of another key or the release of this one changed gucRepeatKey;
    // its stop request may still be on its way. Never type the new key here.
    if (gucRepeatKey != gucRepeatingKey || !gucRepeatingKey) {
        StopKeyRepeat(window);
        return;
    }
    INPUT inputs[2] = {KeyInput(gucRepeatingKey, 0), KeyInput(gucRepeatingKey, KEYEVENTF_KEYUP)};
    SendInputs(inputs, 2, "");
}

void WatchKeyStillHeld(HWND window) {
    if (!InterlockedExchange(&bKeyStillHeld, 0)) StopKeyRepeat(window);
}

// 1 when the timer is one of key repeat's.
int HandleRepeatTimer(HWND window, UINT_PTR timer) {
    switch (timer) {
    case TMR_HOLD:
        StartRepeating(window);
        return 1;
    case TMR_REPEAT:
        TypeRepeatedKey(window);
        return 1;
    case TMR_WATCH:
        WatchKeyStillHeld(window);
        return 1;
    default:
        return 0;
    }
}

}  // namespace

void ProcessKeyHoldEvent(const InputEvent*) {
    const BYTE key = gucRepeatKey;
    // A repeated modifier would be typed as press and release: it would let go
    // of the Ctrl, Shift or Alt that the user is holding. A button key's hold
    // is a drag, never keyboard input.
    if (!bRepeatEnabled || IsModifierKey(key) || IsMouseButtonKey(key)) return;
    bKeyStillHeld = 1;
    if (bRepeatArmed || !key) return;
    bRepeatArmed = 1;
    if (!PostToTimerWindow(WM_START_REPEAT)) bRepeatArmed = 0;
}

int ApplyKeyRepeatSettings(LONG enabled, unsigned short rate, unsigned short holdMs) {
    if (rate == 0) {
        Trace("ApplyKeyRepeatSettings: repeat rate 0 refused");
        return 0;
    }
    bRepeatEnabled = enabled;
    // Above 1000 per second the interval would be 0: the fastest there is.
    gusRepeat_Interval = static_cast<unsigned short>(rate > 1000 ? 1 : 1000 / rate);
    gusHold_Interval = holdMs;
    return 1;
}

void RequestStopKeyRepeat() { PostToTimerWindow(WM_STOP_REPEAT); }


LRESULT CALLBACK TimerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_START_REPEAT:
        StartHoldTimer(window);
        return 0;
    case WM_STOP_REPEAT:
        StopKeyRepeat(window);
        return 0;
    case WM_TIMER:
        if (HandleRepeatTimer(window, wParam)) return 0;
        break;
    case WM_COMMAND:
        return 0;
    case WM_DESTROY:
        if (ghTimerWnd == window) ghTimerWnd = 0;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    LRESULT result = 0;
    TimerWndExtension extension = gpfnTimerWndExtension;
    if (extension && extension(window, message, wParam, lParam, &result)) return result;
    return message == WM_TIMER ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

int CreateTimerWindow() {
    HWND window = CreateHiddenWindow(TIMER_WINDOW_CLASS, TIMER_WINDOW_TITLE, TimerWndProc);
    if (!window) {
        Trace("CreateTimerWindow: CreateWindowEx Error %lu", GetLastError());
        return 0;
    }
    ghTimerWnd = window;
    return 1;
}
