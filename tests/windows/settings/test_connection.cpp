// The settings program and its link to the driver, with the real driver and
// the simulated devices: a port chosen with the connection off or on the
// port in use, the driver going away, a reply that comes too late, and the
// writes a user without the rights cannot make.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "../../../common/controlrequest.h"
#include "../../../common/packet.h"
#include "../../../common/registry.h"
#include "../../../settings/resource.h"
#include "settingsfixture.h"

namespace {

const int TAB_CONNECTION = 0, TAB_KEYBOARD = 2, TAB_MOUSE = 3, TAB_SOUNDS = 5;
using Strings = std::vector<std::string>;

class SettingsLink : public SettingsWithDriver {
protected:
    long long ComPort() { return StoredDword(REG_COMPORT_KEY, "Comport"); }

    std::string Ask(const ControlMessage& message) { return AskDriver(message.bytes, message.length); }
};

TEST_F(SettingsLink, APortChosenWithTheConnectionOffIsOpenedOnceAndTypes) {
    ASSERT_TRUE(sim2.Connected()) << "the second simulator (ORVIK_SIM2_PORT) does not answer";
    ASSERT_EQ("1", Ask(EncodeFlagCommand(ENABLECONNECTION_CMD, 0))) << "the connection did not switch off";
    ASSERT_TRUE(sim2.Run("clearlog"));
    ASSERT_TRUE(StartSettings());
    HWND ports = Control(IDC_CONN_PORTS);
    ASSERT_EQ("COM5", ComboSelection(ports));

    Focus(ports);
    Keys(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return ComPort() == 6; })) << "the choice was not stored";
    EXPECT_TRUE(WaitUntil([&] { return ReceivedCount(sim2, START_ZSM) >= 1; })) << "no start on COM6";
    ASSERT_TRUE(Idle());
    EXPECT_EQ(nullptr, DriverDialog()) << "the driver asked for an available port: " << WindowText(DriverDialog());
    EXPECT_EQ(nullptr, WaitForDialog(nullptr, 0)) << "the settings program showed a message";
    EXPECT_EQ(1u, ReceivedCount(sim2, START_ZSM)) << "the device was started more than once";
    EXPECT_EQ((Strings{"kd 41", "kd 42"}), TypedThrough(sim2));
    EXPECT_EQ(0, sim2.RefusedOpens()) << "COM6 was opened twice";
    EXPECT_EQ(0, sim.RefusedOpens()) << "COM5 was opened twice";
}

TEST_F(SettingsLink, ChoosingThePortInUseChangesNothing) {
    // The list shows another stored port; the driver works on COM5.
    StoreDword(REG_COMPORT_KEY, "Comport", 6);
    ASSERT_TRUE(sim.Run("clearlog"));
    ASSERT_TRUE(StartSettings());
    HWND ports = Control(IDC_CONN_PORTS);
    ASSERT_EQ("COM6", ComboSelection(ports));

    Focus(ports);
    Keys(VK_UP);
    EXPECT_TRUE(WaitUntil([&] { return ComPort() == 5; })) << "the choice was not stored";
    ASSERT_TRUE(Idle());
    EXPECT_EQ(nullptr, DriverDialog()) << "the driver asked for an available port: " << WindowText(DriverDialog());
    EXPECT_EQ(nullptr, WaitForDialog(nullptr, 0)) << "the settings program showed a message";
    EXPECT_EQ(0u, ReceivedCount(sim, START_ZSM)) << "the device in use was started again";
    EXPECT_EQ((Strings{"kd 41", "kd 42"}), TypedThrough(sim));
    EXPECT_EQ(0, sim.RefusedOpens()) << "COM5 was opened twice";
}

TEST_F(SettingsLink, WhenTheDriverEndsTheNextRequestEndsTheProgramWithoutADialog) {
    ASSERT_TRUE(StartSettings());
    ASSERT_TRUE(StopDriver());
    SelectTab(TAB_KEYBOARD);
    bool dialogSeen = false;
    const bool ended = WaitUntil(
        [&] {
            dialogSeen = dialogSeen || WaitForDialog(nullptr, 0) != nullptr;
            return SettingsEnded(0);
        },
        5000);
    EXPECT_TRUE(ended) << "the program did not end within 5 s of its request";
    EXPECT_FALSE(dialogSeen) << "a dialog asked about a driver that is gone";
}

TEST_F(SettingsLink, AReplyTooLateForItsPageIsNeverTheNextPagesValue) {
    StoreDword(REG_SENSITIVITY_DEFAULT_KEY, "Min", 1);
    StoreDword(REG_SENSITIVITY_DEFAULT_KEY, "Max", 8);
    ASSERT_TRUE(sim.Run("set keysensitivity 3"));
    ASSERT_TRUE(sim.Run("set mousesensitivity 4"));
    ASSERT_TRUE(sim.Run("delay 0201 7000 once"));
    ASSERT_TRUE(StartSettings());
    SelectTab(TAB_KEYBOARD);
    ASSERT_TRUE(AnswerDeviceError(IDCANCEL)) << "the Keyboard page did not give up on its late reply";
    ASSERT_NE(nullptr, SelectTab(TAB_MOUSE));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(4, TrackbarPosition(Control(IDC_MOUSE_TOUCH))) << "the Mouse page shows another request's reply";
    EXPECT_EQ(nullptr, WaitForDialog(nullptr, 0));
    // The keyboard's own value once the device answers in time.
    ASSERT_NE(nullptr, SelectTab(TAB_KEYBOARD));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(3, TrackbarPosition(Control(IDC_KB_SENSITIVITY)));
}

// A user who may not change the settings: each refused write is reported,
// and the page shows the stored value, not the refused one.
TEST_F(SettingsLink, ARefusedWriteIsReportedAndNeverShownAsSaved) {
    ASSERT_TRUE(sim2.Connected()) << "the second simulator (ORVIK_SIM2_PORT) does not answer";
    SetEnvironmentVariableA("ORVIK_REFUSED_VALUES", "Comport,SoundCapital,EnableTap");
    StoreDword(REG_MOUSE_SESSION_KEY, "EnableTap", 1);
    StoreString(REG_AUDIO_SESSION_KEY, "Scheme", "Sound Scheme 1");
    StoreString(REG_AUDIO_SESSION_KEY, "SoundCapital", "KeyClick2.wav");
    StoreDword(REG_AUDIO_SESSION_KEY, "Enable", 1);
    ASSERT_TRUE(sim2.Run("clearlog"));
    const bool started = StartSettings("RefusingSettings.exe");
    SetEnvironmentVariableA("ORVIK_REFUSED_VALUES", nullptr);
    ASSERT_TRUE(started);
    const std::string refusal = "Your change could not be saved. You may not have the rights to change this setting.";

    // Under Wine a key now and then reaches the window before it is in
    // front; a person presses it again, and so does the test.
    HWND message = nullptr;
    for (int attempt = 0; attempt < 3 && !message; ++attempt) {
        Focus(Control(IDC_CONN_PORTS));
        Keys(VK_DOWN);
        message = WaitForDialog("Error", 5000);
    }
    ASSERT_NE(nullptr, message) << "the refused port was not reported";
    EXPECT_EQ(refusal, DialogMessage(message));
    Press(message, IDOK);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(5, ComPort());
    EXPECT_EQ("COM5", ComboSelection(Control(IDC_CONN_PORTS))) << "the list shows the refused port";
    EXPECT_EQ(0u, ReceivedCount(sim2, START_ZSM)) << "the driver moved to a port that was not stored";

    ASSERT_NE(nullptr, SelectTab(TAB_SOUNDS));
    Focus(Control(IDC_SND_CAPITAL));
    Keys(VK_END);
    message = WaitForDialog("Error");
    ASSERT_NE(nullptr, message) << "the refused sound was not reported";
    EXPECT_EQ(refusal, DialogMessage(message));
    Press(message, IDOK);
    ASSERT_TRUE(Idle());
    EXPECT_EQ("KeyClick2.wav", StoredString(REG_AUDIO_SESSION_KEY, "SoundCapital"));
    EXPECT_EQ("KeyClick2.wav", ComboSelection(Control(IDC_SND_CAPITAL))) << "the list shows the refused sound";

    ASSERT_NE(nullptr, SelectTab(TAB_MOUSE));
    ASSERT_TRUE(IsChecked(Control(IDC_MOUSE_TAP)));
    Click(Control(IDC_MOUSE_TAP));
    message = WaitForDialog("Error");
    ASSERT_NE(nullptr, message) << "the refused tap switch was not reported";
    Press(message, IDOK);
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(IsChecked(Control(IDC_MOUSE_TAP))) << "the box shows the refused choice";
    EXPECT_EQ(1, StoredDword(REG_MOUSE_SESSION_KEY, "EnableTap"));
}

}  // namespace
