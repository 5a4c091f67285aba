#include "mouse.h"

#include "inject.h"

volatile LONG bTapEnabled = 1;

namespace {

// The buttons pressed by button keys 1 and 2 and not yet released.
volatile LONG gbButtonKeyHeld[2] = {0, 0};

volatile LONG* HeldFlagOf(BYTE key) { return &gbButtonKeyHeld[key == VK_LBUTTON ? 0 : 1]; }

void SendClick(DWORD downFlag, DWORD upFlag, const InputEvent* event, const char* tracePrefix) {
    INPUT inputs[2] = {MouseInput(downFlag, event), MouseInput(upFlag, event)};
    SendInputs(inputs, 2, tracePrefix);
}

}  // namespace

void ProcessMouseMoveEvent(const InputEvent* event) {
    INPUT input = MouseInput(MOUSEEVENTF_MOVE, event);
    SendInputs(&input, 1, "ProcessMouseMoveEvent: ");
}

void ProcessMouseLClickEvent(const InputEvent* event) {
    SendClick(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, event, "ProcessMouseLClickEvent: ");
}

void ProcessMouseRClickEvent(const InputEvent* event) {
    SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, event, "ProcessMouseRClickEvent: ");
}

int IsMouseButtonKey(BYTE key) { return key == VK_LBUTTON || key == VK_RBUTTON; }

void SendMouseButtonKey(BYTE key, int press, const InputEvent* event, const char* tracePrefix) {
    DWORD flag = key == VK_LBUTTON ? (press ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)
                                   : (press ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
    INPUT input = MouseInput(flag, event);
    InterlockedExchange(HeldFlagOf(key), press ? 1 : 0);
    SendInputs(&input, 1, tracePrefix);
}

void ReleaseButtonKeys() {
    static const InputEvent kHere = {};  // no move with the release
    if (InterlockedExchange(HeldFlagOf(VK_LBUTTON), 0)) SendMouseButtonKey(VK_LBUTTON, 0, &kHere, "ReleaseButtonKeys: ");
    if (InterlockedExchange(HeldFlagOf(VK_RBUTTON), 0)) SendMouseButtonKey(VK_RBUTTON, 0, &kHere, "ReleaseButtonKeys: ");
}
