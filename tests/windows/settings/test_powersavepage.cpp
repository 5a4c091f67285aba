// The Power Save tab end to end: the real driver on the simulated device, the
// real program, clicks on the up-down arrows. The fields in seconds,
// milliseconds and minutes against the device's milliseconds, one command per
// change, a refused change, "Restore Defaults", and a silent device.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../../../common/packet.h"
#include "../../../settings/devicevalue.h"
#include "../../../settings/resource.h"
#include "../support/driverprocess.h"
#include "pagecontrols.h"
#include "settingsfixture.h"

namespace {

using Lines = std::vector<std::string>;

const int POWER_SAVE_TAB = 4;
// Labels, fields and up-down controls of the three rows, then the unit labels.
const std::vector<int> kRowControls = {
    IDC_POWER_NOACTIVITY_LABEL, IDC_POWER_NOACTIVITY, IDC_POWER_NOACTIVITY_SPIN,
    IDC_POWER_REACTION_LABEL,   IDC_POWER_REACTION,   IDC_POWER_REACTION_SPIN,
    IDC_POWER_STANDBY_LABEL,    IDC_POWER_STANDBY,    IDC_POWER_STANDBY_SPIN,
    IDC_POWER_NOACTIVITY_UNIT,  IDC_POWER_REACTION_UNIT, IDC_POWER_STANDBY_UNIT};

class PowerSavePage : public DevicePageTest {
protected:
    HWND OpenPowerSavePage() { return OpenPage(POWER_SAVE_TAB, GET_STANDBYPERIOD); }

    std::string Fields() {
        return WindowText(Control(IDC_POWER_NOACTIVITY)) + " " + WindowText(Control(IDC_POWER_REACTION)) + " " +
               WindowText(Control(IDC_POWER_STANDBY));
    }
};

TEST_F(PowerSavePage, FieldsShowTheDeviceInTheirUnitsAndEveryChangeIsSentOnce) {
    ASSERT_TRUE(sim.Run("set powermode 1"));
    ASSERT_TRUE(sim.Run("set noactivityperiod 75000"));
    ASSERT_TRUE(sim.Run("set reactiontime 200"));
    StoreDword(REG_POWER_DEFAULT_KEY, "MinNoActivity", 5);
    StoreDword(REG_POWER_DEFAULT_KEY, "MaxNoActivity", 300);
    HWND page = OpenPowerSavePage();
    ASSERT_NE(nullptr, page);
    EXPECT_EQ((Lines{"0217", "0213", "0216", "0214"}), LastOpcodes(sim, 4));
    EXPECT_EQ("75 200 10", Fields()) << "600000 ms of standby period are 10 minutes";
    EXPECT_TRUE(IsChecked(Control(IDC_POWER_ENABLE)));
    EXPECT_EQ("111111111111", EnabledStates(page, kRowControls));

    // A step of 30 seconds down: 45 seconds, sent once in milliseconds.
    ASSERT_TRUE(sim.Run("clearlog"));
    ClickSpinArrow(Control(IDC_POWER_NOACTIVITY_SPIN), false);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_NOACTIVITYPERIOD) == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Lines{"C8 AF 00 00"}), ReceivedPayloads(sim, SET_NOACTIVITYPERIOD)) << "45000";
    EXPECT_EQ("45 200 10", Fields());
    EXPECT_EQ(Control(IDC_POWER_NOACTIVITY_SPIN), FocusOf(page));

    // Up and back with the arrow keys (which end no scroll action), then a
    // click on another row: only that row is sent.
    Focus(Control(IDC_POWER_NOACTIVITY));
    Keys(VK_UP);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(Control(IDC_POWER_NOACTIVITY)) == "75"; }));
    Keys(VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(Control(IDC_POWER_NOACTIVITY)) == "45"; }));
    ClickSpinArrow(Control(IDC_POWER_REACTION_SPIN), true);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_REACTIONTIME) == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Lines{"010B", "010E"}), ReceivedOpcodes(sim)) << "the standby delay back at its value was sent";
    EXPECT_EQ((Lines{"FA 00"}), ReceivedPayloads(sim, SET_REACTIONTIME)) << "250 ms in two bytes";
    ClickSpinArrow(Control(IDC_POWER_STANDBY_SPIN), true);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_STANDBYPERIOD) == 1; }));
    EXPECT_EQ((Lines{"20 12 0A 00"}), ReceivedPayloads(sim, SET_STANDBYPERIOD)) << "11 minutes: 660000 ms";

    // A change the device does not take: the held value comes back, no prompt.
    ASSERT_TRUE(sim.Run("silent 010E once"));
    ClickSpinArrow(Control(IDC_POWER_REACTION_SPIN), true);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_REACTIONTIME) == 2; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ("45 250 11", Fields()) << "the refused 300 ms stayed in the field";
    EXPECT_EQ(1, VisibleTopLevelWindows(SettingsProcessId())) << "a refused field asks nothing";
    Lines state;
    ASSERT_TRUE(sim.Run("get reactiontime", &state));
    EXPECT_EQ(Lines{"reactiontime 250"}, state);

    // The defaults, none stored: 5 s, 150 ms, 10 min and power save off, in this order.
    ASSERT_TRUE(sim.Run("clearlog"));
    Click(Control(IDC_POWER_DEFAULTS));
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_POWERMODE) == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Lines{"010B", "010E", "010C", "010F"}), ReceivedOpcodes(sim));
    EXPECT_EQ((Lines{"88 13 00 00"}), ReceivedPayloads(sim, SET_NOACTIVITYPERIOD));
    EXPECT_EQ((Lines{"96 00"}), ReceivedPayloads(sim, SET_REACTIONTIME));
    EXPECT_EQ((Lines{"C0 27 09 00"}), ReceivedPayloads(sim, SET_STANDBYPERIOD));
    EXPECT_EQ((Lines{"00"}), ReceivedPayloads(sim, SET_POWERMODE));
    EXPECT_EQ("5 150 10", Fields());
    EXPECT_FALSE(IsChecked(Control(IDC_POWER_ENABLE)));
    EXPECT_EQ("000000000111", EnabledStates(page, kRowControls)) << "the unit labels stay enabled";
}

TEST_F(PowerSavePage, TheSwitchFollowsOnlyWhatTheDeviceTook) {
    ASSERT_TRUE(sim.Run("set powermode 1"));
    HWND page = OpenPowerSavePage();
    ASSERT_NE(nullptr, page);

    // The device is silent: the box shows off, the rows stay enabled.
    ASSERT_TRUE(sim.Run("silent 010F"));
    Click(Control(IDC_POWER_ENABLE));
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_POWERMODE) == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_FALSE(IsChecked(Control(IDC_POWER_ENABLE)));
    EXPECT_EQ("111111111111", EnabledStates(page, kRowControls));
    EXPECT_EQ(1, VisibleTopLevelWindows(SettingsProcessId())) << "the switch is sent once, without a prompt";

    // The device answers again: on, then off, each followed by the rows.
    ASSERT_TRUE(sim.Run("silent off"));
    Click(Control(IDC_POWER_ENABLE));
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_POWERMODE) == 2; }));
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(IsChecked(Control(IDC_POWER_ENABLE)));
    EXPECT_EQ("111111111111", EnabledStates(page, kRowControls));
    Click(Control(IDC_POWER_ENABLE));
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_POWERMODE) == 3; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ("000000000111", EnabledStates(page, kRowControls));
    EXPECT_EQ((Lines{"00", "01", "00"}), ReceivedPayloads(sim, SET_POWERMODE));
}

TEST_F(PowerSavePage, SilentDeviceCancelAndTurnOffEndTheProgram) {
    // Cancel: the program ends; the queries after the silent one are not sent.
    ASSERT_TRUE(sim.Run("silent 0213"));
    ASSERT_TRUE(StartSettings());
    SelectTab(POWER_SAVE_TAB);
    ASSERT_TRUE(AnswerDeviceError(IDCANCEL));
    EXPECT_TRUE(SettingsEnded(UI_TIMEOUT_MS)) << "Cancel did not end the program";
    EXPECT_EQ((Lines{"0217", "0213"}), LastOpcodes(sim, 2));

    // Turn Off: the driver is turned off and the program ends.
    ASSERT_TRUE(StartSettings());
    SelectTab(POWER_SAVE_TAB);
    ASSERT_TRUE(AnswerDeviceError(IDC_TURNOFF));
    EXPECT_TRUE(SettingsEnded(UI_TIMEOUT_MS)) << "Turn Off did not end the program";
    EXPECT_TRUE(WaitUntil([] { return DriverProcesses().empty(); })) << "the driver still runs";
}

}  // namespace
