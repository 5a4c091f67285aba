// The Mouse tab end to end: the real driver on the simulated device, the real
// program, real keys and clicks. What the page shows, what reaches the device
// and the driver, the keyboard filter, "Restore Defaults", and a device that
// does not answer while the page opens.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../../../common/packet.h"
#include "../../../common/registry.h"
#include "../../../settings/resource.h"
#include "../input/recorder.h"
#include "../support/driverprocess.h"
#include "pagecontrols.h"
#include "settingsfixture.h"

namespace {

using Lines = std::vector<std::string>;

const int MOUSE_TAB = 3;
const std::vector<int> kTappingControls = {IDC_MOUSE_SPEED_LABEL, IDC_MOUSE_SPEED_SLOW, IDC_MOUSE_SPEED,
                                           IDC_MOUSE_SPEED_FAST};

class MousePage : public DevicePageTest {
protected:
    // Tap to click is off in the driver from its start.
    void BeforeDriverStarts() override { StoreDword(REG_MOUSE_SESSION_KEY, "EnableTap", 0); }

    HWND OpenMousePage() { return OpenPage(MOUSE_TAB, GET_TAPSPEED); }
};

TEST_F(MousePage, ShowsTheDeviceAndSendsAKeyMoveOnceAtItsEnd) {
    ASSERT_TRUE(sim.Run("set mousesensitivity 3"));
    ASSERT_TRUE(sim.Run("set tapspeed 4"));
    StoreDword(REG_MOUSE_DEFAULT_KEY, "MinSensitivity", 2);
    StoreDword(REG_MOUSE_DEFAULT_KEY, "MaxSensitivity", 8);
    StoreDword(REG_MOUSE_SESSION_KEY, "EnableTap", 1);
    HWND page = OpenMousePage();
    ASSERT_NE(nullptr, page);
    EXPECT_EQ((Lines{"0226", "0234"}), LastOpcodes(sim, 2)) << "touch sensitivity, then tapping speed";

    // Stored limits give the touch range; absent ones the tapping range 1..10.
    const TrackbarState touch = ReadTrackbar(Control(IDC_MOUSE_TOUCH));
    EXPECT_EQ(2, touch.min);
    EXPECT_EQ(8, touch.max);
    EXPECT_EQ(3, touch.position);
    EXPECT_EQ((std::vector<int>{2, 3, 4, 5, 6, 7}), touch.ticks);
    const TrackbarState speed = ReadTrackbar(Control(IDC_MOUSE_SPEED));
    EXPECT_EQ(1, speed.min);
    EXPECT_EQ(10, speed.max);
    EXPECT_EQ(4, speed.position);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}), speed.ticks);
    EXPECT_TRUE(IsChecked(Control(IDC_MOUSE_TAP)));
    EXPECT_EQ("1111", EnabledStates(page, kTappingControls));

    // Two steps with the key held down: one command when it is let go.
    ASSERT_TRUE(sim.Run("clearlog"));
    Focus(Control(IDC_MOUSE_TOUCH));
    HoldKey(VK_RIGHT, 2);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_MOUSESENSITIVITY) == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(5, TrackbarPosition(Control(IDC_MOUSE_TOUCH)));
    EXPECT_EQ((Lines{"05"}), ReceivedPayloads(sim, SET_MOUSESENSITIVITY));
    EXPECT_EQ(0u, ReceivedCount(sim, SET_TAPSPEED)) << "the tapping speed was not moved";

    // Away and back before the keys are let go: nothing to send (the step
    // after it shows that everything before it has arrived).
    KeyDown(VK_LEFT);
    KeyDown(VK_RIGHT);
    KeyUp(VK_RIGHT);
    KeyUp(VK_LEFT);
    HoldKey(VK_LEFT, 1);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_MOUSESENSITIVITY) == 2; }));
    EXPECT_EQ((Lines{"05", "04"}), ReceivedPayloads(sim, SET_MOUSESENSITIVITY)) << "released where it was";

    // The tapping speed goes in two bytes.
    Focus(Control(IDC_MOUSE_SPEED));
    Keys(VK_END);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_TAPSPEED) == 1; }));
    EXPECT_EQ((Lines{"0A 00"}), ReceivedPayloads(sim, SET_TAPSPEED));
    Lines state;
    ASSERT_TRUE(sim.Run("get tapspeed", &state));
    EXPECT_EQ(Lines{"tapspeed 10"}, state);
}

TEST_F(MousePage, OnlySpaceEndHomeAndTheArrowsActInsideThePage) {
    HWND page = OpenMousePage();
    ASSERT_NE(nullptr, page);
    ASSERT_TRUE(sim.Run("clearlog"));
    HWND touch = Control(IDC_MOUSE_TOUCH);
    Focus(touch);
    ASSERT_EQ(touch, FocusOf(page));
    Keys(VK_HOME);
    ASSERT_TRUE(WaitUntil([&] { return TrackbarPosition(touch) == 1; }));

    // Input arrives in order: once the last arrow has acted, every key before it has too.
    for (WORD key : {VK_TAB, VK_RETURN, VK_ESCAPE, VK_NEXT}) Keys(key);
    Keys(VK_RIGHT);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_MOUSESENSITIVITY) == 2; }));
    EXPECT_EQ(2, TrackbarPosition(touch)) << "Page Down moved the trackbar, or Tab the focus";
    EXPECT_EQ(touch, FocusOf(page)) << "Tab moved the focus";
    EXPECT_FALSE(SettingsEnded(0)) << "Enter or Escape closed the window";
    EXPECT_EQ((Lines{"01", "02"}), ReceivedPayloads(sim, SET_MOUSESENSITIVITY));

    // Enter does not press the focused button; Space does. With no factory
    // values stored the defaults are 2 and 5, and tap to click off.
    Focus(Control(IDC_MOUSE_DEFAULTS));
    Keys(VK_RETURN);
    // Tap to click on, so that the defaults have something to turn off.
    Click(Control(IDC_MOUSE_TAP));
    ASSERT_TRUE(WaitUntil([&] { return StoredDword(REG_MOUSE_SESSION_KEY, "EnableTap") == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(0u, ReceivedCount(sim, SET_TAPSPEED)) << "Enter pressed \"Restore Defaults\"";
    ASSERT_TRUE(sim.Run("clearlog"));
    Focus(Control(IDC_MOUSE_DEFAULTS));
    Keys(VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return StoredDword(REG_MOUSE_SESSION_KEY, "EnableTap") == 0; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Lines{"011C", "0125"}), ReceivedOpcodes(sim)) << "touch sensitivity, then tapping speed";
    EXPECT_EQ((Lines{"02"}), ReceivedPayloads(sim, SET_MOUSESENSITIVITY));
    EXPECT_EQ((Lines{"05 00"}), ReceivedPayloads(sim, SET_TAPSPEED));
    EXPECT_FALSE(IsChecked(Control(IDC_MOUSE_TAP)));
    EXPECT_EQ("0000", EnabledStates(page, kTappingControls));
    EXPECT_EQ(2, TrackbarPosition(touch));
    EXPECT_EQ(5, TrackbarPosition(Control(IDC_MOUSE_SPEED)));
}

TEST_F(MousePage, TheTapBoxSwitchesTheDriversTapsAndKeepsTheSessionValue) {
    HWND page = OpenMousePage();
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(IsChecked(Control(IDC_MOUSE_TAP)));
    EXPECT_EQ("0000", EnabledStates(page, kTappingControls));

    // A window of its own away from the settings window, the pointer on it.
    RecorderWindow target;
    ASSERT_TRUE(target.Open("Tap target"));
    MoveWindow(target.Handle(), 0, 0, 300, 180, TRUE);
    const auto tapOnTarget = [&] {
        SetForegroundWindow(target.Handle());
        WaitUntil([&] { return GetForegroundWindow() == target.Handle(); }, 5000);
        target.Take();
        SetCursorPos(150, 120);
        EXPECT_TRUE(sim.Run("lefttap"));
        EXPECT_TRUE(target.AwaitDeviceMarker([&] { return sim.Run("marker"); }))
            << "the device's marker key was never typed";
        return target.Take();
    };
    EXPECT_EQ(Lines{}, tapOnTarget()) << "tap to click was off";

    Click(Control(IDC_MOUSE_TAP));
    ASSERT_TRUE(WaitUntil([&] { return StoredDword(REG_MOUSE_SESSION_KEY, "EnableTap") == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(IsChecked(Control(IDC_MOUSE_TAP)));
    EXPECT_EQ("1111", EnabledStates(page, kTappingControls));
    EXPECT_EQ((Lines{"ldown", "lup"}), tapOnTarget());

    Click(Control(IDC_MOUSE_TAP));
    ASSERT_TRUE(WaitUntil([&] { return StoredDword(REG_MOUSE_SESSION_KEY, "EnableTap") == 0; }));
    ASSERT_TRUE(Idle());
    EXPECT_FALSE(IsChecked(Control(IDC_MOUSE_TAP)));
    EXPECT_EQ("0000", EnabledStates(page, kTappingControls));
    EXPECT_EQ(Lines{}, tapOnTarget());
    target.Close();
}

TEST_F(MousePage, SilentDeviceCancelAndTurnOffStopTheOpeningOnly) {
    ASSERT_TRUE(sim.Run("silent 0226"));
    ASSERT_TRUE(StartSettings());
    SelectTab(MOUSE_TAB);
    ASSERT_TRUE(AnswerDeviceError(IDCANCEL));
    ASSERT_TRUE(Idle());
    EXPECT_FALSE(SettingsEnded(0));
    EXPECT_NE(nullptr, Control(IDC_MOUSE_TOUCH)) << "the Mouse page stays";
    EXPECT_EQ(0u, ReceivedCount(sim, GET_TAPSPEED)) << "the opening went on after Cancel";

    // Turn Off: the driver is turned off; the page stops opening.
    ASSERT_NE(nullptr, SelectTab(6));
    SelectTab(MOUSE_TAB);
    ASSERT_TRUE(AnswerDeviceError(IDC_TURNOFF));
    ASSERT_TRUE(WaitUntil([] { return DriverProcesses().empty(); })) << "the driver still runs";
    EXPECT_EQ(0u, ReceivedCount(sim, GET_TAPSPEED)) << "the opening went on after Turn Off";
}

// The driver's control port stood in for: every request is seen and answered "1".
class MousePageRequests : public SettingsFixture {};

TEST_F(MousePageRequests, AShortReplyIsNoReplyAndTheTapBoxSendsOneThenZero) {
    FakeDriver driver;
    ASSERT_TRUE(driver.Listening());
    ASSERT_TRUE(StartSettings());
    SelectTab(MOUSE_TAB);
    // The tapping speed comes in two bytes: a one-byte "1" is no reply.
    ASSERT_TRUE(AnswerDeviceError(IDCANCEL));

    Click(Control(IDC_MOUSE_TAP));
    ASSERT_TRUE(WaitUntil([&] { return StoredDword(REG_MOUSE_SESSION_KEY, "EnableTap") == 1; }));
    ASSERT_TRUE(Idle());
    Click(Control(IDC_MOUSE_TAP));
    ASSERT_TRUE(WaitUntil([&] { return StoredDword(REG_MOUSE_SESSION_KEY, "EnableTap") == 0; }));
    ASSERT_TRUE(Idle());
    const Lines requests = driver.Requests();
    ASSERT_GE(requests.size(), 5u);
    EXPECT_EQ("connect", requests[0]);
    EXPECT_EQ("A5 A5 01 00 00 00 34 02 00 00 81", requests[2]) << "the tapping speed query";
    EXPECT_EQ((Lines{"0D 01", "0D 00"}), Lines(requests.end() - 2, requests.end()));
}

TEST_F(MousePage, MousePropertiesFailsQuietly) {
    HWND page = OpenMousePage();
    ASSERT_NE(nullptr, page);
    Click(Control(IDC_MOUSE_PROPERTIES));
    // The tap box's click is handled after the button's, by the message loop
    // of a message box too: once its setting is stored, a message would show.
    Click(Control(IDC_MOUSE_TAP));
    ASSERT_TRUE(WaitUntil([&] { return StoredDword(REG_MOUSE_SESSION_KEY, "EnableTap") == 1; }));
    EXPECT_EQ(1, VisibleTopLevelWindows(SettingsProcessId())) << "the program showed a message";
    EXPECT_FALSE(SettingsEnded(0));
}

}  // namespace
