// Control messages through a plain socket: each code's effect inside the
// driver and its one-byte reply, with the device link running on the
// simulated device.
#include <gtest/gtest.h>

#include <string>

#include "../../../common/registry.h"
#include "../../../common/uiseam.h"
#include "../../../driver/devicelink/commands.h"
#include "../../../common/worker.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/keyrepeat.h"
#include "../../../driver/input/sound.h"
#include "../../../driver/service/controlserver.h"
#include "../../../driver/service/serviceevents.h"
#include "../../../driver/service/tray.h"
#include "../support/dialogpresser.h"
#include "serverfixture.h"

namespace {

using Lines = std::vector<std::string>;

Bytes KeyRepeat(unsigned char enabled, unsigned short rate, unsigned short hold) {
    return {5,
            enabled,
            static_cast<unsigned char>(rate),
            static_cast<unsigned char>(rate >> 8),
            static_cast<unsigned char>(hold),
            static_cast<unsigned char>(hold >> 8)};
}

struct RepeatRow {
    unsigned short rate;
    unsigned short hold;
    unsigned short interval;
};

TEST_F(ControlServerTest, KeyRepeatTakesTheIntervalFromTheRateAndTheHoldAsSent) {
    const RepeatRow rows[] = {{30, 500, 33}, {20, 1050, 50}, {1, 0, 1000}, {1000, 250, 1}};
    for (const RepeatRow& row : rows) {
        ApplyKeyRepeatSettings(0, 20, 1050);
        EXPECT_EQ(REPLY_ONE, Request(KeyRepeat(1, row.rate, row.hold))) << row.rate;
        const KeyRepeatSettings now = CurrentKeyRepeatSettings();
        EXPECT_EQ(row.interval, now.intervalMs) << row.rate;
        EXPECT_EQ(row.hold, now.holdMs) << row.rate;
        EXPECT_EQ(1, now.enabled) << row.rate;
    }
    EXPECT_EQ(REPLY_ONE, Request(KeyRepeat(0, 25, 700)));
    EXPECT_EQ(0, CurrentKeyRepeatSettings().enabled);
}

TEST_F(ControlServerTest, KeyRepeatRateZeroIsRefusedAndKeepsTheSettingsInForce) {
    ASSERT_EQ(REPLY_ONE, Request(KeyRepeat(1, 30, 500)));
    EXPECT_EQ(REPLY_ZERO, Request(KeyRepeat(0, 0, 900)));
    const KeyRepeatSettings now = CurrentKeyRepeatSettings();
    EXPECT_EQ(33, now.intervalMs);
    EXPECT_EQ(500, now.holdMs);
    EXPECT_EQ(1, now.enabled);
}

std::string gPlayedSound;

BOOL WINAPI RecordSound(LPCSTR sound, HMODULE, DWORD) {
    gPlayedSound = sound ? sound : "";
    return TRUE;
}

// The file a key click plays now, or "" when the click is silent.
std::string KeyClickSound() {
    g_ui.playSoundA = RecordSound;
    gPlayedSound.clear();
    PlayKeySound(SOUND_REGULAR);
    g_ui.playSoundA = PlaySoundA;
    return gPlayedSound;
}

TEST_F(ControlServerTest, KeySoundReloadsTheRegistryWhichHasTheLastWord) {
    SetDwordValueFromRegistry(REG_AUDIO_SESSION_KEY, "Enable", 0);
    EXPECT_EQ(REPLY_ONE, Request({6, 1}));
    EXPECT_EQ("", KeyClickSound()) << "the registry says off";

    SetDwordValueFromRegistry(REG_AUDIO_SESSION_KEY, "Enable", 1);
    SetStringValueInRegistry(HKEY_LOCAL_MACHINE, REG_AUDIO_SESSION_KEY, "SoundRegular", "chosen.wav");
    EXPECT_EQ(REPLY_ONE, Request({6, 0}));
    const std::string played = KeyClickSound();
    const std::string chosen = "\\Media\\chosen.wav";
    ASSERT_GE(played.size(), chosen.size()) << "the registry says on";
    EXPECT_EQ(chosen, played.substr(played.size() - chosen.size()));
}

TEST_F(ControlServerTest, SettingsWindowIsStoredAndHearsOfPowerAndConnection) {
    NoticeWindow window;
    EXPECT_EQ(REPLY_ONE, Request(Concat({{11}, window.HandleBytes()}))) << "connected";

    ASSERT_TRUE(sim.Run("power FC"));
    EXPECT_EQ(POWER_MODE_STANDBY, window.TakePosted(WM_POWER_MODE, 3000));

    EXPECT_EQ(REPLY_ONE, Request({14, 0}));
    EXPECT_EQ(0, window.TakePosted(WM_CONNECTION_STATE, 3000));
    EXPECT_EQ(REPLY_ZERO, Request(Concat({{11}, window.HandleBytes()}))) << "disconnected";

    // The connection change is posted before the reply: once the reply is
    // here, a window still registered would have it in its queue.
    EXPECT_EQ(REPLY_ZERO, Request({11, 0, 0, 0, 0}));
    EXPECT_EQ(REPLY_ONE, Request({14, 1}));
    EXPECT_EQ(-1, window.TakePosted(WM_CONNECTION_STATE, 0)) << "0 unregisters";
}

TEST_F(ControlServerTest, EnableConnectionChangesOnlyADifferentState) {
    EXPECT_EQ(REPLY_ONE, Request({14, 1}));
    EXPECT_EQ(1, GetConnectionState());
    EXPECT_EQ(Lines{}, Commands()) << "asking for the current state does nothing";

    EXPECT_EQ(REPLY_ONE, Request({14, 2})) << "2 is neither state: it toggles";
    EXPECT_EQ(0, GetConnectionState());
    EXPECT_EQ(0u, PortHeldNow());
    EXPECT_EQ(0u, GetDwordValueFromRegistry(REG_COMPORT_KEY, "Connected", 7));

    EXPECT_EQ(REPLY_ONE, Request({14, 0}));
    EXPECT_EQ(0, GetConnectionState());

    ASSERT_TRUE(sim.Run("clearlog"));
    EXPECT_EQ(REPLY_ONE, Request({14, 1}));
    EXPECT_EQ(1, GetConnectionState());
    EXPECT_EQ((Lines{wire::START_ZSM, wire::GET_PROJECTEDLAYOUTNUM, wire::GET_DEVICEID, wire::SET_ACTIVELAYOUT_5}),
              Commands())
        << "connecting starts the device and sets its layout";
    EXPECT_TRUE(CommandSemaphoreFree());
}

TEST_F(ControlServerTest, FailedConnectionStillRepliesOne) {
    ASSERT_EQ(REPLY_ONE, Request({14, 0}));
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 9);
    EXPECT_EQ(REPLY_ONE, Request({14, 1}));
    EXPECT_EQ(0, GetConnectionState());
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Error", messages[0].caption);
}

TEST_F(ControlServerTest, TrayIconCommandRepliesOne) {
    EXPECT_EQ(REPLY_ONE, Request({15, 0}));
    EXPECT_EQ(REPLY_ONE, Request({15, 1}));
}

TEST_F(ControlServerTest, InitStartsTheDeviceLinkAgain) {
    const LONG terminations = WorkerTerminationCount();
    EXPECT_EQ(REPLY_ONE, Request({7}));
    EXPECT_EQ((Lines{wire::GET_POWERSTATE, wire::GET_PROJECTEDLAYOUTNUM, wire::GET_DEVICEID, wire::SET_ACTIVELAYOUT_5}),
              Commands());
    EXPECT_EQ(1, GetConnectionState());
    EXPECT_EQ(terminations, WorkerTerminationCount()) << "the old link threads ended by themselves";
    EXPECT_TRUE(CommandSemaphoreFree());
    EXPECT_EQ(Bytes{0x05}, Request(CommandPacket(GET_KEYSENSITIVITY))) << "the restarted link serves";
}

TEST_F(ControlServerTest, InitRepliesZeroWhenTheDeviceDoesNotAnswer) {
    ASSERT_TRUE(sim.Run("silent 021C"));
    EXPECT_EQ(REPLY_ZERO, Request({7}));
    EXPECT_EQ(0, GetConnectionState());
}

TEST_F(ControlServerTest, ReinitStartsTheDeviceAndSetsItsLayout) {
    const DWORD start = GetTickCount();
    EXPECT_EQ(REPLY_ONE, Request({10}));
    EXPECT_GE(GetTickCount() - start, 2000u) << "the device settles after its start";
    EXPECT_EQ((Lines{wire::START_ZSM, wire::GET_PROJECTEDLAYOUTNUM, wire::GET_DEVICEID, wire::SET_ACTIVELAYOUT_5}),
              Commands());
    EXPECT_TRUE(CommandSemaphoreFree());
}

TEST_F(ControlServerTest, ReinitRepliesZeroWhenTheUserCancelsTheStart) {
    ASSERT_TRUE(sim.Run("silent 0680"));
    DialogPresser answerer({IDCANCEL});
    EXPECT_EQ(REPLY_ZERO, Request({10}));
    EXPECT_EQ(1u, answerer.Shown().size());
    EXPECT_TRUE(CommandSemaphoreFree());
}

TEST_F(ControlServerTest, DeinitRepliesOneThenTheDriverStopsAndTheConnectionCloses) {
    EXPECT_EQ(REPLY_ONE, Request({8}));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_hServiceStopEvent, 3000));
    EXPECT_TRUE(CommandSemaphoreFree());
    // What the driver's shut-down does with the control port.
    StopControlServer();
    EXPECT_TRUE(client->ClosedByServer(3000));
}

TEST_F(ControlServerTest, EveryMessageGivesTheCommandSemaphoreBack) {
    NoticeWindow window;
    const Bytes requests[] = {KeyRepeat(1, 20, 600), KeyRepeat(1, 0, 600), {6, 0}, {13, 1},
                              Concat({{11}, window.HandleBytes()}), {12, '9'}, {14, 1}, {15, 1},
                              CommandPacket(GET_KEYSENSITIVITY), CommandPacket(SET_KEYSENSITIVITY, {0, 0, 4})};
    for (const Bytes& request : requests) {
        EXPECT_NE(NO_REPLY, Request(request)) << unsigned(request[0]);
        EXPECT_TRUE(CommandSemaphoreFree()) << unsigned(request[0]);
    }
}

}  // namespace
