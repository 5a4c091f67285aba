#include "driverlink.h"

#include "../../../driver/devicelink/commands.h"
#include "../../../driver/devicelink/devicelink.h"
#include "../../../driver/service/lifecycle.h"
#include "../../../driver/service/serviceevents.h"

namespace wire {
const char* const GET_POWERSTATE = "A5 A5 01 00 00 00 1C 02 00 00 69";
const char* const GET_PROJECTEDLAYOUTNUM = "A5 A5 01 00 00 00 3F 02 00 00 8C";
const char* const GET_DEVICEID = "A5 A5 01 00 00 00 0B 02 00 00 58";
const char* const START_ZSM = "A5 A5 01 00 00 00 80 06 00 00 D1";
const char* const SET_POWERSTATE_NORMAL = "A5 A5 01 00 00 00 2F 01 03 00 00 00 FB 79";
const char* const SET_ACTIVELAYOUT_0 = "A5 A5 01 00 00 00 0A 01 03 00 00 00 00 59";
const char* const SET_ACTIVELAYOUT_5 = "A5 A5 01 00 00 00 0A 01 03 00 00 00 05 5E";
}  // namespace wire

void DriverLinkTest::SetUp() {
    LinkFixture::SetUp();
    RegisterDeviceLinkHooks();
    AllowDeviceLinkStart();
    ASSERT_TRUE(CreateServiceEvents());
}

void DriverLinkTest::TearDown() {
    DeInitializeKeyBoard();
    CloseServiceEvents();
    LinkFixture::TearDown();
}

bool DriverLinkTest::WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

DialogAnswerer::DialogAnswerer(std::vector<int> buttons) : buttons_(std::move(buttons)) {
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DialogAnswerer::~DialogAnswerer() {
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
}

DWORD WINAPI DialogAnswerer::Run(LPVOID self) {
    DialogAnswerer* me = static_cast<DialogAnswerer*>(self);
    while (!me->stop_ && me->answered_ < static_cast<LONG>(me->buttons_.size())) {
        HWND dialog = FindWindowA("#32770", "Error");
        if (!dialog || !IsWindowVisible(dialog)) {
            Sleep(20);
            continue;
        }
        char text[1024] = {};
        GetDlgItemTextA(dialog, 1023, text, sizeof text);
        me->texts_.push_back(text);
        const int button = me->buttons_[me->answered_];
        InterlockedIncrement(&me->answered_);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        // Wait for this dialog to go before looking for the next one.
        while (IsWindow(dialog)) Sleep(10);
    }
    return 0;
}
