#include "pagecontrols.h"

#include <commctrl.h>

#include "../support/simclient.h"

void DevicePageTest::SetUp() {
    SettingsFixture::SetUp();
    BeforeDriverStarts();
    ASSERT_TRUE(StartDriver()) << "the driver did not start";
    ASSERT_TRUE(sim.Run("clearlog"));
}

HWND DevicePageTest::OpenPage(int tab, unsigned short lastQuery) {
    EXPECT_TRUE(StartSettings()) << "no main window";
    // A click while a new window is still being put on the screen can miss it.
    EXPECT_TRUE(Idle());
    HWND page = SelectTab(tab);
    EXPECT_NE(nullptr, page) << "tab " << tab << " shows no page";
    EXPECT_TRUE(WaitUntil([&] { return ReceivedCount(sim, lastQuery) == 1; })) << "the page did not read the device";
    EXPECT_TRUE(Idle());
    return page;
}

TrackbarState ReadTrackbar(HWND trackbar) {
    TrackbarState state;
    state.min = static_cast<int>(SendMessageA(trackbar, TBM_GETRANGEMIN, 0, 0));
    state.max = static_cast<int>(SendMessageA(trackbar, TBM_GETRANGEMAX, 0, 0));
    state.position = TrackbarPosition(trackbar);
    // The count includes the ticks that every trackbar draws at both ends.
    const int count = static_cast<int>(SendMessageA(trackbar, TBM_GETNUMTICS, 0, 0));
    for (int i = 0; i + 2 < count; ++i) state.ticks.push_back(static_cast<int>(SendMessageA(trackbar, TBM_GETTIC, i, 0)));
    return state;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

void HoldKey(WORD key, int presses) {
    for (int i = 0; i < presses; ++i) KeyDown(key);
    KeyUp(key);
}

std::string EnabledStates(HWND page, const std::vector<int>& ids) {
    std::string states;
    for (int id : ids) states += IsWindowEnabled(GetDlgItem(page, id)) ? '1' : '0';
    return states;
}

std::vector<std::string> ReceivedOpcodes(SimClient& sim) {
    // The log line's bytes 6 and 7 are the opcode, low byte first.
    std::vector<std::string> opcodes;
    for (const std::string& command : sim.ReceivedCommands())
        if (command.size() >= 23) opcodes.push_back(command.substr(21, 2) + command.substr(18, 2));
    return opcodes;
}

std::vector<std::string> LastOpcodes(SimClient& sim, size_t count) {
    std::vector<std::string> opcodes = ReceivedOpcodes(sim);
    if (opcodes.size() > count) opcodes.erase(opcodes.begin(), opcodes.end() - count);
    return opcodes;
}

