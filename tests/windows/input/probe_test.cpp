#include <gtest/gtest.h>
#include <cstdio>
#include "fixture.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/inject.h"
static void Send(BYTE vk, DWORD flags) { INPUT i = KeyInput(vk, flags); SendInputs(&i, 1, ""); }
class Probe : public InputTest {};
TEST_F(Probe, CtrlState) {
    for (int i = 0; i < 10; ++i) {
        Send(VK_LCONTROL, 0); recorder_.Take();
        std::printf("down: %d %x %x |", IsCtrlKeyDown(), GetKeyState(VK_LCONTROL), GetKeyState(VK_CONTROL));
        Sleep(20);
        std::printf(" %d |", IsCtrlKeyDown());
        Send(VK_LCONTROL, KEYEVENTF_KEYUP); recorder_.Take();
        std::printf(" up: %d %x %x\n", IsCtrlKeyDown(), GetKeyState(VK_LCONTROL), GetKeyState(VK_CONTROL));
    }
}
