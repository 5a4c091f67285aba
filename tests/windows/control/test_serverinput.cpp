// What the control messages change in the input that reaches the foreground
// window: key repeat timing, tap-to-click, and the device whose keys are
// typed after a port change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "../../../common/registry.h"
#include "../../../common/uiseam.h"
#include "../../../driver/devicelink/devicelink.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/sound.h"
#include "../input/recorder.h"
#include "../support/pointer.h"
#include "../support/timerwindowthread.h"
#include "serverfixture.h"

namespace {

using Messages = std::vector<std::string>;

BOOL WINAPI SilentPlaySound(LPCSTR, HMODULE, DWORD) { return TRUE; }

class ControlInputTest : public ControlServerTest {
protected:
    void SetUp() override {
        ControlServerTest::SetUp();
        g_ui.playSoundA = SilentPlaySound;
        bSoundEnabled = 0;
        ASSERT_TRUE(timerWindow_.Start());
        ASSERT_TRUE(recorder.Open("Orvik control input test"));
        SettlePointerAt(300, 250);  // over the recorder, so that clicks land there
        recorder.Take();
    }
    void TearDown() override {
        recorder.Close();
        timerWindow_.Stop();
        g_ui.playSoundA = PlaySoundA;
        ControlServerTest::TearDown();
    }

    // Runs `command` on `device`, then has `markerDevice` (the same device
    // unless named) send its marker key: what the window received until then.
    Messages Typed(SimClient& device, const char* command, SimClient* markerDevice = nullptr) {
        EXPECT_TRUE(device.Run(command)) << command;
        SimClient& marking = markerDevice ? *markerDevice : device;
        EXPECT_TRUE(recorder.AwaitDeviceMarker([&marking] { return marking.Run("marker"); }))
            << "the device's marker key was never typed";
        return recorder.Take();
    }

    RecorderWindow recorder;
    TimerWindowThread timerWindow_;
};

// Repeats come no faster than 30 a second, and none within the first 500 ms:
// more of them than that allows shows a setting that did not take.
TEST_F(ControlInputTest, RepeatRate30AndHold500DriveTheNextHeldKey) {
    ASSERT_EQ(REPLY_ONE, Request({5, 1, 30, 0, 0xF4, 0x01}));
    const double pressedAt = NowMs();
    ASSERT_TRUE(sim.Run("press 41"));
    ASSERT_TRUE(sim.RunPaced({"hold 41"}, 30));  // held for a second and a half
    ASSERT_TRUE(sim.Run("release 41"));
    ASSERT_TRUE(recorder.AwaitDeviceMarker([this] { return sim.Run("marker"); }));
    // Every repeat came between 500 ms after the press and the marker, one
    // timer period apart at the least.
    const double repeatingMs = NowMs() - pressedAt - 500;
    const Messages typed = recorder.Take();
    const size_t downs = static_cast<size_t>(std::count(typed.begin(), typed.end(), "kd 41"));
    ASSERT_GE(downs, 10u) << "the press and many repeats";
    EXPECT_LE(downs, 2 + static_cast<size_t>(repeatingMs / (1000 / 30))) << "faster or earlier than set";
}

TEST_F(ControlInputTest, TapsClickOnlyWhileTapToClickIsOn) {
    ASSERT_EQ(REPLY_ONE, Request({13, 0}));
    EXPECT_EQ(Messages{}, Typed(sim, "lefttap"));
    ASSERT_EQ(REPLY_ONE, Request({13, 1}));
    EXPECT_EQ((Messages{"ldown", "lup"}), Typed(sim, "lefttap"));
}

TEST_F(ControlInputTest, PortThatCannotBeOpenedIsRefusedAndTheOldOneKeepsWorking) {
    EXPECT_EQ(REPLY_ZERO, Request({12, '9'}));
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Error", messages[0].caption);
    EXPECT_EQ("Please select an available serial port in the Connection Settings option before attempting to "
              "connect to the Tavelin.",
              messages[0].text);
    EXPECT_EQ((Messages{"kd 41", "ch 61", "ku 41"}), Typed(sim, "type a"));
    EXPECT_EQ(Bytes{0x05}, Request(CommandPacket(GET_KEYSENSITIVITY)));
}

TEST_F(ControlInputTest, PortChangeMovesTheReaderToTheNewDevice) {
    if (!std::getenv("ORVIK_SIM2_PORT")) GTEST_SKIP() << "no second simulated device (ORVIK_SIM2_PORT)";
    SimClient second("ORVIK_SIM2_PORT");
    ASSERT_TRUE(second.Connected());
    ASSERT_TRUE(second.Run("reset"));
    ASSERT_TRUE(second.Run("set keysensitivity 9"));

    EXPECT_EQ(REPLY_ONE, Request({12, '6'}));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ((Messages{"kd 42", "ch 62", "ku 42"}), Typed(second, "type b")) << "the new device types";
    EXPECT_EQ(Messages{}, Typed(sim, "type a", &second)) << "the old one is no longer read";

    EXPECT_EQ(Bytes{0x09}, Request(CommandPacket(GET_KEYSENSITIVITY))) << "commands go to the new device";
    EXPECT_EQ(std::vector<std::string>{}, Commands());
    EXPECT_EQ(1, GetConnectionState()) << "the connection state is not this command's";
    EXPECT_EQ(5u, GetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 0)) << "nor the stored port";
}

}  // namespace
