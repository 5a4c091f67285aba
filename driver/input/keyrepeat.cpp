#include "keyrepeat.h"

#include "../../common/trace.h"
#include "hiddenwindow.h"
#include "keystate.h"

HWND volatile ghTimerWnd = 0;
TimerWndExtension gpfnTimerWndExtension = nullptr;

namespace {

const char* const TIMER_WINDOW_CLASS = "MYCLASS1";
const char* const TIMER_WINDOW_TITLE = "SysTrayMsgDispatcher";

volatile LONG bRepeatEnabled = 1;
volatile unsigned short gusHold_Interval = 1050;  // ms from the first key-held event to the first repeat
volatile unsigned short gusRepeat_Interval = 50;  // ms between repeats

volatile LONG bKeyStillHeld = 0;   // a key-held event came since the last watch tick
volatile LONG bRepeatArmed = 0;    // WM_START_REPEAT was posted for the current key
volatile LONG bRepeatRunning = 0;  // the hold or repeat timer runs
BYTE gucRepeatingKey = 0;          // the key the running repeat types; timer window thread only

void StopRepeatTimers(HWND window) {
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
    if (!bRepeatRunning) StopRepeatTimers(window);
}

void StartRepeating(HWND window) {
    gucRepeatingKey = RepeatKey();
    bRepeatRunning = static_cast<LONG>(SetTimer(window, TMR_REPEAT, gusRepeat_Interval, nullptr));
    const UINT_PTR watch = SetTimer(window, TMR_WATCH, REPEAT_WATCH_INTERVAL_MS, nullptr);
    KillTimer(window, TMR_HOLD);
    // Without the watch a lost release would repeat for ever.
    if (!bRepeatRunning || !watch) StopRepeatTimers(window);
}

// A press of another key or the release of this one changed the repeat key;
// its stop request may still be on its way: the old key is never typed then.
void TypeRepeat(HWND window) {
    if (!TypeRepeatedKey(gucRepeatingKey)) StopRepeatTimers(window);
}

void WatchKeyStillHeld(HWND window) {
    if (!InterlockedExchange(&bKeyStillHeld, 0)) StopRepeatTimers(window);
}

// 1 when the timer is one of key repeat's.
int HandleRepeatTimer(HWND window, UINT_PTR timer) {
    switch (timer) {
    case TMR_HOLD:
        StartRepeating(window);
        return 1;
    case TMR_REPEAT:
        TypeRepeat(window);
        return 1;
    case TMR_WATCH:
        WatchKeyStillHeld(window);
        return 1;
    default:
        return 0;
    }
}

}  // namespace

int PostToTimerWindow(UINT message) {
    HWND timerWindow = ghTimerWnd;
    // A post to no window would land in the calling thread's own queue.
    return timerWindow && PostMessageA(timerWindow, message, 0, 0);
}

void ProcessKeyHoldEvent(const InputEvent*) {
    const BYTE key = RepeatKey();
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

KeyRepeatSettings CurrentKeyRepeatSettings() { return {bRepeatEnabled, gusHold_Interval, gusRepeat_Interval}; }

void StopKeyRepeat() {
    if (bRepeatRunning || bRepeatArmed) PostToTimerWindow(WM_STOP_REPEAT);
}

LRESULT CALLBACK TimerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_START_REPEAT:
        StartHoldTimer(window);
        return 0;
    case WM_STOP_REPEAT:
        StopRepeatTimers(window);
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

void DestroyTimerWindow() {
    HWND window = ghTimerWnd;
    if (window) DestroyWindow(window);
}
