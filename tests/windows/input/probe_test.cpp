#include <gtest/gtest.h>
#include <cstdio>
#include "recorder.h"
#include "events.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/inject.h"

static void Show(const char* what, const std::vector<std::string>& log) {
    std::printf("%s:", what);
    for (auto& s : log) std::printf(" [%s]", s.c_str());
    std::printf("\n");
}
static void Send(BYTE vk, DWORD flags) { INPUT i = KeyInput(vk, flags); SendInputs(&i, 1, ""); }

TEST(Probe, Messages) {
    RecorderWindow r;
    ASSERT_TRUE(r.Open("probe"));
    BYTE keys[] = {'A', VK_TAB, VK_RETURN, VK_INSERT, VK_LSHIFT, VK_RSHIFT, VK_CONTROL, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU, VK_F1, VK_F10, VK_LWIN, VK_UP, 0xE8, 0x87, VK_CAPITAL};
    for (BYTE k : keys) { Send(k, 0); Send(k, KEYEVENTF_KEYUP); char b[16]; std::snprintf(b, 16, "%02X", k); Show(b, r.Take()); }
    Send(VK_LMENU, 0); Send('1', 0); Send('1', KEYEVENTF_KEYUP); Send(VK_LMENU, KEYEVENTF_KEYUP); Show("alt+1", r.Take());
    Send(VK_CONTROL, 0); Send('Q', 0); Send('Q', KEYEVENTF_KEYUP); Send(VK_CONTROL, KEYEVENTF_KEYUP); Show("ctrl+q", r.Take());
    // key state on this thread
    Send(VK_LSHIFT, 0); r.Take();
    std::printf("shift down: GetKeyState(LSHIFT)=%x SHIFT=%x async=%x\n", GetKeyState(VK_LSHIFT), GetKeyState(VK_SHIFT), GetAsyncKeyState(VK_SHIFT));
    Send(VK_LSHIFT, KEYEVENTF_KEYUP); r.Take();
    std::printf("shift up: GetKeyState(LSHIFT)=%x SHIFT=%x\n", GetKeyState(VK_LSHIFT), GetKeyState(VK_SHIFT));
    std::printf("caps before %x\n", GetKeyState(VK_CAPITAL));
    Send(VK_CAPITAL, 0); Send(VK_CAPITAL, KEYEVENTF_KEYUP); r.Take();
    std::printf("caps after toggle %x\n", GetKeyState(VK_CAPITAL));
    Sleep(300);
    std::printf("caps after 300ms %x\n", GetKeyState(VK_CAPITAL));
    Send('A', 0); Send('A', KEYEVENTF_KEYUP); Show("A with caps", r.Take());
    Send(VK_CAPITAL, 0); Send(VK_CAPITAL, KEYEVENTF_KEYUP); r.Take();
    std::printf("caps after 2nd toggle %x\n", GetKeyState(VK_CAPITAL));
    POINT p; SetCursorPos(300, 250); r.Take(); GetCursorPos(&p); std::printf("cursor %ld %ld\n", p.x, p.y);
    Dispatch({Move(-5, 3)}); r.Take(); GetCursorPos(&p); std::printf("after move cursor %ld %ld\n", p.x, p.y);
    Dispatch({{EVENT_LEFT_TAP, 0, 0, 100, 100}}); Show("tap", r.Take()); GetCursorPos(&p); std::printf("after tap cursor %ld %ld\n", p.x, p.y);
    Dispatch({{EVENT_RIGHT_TAP, 0, 0, 100, 100}}); Show("rtap", r.Take());
    Dispatch({Press(1), Move(10, 0), Move(10,0), Release(1)}); Show("drag", r.Take());
    r.Close();
}
