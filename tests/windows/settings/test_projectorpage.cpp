// The Projector tab end to end: the real driver on the simulated device, the
// real program, real keys and clicks. The switch and both brightness levels,
// their ranges and ticks, changes at the end of a move, a refused switch,
// "Restore Defaults", and a silent device.
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

const int PROJECTOR_TAB = 1;
const std::vector<int> kBrightnessControls = {
    IDC_PROJECTOR_NORMAL_LABEL,  IDC_PROJECTOR_NORMAL_DIM,  IDC_PROJECTOR_NORMAL,  IDC_PROJECTOR_NORMAL_FULL,
    IDC_PROJECTOR_STANDBY_LABEL, IDC_PROJECTOR_STANDBY_OFF, IDC_PROJECTOR_STANDBY, IDC_PROJECTOR_STANDBY_FULL};

std::vector<int> Steps(int from, int to) {
    std::vector<int> steps;
    for (int step = from; step <= to; ++step) steps.push_back(step);
    return steps;
}

class ProjectorPage : public DevicePageTest {
protected:
    HWND OpenProjectorPage() { return OpenPage(PROJECTOR_TAB, GET_PROJECTORSTANDBYLEVEL); }

    // "On" and "Off" as "10" or "01".
    std::string Switch() {
        return std::string(IsChecked(Control(IDC_PROJECTOR_ON)) ? "1" : "0") +
               (IsChecked(Control(IDC_PROJECTOR_OFF)) ? "1" : "0");
    }
};

TEST_F(ProjectorPage, ShowsTheDeviceAndSendsSwitchAndLevelsAsTheyChange) {
    ASSERT_TRUE(sim.Run("set normallevel 20"));
    ASSERT_TRUE(sim.Run("set standbylevel 5"));
    StoreDword(REG_NORMAL_LEVEL_KEY, "Min", 4);
    StoreDword(REG_NORMAL_LEVEL_KEY, "Max", 40);
    HWND page = OpenProjectorPage();
    ASSERT_NE(nullptr, page);
    EXPECT_EQ((Lines{"0204", "021A", "021B"}), LastOpcodes(sim, 3));
    EXPECT_EQ("10", Switch());
    EXPECT_EQ("11111111", EnabledStates(page, kBrightnessControls));

    // Normal: the stored range, ticks from the minimum; standby: 0..31 without
    // stored limits, ticks inside the ends.
    const TrackbarState normal = ReadTrackbar(Control(IDC_PROJECTOR_NORMAL));
    EXPECT_EQ(4, normal.min);
    EXPECT_EQ(40, normal.max);
    EXPECT_EQ(20, normal.position);
    EXPECT_EQ(Steps(4, 39), normal.ticks);
    const TrackbarState standby = ReadTrackbar(Control(IDC_PROJECTOR_STANDBY));
    EXPECT_EQ(0, standby.min);
    EXPECT_EQ(31, standby.max);
    EXPECT_EQ(5, standby.position);
    EXPECT_EQ(Steps(1, 30), standby.ticks);

    // A key move sends at its end; a move back before the end sends nothing.
    ASSERT_TRUE(sim.Run("clearlog"));
    Focus(Control(IDC_PROJECTOR_NORMAL));
    HoldKey(VK_RIGHT, 3);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_PROJECTORNORMALLEVEL) == 1; }));
    Focus(Control(IDC_PROJECTOR_STANDBY));
    KeyDown(VK_UP);
    KeyDown(VK_DOWN);
    KeyUp(VK_DOWN);
    KeyUp(VK_UP);
    HoldKey(VK_LEFT, 1);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_PROJECTORSTANDBYLEVEL) == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Lines{"0112", "0113"}), ReceivedOpcodes(sim));
    EXPECT_EQ((Lines{"17"}), ReceivedPayloads(sim, SET_PROJECTORNORMALLEVEL)) << "23";
    EXPECT_EQ((Lines{"04"}), ReceivedPayloads(sim, SET_PROJECTORSTANDBYLEVEL));

    // "Off" switches the projector off and the brightness controls with it.
    Click(Control(IDC_PROJECTOR_OFF));
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_PROJECTORSWITCH) == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Lines{"00"}), ReceivedPayloads(sim, SET_PROJECTORSWITCH));
    EXPECT_EQ("01", Switch());
    EXPECT_EQ("00000000", EnabledStates(page, kBrightnessControls));

    // The defaults: the absent factory switch means on, the absent normal
    // level 31, the standby level as stored.
    StoreDword(REG_STANDBY_LEVEL_KEY, "Default", 7);
    ASSERT_TRUE(sim.Run("clearlog"));
    Click(Control(IDC_PROJECTOR_DEFAULTS));
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_PROJECTORSTANDBYLEVEL) == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Lines{"0104", "0112", "0113"}), ReceivedOpcodes(sim));
    EXPECT_EQ((Lines{"01"}), ReceivedPayloads(sim, SET_PROJECTORSWITCH));
    EXPECT_EQ((Lines{"1F"}), ReceivedPayloads(sim, SET_PROJECTORNORMALLEVEL));
    EXPECT_EQ((Lines{"07"}), ReceivedPayloads(sim, SET_PROJECTORSTANDBYLEVEL));
    EXPECT_EQ("10", Switch());
    EXPECT_EQ("11111111", EnabledStates(page, kBrightnessControls));
    EXPECT_EQ(31, TrackbarPosition(Control(IDC_PROJECTOR_NORMAL)));
    EXPECT_EQ(7, TrackbarPosition(Control(IDC_PROJECTOR_STANDBY)));
}

TEST_F(ProjectorPage, ARefusedSwitchAsksAndChangesNothingElse) {
    HWND page = OpenProjectorPage();
    ASSERT_NE(nullptr, page);
    ASSERT_TRUE(sim.Run("silent 0104"));
    Click(Control(IDC_PROJECTOR_OFF));
    HWND prompt = WaitForDialog("Error");
    ASSERT_NE(nullptr, prompt);
    EXPECT_EQ("Please check the connection.\n\nAnd make sure that the Tavelin is turned on.", DialogMessage(prompt));
    Press(prompt, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(prompt); }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ("11111111", EnabledStates(page, kBrightnessControls)) << "the device kept its projector on";
    EXPECT_EQ(1u, ReceivedCount(sim, SET_PROJECTORSWITCH));
}

TEST_F(ProjectorPage, SilentDeviceCancelAndTurnOffEndTheProgram) {
    // Cancel: the program ends; the levels are not asked for.
    ASSERT_TRUE(sim.Run("silent 0204"));
    ASSERT_TRUE(StartSettings());
    SelectTab(PROJECTOR_TAB);
    ASSERT_TRUE(AnswerDeviceError(IDCANCEL));
    EXPECT_TRUE(SettingsEnded(UI_TIMEOUT_MS)) << "Cancel did not end the program";
    EXPECT_EQ((Lines{"0204"}), LastOpcodes(sim, 1));

    // Turn Off, on the standby level: the driver is turned off and the program ends.
    ASSERT_TRUE(sim.Run("silent off"));
    ASSERT_TRUE(sim.Run("silent 021B"));
    ASSERT_TRUE(StartSettings());
    SelectTab(PROJECTOR_TAB);
    ASSERT_TRUE(AnswerDeviceError(IDC_TURNOFF));
    EXPECT_TRUE(SettingsEnded(UI_TIMEOUT_MS)) << "Turn Off did not end the program";
    EXPECT_TRUE(WaitUntil([] { return DriverProcesses().empty(); })) << "the driver still runs";
}

}  // namespace
