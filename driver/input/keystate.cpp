#include "keystate.h"

#include "../../common/winsync.h"
#include "inject.h"

namespace {

const char* const kSweepTrace = "ReleaseEverythingHeld: ";
const int KEY_COUNT = 256;

// Guards everything below and orders the driver's input: whoever sends,
// sends under it.
StaticLock gInputLock;

bool gHeld[KEY_COUNT];  // by virtual key; the button keys' buttons at 1 and 2
bool gFnLayer = false;
bool gArrowLayer = false;
BYTE gRepeatKey = 0;
bool gCapsKnown = false;
bool gCapsOn = false;

// Under the lock: Caps Lock as read once from the system, then as the
// driver's own Caps Lock presses left it.
bool& CapsState() {
    if (!gCapsKnown) gCapsOn = (GetKeyState(VK_CAPITAL) & 1) != 0;
    gCapsKnown = true;
    return gCapsOn;
}

// Called under the lock for each key sent down.
void NoteKeyDown(BYTE key) {
    if (key == VK_CAPITAL) CapsState() = !CapsState();
}

DWORD ButtonFlag(BYTE buttonKey, bool press) {
    if (buttonKey == VK_LBUTTON) return press ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    return press ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
}

void SendButton(BYTE buttonKey, bool press, const InputEvent* event, const char* tracePrefix) {
    INPUT input = MouseInput(ButtonFlag(buttonKey, press), event);
    gHeld[buttonKey] = press;
    SendInputs(&input, 1, tracePrefix);
}

// Under the lock.
bool FamilyHeld(BYTE generic, BYTE left, BYTE right) { return gHeld[generic] || gHeld[left] || gHeld[right]; }

// Under the lock: a modifier counts as held in any of its forms.
bool ModifierHeld(BYTE modifier) {
    switch (modifier) {
    case VK_CONTROL: return FamilyHeld(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
    case VK_SHIFT: return FamilyHeld(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
    case VK_MENU: return FamilyHeld(VK_MENU, VK_LMENU, VK_RMENU);
    default: return gHeld[modifier];
    }
}

}  // namespace

void PressKey(BYTE key, const char* tracePrefix) {
    LockHeld use(gInputLock);
    INPUT input = KeyInput(key, 0);
    gHeld[key] = true;
    NoteKeyDown(key);
    SendInputs(&input, 1, tracePrefix);
}

void ReleaseKey(BYTE key, const char* tracePrefix) {
    LockHeld use(gInputLock);
    INPUT input = KeyInput(key, KEYEVENTF_KEYUP);
    gHeld[key] = false;
    SendInputs(&input, 1, tracePrefix);
}

void TypeKey(BYTE key, const char* tracePrefix) {
    LockHeld use(gInputLock);
    INPUT inputs[2] = {KeyInput(key, 0), KeyInput(key, KEYEVENTF_KEYUP)};
    gHeld[key] = false;
    NoteKeyDown(key);
    SendInputs(inputs, 2, tracePrefix);
}

void TypeShortcut(BYTE modifier, BYTE key, const char* tracePrefix) {
    LockHeld use(gInputLock);
    INPUT presses[2] = {KeyInput(modifier, 0), KeyInput(key, 0)};
    SendInputs(presses, 2, tracePrefix);
    INPUT releases[2] = {KeyInput(key, KEYEVENTF_KEYUP), KeyInput(modifier, KEYEVENTF_KEYUP)};
    SendInputs(releases, ModifierHeld(modifier) ? 1 : 2, tracePrefix);
}

int IsMouseButtonKey(BYTE key) { return key == VK_LBUTTON || key == VK_RBUTTON; }

void PressButton(BYTE buttonKey, const InputEvent* event, const char* tracePrefix) {
    LockHeld use(gInputLock);
    SendButton(buttonKey, true, event, tracePrefix);
}

void ReleaseButton(BYTE buttonKey, const InputEvent* event, const char* tracePrefix) {
    LockHeld use(gInputLock);
    SendButton(buttonKey, false, event, tracePrefix);
}

bool IsKeyHeld(BYTE key) {
    LockHeld use(gInputLock);
    return gHeld[key];
}

bool IsShiftHeld() {
    LockHeld use(gInputLock);
    return ModifierHeld(VK_SHIFT);
}

bool IsCtrlHeld() {
    LockHeld use(gInputLock);
    return ModifierHeld(VK_CONTROL);
}

bool IsCapsLockOn() {
    LockHeld use(gInputLock);
    return CapsState();
}

int IsModifierKey(BYTE key) { return key == VK_CONTROL || (key >= VK_LSHIFT && key <= VK_RMENU); }

void SetFnLayer(bool on) {
    LockHeld use(gInputLock);
    gFnLayer = on;
}

bool IsFnLayerOn() {
    LockHeld use(gInputLock);
    return gFnLayer;
}

void SetArrowLayer(bool on) {
    LockHeld use(gInputLock);
    gArrowLayer = on;
}

bool IsArrowLayerOn() {
    LockHeld use(gInputLock);
    return gArrowLayer;
}

void SetRepeatKey(BYTE key) {
    LockHeld use(gInputLock);
    gRepeatKey = key;
}

BYTE RepeatKey() {
    LockHeld use(gInputLock);
    return gRepeatKey;
}

int TypeRepeatedKey(BYTE key) {
    LockHeld use(gInputLock);
    if (!key || key != gRepeatKey) return 0;
    INPUT inputs[2] = {KeyInput(key, 0), KeyInput(key, KEYEVENTF_KEYUP)};
    SendInputs(inputs, 2, "");
    return 1;
}

void ReleaseEverythingHeld() {
    static const InputEvent kHere = {};  // no move with a button's release
    LockHeld use(gInputLock);
    gFnLayer = false;
    gArrowLayer = false;
    gRepeatKey = 0;
    for (int key = 0; key < KEY_COUNT; ++key) {
        if (!gHeld[key]) continue;
        if (IsMouseButtonKey(static_cast<BYTE>(key))) {
            SendButton(static_cast<BYTE>(key), false, &kHere, kSweepTrace);
            continue;
        }
        INPUT input = KeyInput(static_cast<BYTE>(key), KEYEVENTF_KEYUP);
        gHeld[key] = false;
        SendInputs(&input, 1, kSweepTrace);
    }
}
