// Key presses and releases, the Fn and arrow layers, and the batch dispatcher.
//
// Ordinary keys are typed whole (press and release) at the device's press, so
// a lost release can never leave them stuck; only Tab, Enter, Insert and the
// modifiers send their release at the device's release, because holding them
// means something. The Fn layer's Alt is latched: it stays down until the key
// that made it or Fn itself is released, whichever comes first, so Fn+Win
// followed by other keys gives Alt+key.
#include "keyboard.h"

#include <cstring>

#include "../../common/trace.h"
#include "inject.h"
#include "launchkeys.h"
#include "mouse.h"
#include "sound.h"

PowerModeListener gpfnPowerModeListener = nullptr;

volatile LONG bIsFnPressed = 0;
volatile LONG bFnAltLatched = 0;
volatile LONG bIsArrowLayer = 0;
volatile BYTE gucRepeatKey = 0;
volatile LONG bIsCtrlDown = 0;
volatile LONG bIsShiftDown = 0;
volatile LONG bIsCapsOn = 0;

namespace {

const char* const kKeyDownTrace = "ProcessKeyDownEvent: ";
const char* const kKeyUpTrace = "ProcessKeyUpEvent: ";
const DWORD CLOSE_WAIT_MS = 100;

volatile BYTE gucFnAltKey = 0;  // the Alt that bFnAltLatched holds down
bool gEnterClosedApplication = false;  // the Enter held now was Fn+Enter: nothing of it was typed

void ReleaseKey(BYTE sentKey);

int IsWinKey(BYTE key) { return key == VK_LWIN || key == VK_RWIN; }

// Keys whose held state means nothing to repeat: the Win keys, and the
// button keys, whose hold is a drag.
int NeverRepeats(BYTE key) { return IsWinKey(key) || IsMouseButtonKey(key); }

int IsAltKey(BYTE key) { return key == VK_LMENU || key == VK_RMENU; }

// The Alt the Fn layer makes of a key: Left Alt for the Win keys, Right Alt
// for the space bar, 0 for any other key.
BYTE FnAltOf(BYTE key) {
    if (IsWinKey(key)) return VK_LMENU;
    return key == VK_SPACE ? VK_RMENU : 0;
}

int IsSpecialKey(const InputEvent* event, SpecialKey code) {
    return event->keyCode == SPECIAL_KEY_CODE && event->specialCode == code;
}

// The system's state: GetKeyState answers for the calling thread's own input
// state, which a thread that reads no input (as this one) never updates.
bool IsKeyDown(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

int AnyKeyDown(const int* keys, int count) {
    for (int i = 0; i < count; ++i)
        if (IsKeyDown(keys[i])) return 1;
    return 0;
}

void ReleaseIfDown(int first, int last) {
    for (int key = first; key <= last; ++key)
        if (IsKeyDown(key)) ReleaseKey(static_cast<BYTE>(key));
}

// Releases all three forms of a modifier when it is recorded as held or the
// system sees it down: the record is refreshed only at the next key, so a
// modifier whose own release never came stays stuck otherwise.
void ReleaseModifier(LONG recordedDown, BYTE generic, BYTE left, BYTE right) {
    if (!recordedDown && !IsKeyDown(generic) && !IsKeyDown(left) && !IsKeyDown(right)) return;
    ReleaseKey(generic);
    ReleaseKey(left);
    ReleaseKey(right);
}

// Keys whose release is sent at the device's release instead of at once.
int IsPressOnlyKey(BYTE key, BYTE sentKey) {
    return key == VK_TAB || key == VK_RETURN || key == VK_INSERT || IsModifierKey(key) || IsAltKey(sentKey);
}

// Fn layer. Returns 0 when the key was an action (Fn+Enter) and nothing is to be typed.
int ApplyFnLayer(BYTE key, BYTE* sentKey) {
    if (key >= '1' && key <= '9') {
        *sentKey = static_cast<BYTE>(VK_F1 + (key - '1'));
        gucRepeatKey = 0;
    } else if (key == '0') {
        *sentKey = VK_F10;
        gucRepeatKey = 0;
    } else if (BYTE alt = FnAltOf(key)) {
        *sentKey = alt;
        gucFnAltKey = alt;
        bFnAltLatched = 1;
        gucRepeatKey = alt;
    } else if (key == VK_RETURN) {
        gEnterClosedApplication = true;
        gucRepeatKey = 0;  // holding it must not type Enter into the next window
        CloseForegroundApplication();
        return 0;
    }
    return 1;
}

void ApplyArrowLayer(BYTE key, BYTE* sentKey) {
    static const struct {
        BYTE letter, arrow;
    } kArrows[] = {{'I', VK_UP}, {'J', VK_LEFT}, {'K', VK_DOWN}, {'L', VK_RIGHT}};
    for (const auto& row : kArrows) {
        if (row.letter != key) continue;
        *sentKey = row.arrow;
        gucRepeatKey = 0;
    }
}

// The latched Alt that the release of `key` ends: the key that made it while
// Fn is held, or Fn itself. 0 when this release ends no latch.
BYTE LatchedAltEndedBy(const InputEvent* event) {
    if (!bFnAltLatched) return 0;
    const bool fnReleased = IsSpecialKey(event, SPECIAL_FN);
    const bool makerReleased = bIsFnPressed && FnAltOf(event->keyCode) == gucFnAltKey;
    if (!fnReleased && !makerReleased) return 0;
    bFnAltLatched = 0;
    return gucFnAltKey;
}

void TypeKey(BYTE sentKey, int pressOnly) {
    INPUT inputs[2] = {KeyInput(sentKey, 0), KeyInput(sentKey, KEYEVENTF_KEYUP)};
    SendInputs(inputs, pressOnly ? 1 : 2, kKeyDownTrace);
}

void ReleaseKey(BYTE sentKey) {
    INPUT input = KeyInput(sentKey, KEYEVENTF_KEYUP);
    SendInputs(&input, 1, kKeyUpTrace);
}

// Ctrl+Q, the quit shortcut of applications that ignore WM_CLOSE. A Ctrl that
// the user holds stays down.
void SendQuitShortcut() {
    INPUT presses[2] = {KeyInput(VK_CONTROL, 0), KeyInput('Q', 0)};
    SendInputs(presses, 2, "");
    INPUT releases[2] = {KeyInput('Q', KEYEVENTF_KEYUP), KeyInput(VK_CONTROL, KEYEVENTF_KEYUP)};
    SendInputs(releases, bIsCtrlDown ? 1 : 2, "");
}

void PostPowerMode(PowerModeNotice mode) {
    const PowerModeListener listener = gpfnPowerModeListener;
    if (listener) listener(mode);
}

void DispatchInputEvent(const InputEvent* event) {
    switch (event->kind) {
    case EVENT_KEY_UP:
        ProcessKeyUpEvent(event);
        break;
    case EVENT_KEY_DOWN:
        ProcessKeyDownEvent(event);
        break;
    case EVENT_KEY_HELD:
        ProcessKeyHoldEvent(event);
        break;
    case EVENT_MOUSE_MOVE:
        ProcessMouseMoveEvent(event);
        break;
    case EVENT_LEFT_TAP:
        if (bTapEnabled) ProcessMouseLClickEvent(event);
        break;
    case EVENT_RIGHT_TAP:
        if (bTapEnabled) ProcessMouseRClickEvent(event);
        break;
    case POWER_NORMAL:
        PostPowerMode(POWER_MODE_NORMAL);
        break;
    case POWER_STANDBY:
        PostPowerMode(POWER_MODE_STANDBY);
        break;
    case POWER_NOT_STARTED:
        PostPowerMode(POWER_MODE_NOT_STARTED);
        break;
    default:
        break;
    }
}

// Wine answers GetKeyState with the system's state on every thread, and
// clears the shared key state when threads attach their input.
bool RunningUnderWine() {
    static const bool underWine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return underWine;
}

}  // namespace

int IsCtrlKeyDown() {
    static const int kCtrlKeys[] = {VK_LCONTROL, VK_RCONTROL, VK_CONTROL};
    return AnyKeyDown(kCtrlKeys, 3);
}

bool IsCapsLockOn() {
    // A toggle has no system-wide reading (GetAsyncKeyState tells only up or
    // down), and this thread's own state is stale on Windows: read it as the
    // thread in front, which takes the typed keys, sees it.
    const DWORD self = GetCurrentThreadId();
    const DWORD front = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const bool attached = !RunningUnderWine() && front && front != self && AttachThreadInput(self, front, TRUE);
    const bool on = (GetKeyState(VK_CAPITAL) & 1) != 0;
    if (attached) AttachThreadInput(self, front, FALSE);
    return on;
}

int IsShiftKeyDown() {
    static const int kShiftKeys[] = {VK_LSHIFT, VK_RSHIFT, VK_SHIFT};
    return AnyKeyDown(kShiftKeys, 3);
}

int IsModifierKey(BYTE virtualKey) {
    return virtualKey == VK_CONTROL || (virtualKey >= VK_LSHIFT && virtualKey <= VK_RMENU);
}

void DispatchInputEvents(InputEventBatch* batch) {
    if (!batch) return;
    int count = batch->count;
    if (count > MAX_BATCH_EVENTS) {
        Trace("DispatchInputEvents: count %d cut to %d", count, MAX_BATCH_EVENTS);
        count = MAX_BATCH_EVENTS;
    }
    for (int i = 0; i < count; ++i) {
        InputEvent* event = batch->events[i];
        if (!event) continue;
        DispatchInputEvent(event);
        delete event;
        batch->events[i] = nullptr;
    }
    batch->count = 0;
}

void ProcessKeyDownEvent(const InputEvent* event) {
    const BYTE key = event->keyCode;
    gucRepeatKey = NeverRepeats(key) ? 0 : key;
    if (bRepeatRunning) RequestStopKeyRepeat();
    bIsCtrlDown = IsCtrlKeyDown();
    if (key == SPECIAL_KEY_CODE) {
        gucRepeatKey = 0;
        ProcessSpecialKeyEvent(event);
        return;
    }
    if (key == VK_RETURN) gEnterClosedApplication = false;  // every Enter press decides anew
    BYTE sentKey = key;
    if (bIsFnPressed && !bFnAltLatched) {
        if (!ApplyFnLayer(key, &sentKey)) return;
    } else if (bIsArrowLayer) {
        ApplyArrowLayer(key, &sentKey);
    }
    if (IsMouseButtonKey(sentKey)) SendMouseButtonKey(sentKey, 1, event, kKeyDownTrace);
    else TypeKey(sentKey, IsPressOnlyKey(key, sentKey));
    PlayKeyPressSound(sentKey);
}

void ProcessKeyUpEvent(const InputEvent* event) {
    const BYTE key = event->keyCode;
    bIsCtrlDown = IsCtrlKeyDown();
    // The Enter of Fn+Enter closed an application; its release has nothing to
    // end, whether Fn is still held or not. An Enter typed before Fn was
    // pressed is released as usual.
    if (key == VK_RETURN && gEnterClosedApplication) {
        gEnterClosedApplication = false;
        return;
    }
    const BYTE latchedAlt = LatchedAltEndedBy(event);
    const BYTE sentKey = latchedAlt ? latchedAlt : key;
    if (IsSpecialKey(event, SPECIAL_FN)) {
        bIsFnPressed = 0;
        if (!latchedAlt) return;
    }
    if (sentKey == gucRepeatKey) {
        gucRepeatKey = 0;
        bKeyStillHeld = 0;
    }
    bIsShiftDown = IsShiftKeyDown();
    if (IsSpecialKey(event, SPECIAL_ARROW_LAYER)) {
        bIsArrowLayer = 0;
        return;
    }
    if (bRepeatRunning && !gucRepeatKey) RequestStopKeyRepeat();
    if (IsMouseButtonKey(sentKey)) SendMouseButtonKey(sentKey, 0, event, kKeyUpTrace);
    else if (IsPressOnlyKey(key, sentKey)) ReleaseKey(sentKey);
}

void ReleaseStuckKeys() {
    // Layers and repeat first, so that no key handled meanwhile uses them.
    bIsFnPressed = 0;
    bIsArrowLayer = 0;
    gucRepeatKey = 0;
    bKeyStillHeld = 0;
    gEnterClosedApplication = false;
    RequestStopKeyRepeat();
    ReleaseButtonKeys();
    if (InterlockedExchange(&bFnAltLatched, 0)) ReleaseKey(gucFnAltKey);
    ReleaseIfDown('A', 'Z');
    ReleaseIfDown(0x61, 0x7A);
    ReleaseIfDown('0', '9');
    ReleaseIfDown(VK_CAPITAL, VK_CAPITAL);
    // Keys whose release travels apart from their press.
    ReleaseIfDown(VK_TAB, VK_TAB);
    ReleaseIfDown(VK_RETURN, VK_RETURN);
    ReleaseIfDown(VK_INSERT, VK_INSERT);
    ReleaseModifier(bIsCtrlDown, VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
    ReleaseModifier(bIsShiftDown, VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
    ReleaseIfDown(VK_MENU, VK_MENU);
    ReleaseIfDown(VK_LMENU, VK_RMENU);
    ReleaseIfDown(VK_LWIN, VK_RWIN);
    bIsCtrlDown = 0;
    bIsShiftDown = 0;
}

void CloseForegroundApplication() {
    HWND window = GetForegroundWindow();
    if (!window) return;  // a post to no window would land in this thread's own queue
    char title[1024] = "";
    GetWindowTextA(window, title, sizeof title);
    if (std::strcmp(title, "Desktop") == 0) return;
    PostMessageA(window, WM_CLOSE, 0, 0);
    Sleep(CLOSE_WAIT_MS);
    if (GetForegroundWindow() != window) return;
    SendQuitShortcut();
    Sleep(CLOSE_WAIT_MS);
    if (GetForegroundWindow() == window) PostMessageA(window, WM_CLOSE, 0, 0);
}
