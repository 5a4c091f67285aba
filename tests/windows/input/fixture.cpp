#include "fixture.h"

#include "../../../common/uiseam.h"
#include "../../../driver/input/inject.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/keyrepeat.h"
#include "../../../driver/input/mouse.h"
#include "../../../driver/input/sound.h"
#include "../support/pointer.h"

namespace {

BOOL WINAPI SilentPlaySound(LPCSTR, HMODULE, DWORD) { return TRUE; }

void SendKey(BYTE key, DWORD flags) {
    INPUT input = KeyInput(key, flags);
    SendInputs(&input, 1, "");
}

}  // namespace

void ReleaseModifiersAndCaps() {
    static const BYTE kModifiers[] = {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU};
    for (BYTE key : kModifiers)
        if (GetAsyncKeyState(key) < 0) SendKey(key, KEYEVENTF_KEYUP);
    if (GetKeyState(VK_CAPITAL) & 1) {
        SendKey(VK_CAPITAL, 0);
        SendKey(VK_CAPITAL, KEYEVENTF_KEYUP);
    }
}

void InputTest::SetUp() {
    ResetKeyboardState();
    bSoundEnabled = 0;
    bTapEnabled = 1;
    ApplyKeyRepeatSettings(1, 20, 1050);
    gpfnPowerModeListener = nullptr;
    g_ui.playSoundA = SilentPlaySound;
    ASSERT_TRUE(recorder_.Open(WindowTitle())) << "the recorder window did not become the foreground window";
    // Clicks elsewhere would activate another window and take the keys with it.
    SettlePointerAt(POINTER_HOME.x, POINTER_HOME.y);
    recorder_.Take();
}

void InputTest::TearDown() {
    ReleaseModifiersAndCaps();
    recorder_.Take();
    recorder_.Close();
}
