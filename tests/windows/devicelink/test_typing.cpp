// End to end: keys tapped on the simulated device travel through the COM
// port, the reader, the depacketizer and the key translation into the
// foreground window.
#include <gtest/gtest.h>

#include <algorithm>

#include "../../../driver/devicelink/commands.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/sound.h"
#include "../../../driver/service/controlserver.h"
#include "../../../driver/service/tray.h"
#include "../support/typinglink.h"
#include "../support/wait.h"

namespace {

using Messages = std::vector<std::string>;

class TypingTest : public TypingLinkTest {
protected:
    TypingTest() : TypingLinkTest("Orvik typing test") {}

    // Waits until the layout handshake that the device's last event started
    // is over: it began with its first command and got to its last, and a
    // command of the test's own made it through the link after it.
    bool HandshakeRanAndEnded() {
        const bool ran = WaitUntil([this] {
            const std::vector<std::string> commands = Commands();
            return !commands.empty() && commands[0] == wire::GET_PROJECTEDLAYOUTNUM &&
                   commands.back() == wire::SET_ACTIVELAYOUT_5;
        });
        unsigned char answer[RESPONSE_BUFFER_SIZE];
        return ran && WriteAllData(GET_POWERSTATE, nullptr, answer, CMD_CLASS_ORDINARY) == 1;
    }
};

struct TypingCase {
    const char* name;
    std::initializer_list<const char*> commands;
    Messages expected;
};

TEST_F(TypingTest, KeysFromTheDeviceArriveAsTheLayersSay) {
    const TypingCase cases[] = {
        {"ordinary key typed at its press", {"press 41"}, {"kd 41", "ch 61", "ku 41"}},
        {"its release sends nothing", {"release 41"}, {}},
        {"Tab pressed and released apart", {"press 09"}, {"kd 09", "ch 09"}},
        {"Tab release", {"release 09"}, {"ku 09"}},
        {"Shift modifies the next key", {"press A0", "press 42", "release A0"},
         {"kd 10", "kd 42", "ch 42", "ku 42", "ku 10"}},
        {"Fn+1 gives F1", {"special press 26", "press 31", "release 31", "special release 26"}, {"kd 70", "ku 70"}},
        {"Fn+0 gives F10", {"special press 26", "press 30", "special release 26"}, {"skd 79", "sku 79"}},
        {"arrow layer", {"special press 27", "press 49", "press 4A", "press 4B", "press 4C", "special release 27"},
         {"kd 26", "ku 26", "kd 25", "ku 25", "kd 28", "ku 28", "kd 27", "ku 27"}},
        {"Fn+Win latches Left Alt until Fn goes",
         {"special press 26", "press 5B", "special release 26", "release 5B"}, {"skd 12", "sku 12"}},
    };
    for (const TypingCase& c : cases) EXPECT_EQ(c.expected, Type(c.commands)) << c.name;
}

TEST_F(TypingTest, FnEnterClosesTheForegroundWindowAndTypesNothing) {
    recorder.Close();
    RecorderWindow application;
    ASSERT_TRUE(application.Open("Orvik closing application", true));
    for (const char* command : {"special press 26", "press 0D", "release 0D", "special release 26"})
        ASSERT_TRUE(sim.Run(command));
    EXPECT_TRUE(application.WaitUntilClosed(3000));
    ASSERT_TRUE(recorder.Open("Orvik typing test"));
    EXPECT_EQ((Messages{}), Type({})) << "no Enter was typed";
}

TEST_F(TypingTest, HeldKeyRepeatsAndStopsWhenTheDeviceStopsReportingIt) {
    const int HELD_EVENTS = 16;  // the device reports the key held for about 800 ms
    // No marker before the holds: it is a newer key, and key-held events
    // repeat the newest key.
    ASSERT_TRUE(sim.Run("press 41"));
    ASSERT_TRUE(sim.RunPaced({"hold 41"}, HELD_EVENTS));
    // Then no release comes: the watch must end the repeat by itself, within
    // two watch periods. The marker would end it too, so the repeats are
    // counted until they stop, and taken with the recorder's own sentinel.
    ASSERT_TRUE(WaitUntilSteady([this] { return recorder.Count("kd 41"); }, 3 * REPEAT_WATCH_INTERVAL_MS, 5000))
        << "repeating stopped";
    const Messages repeated = recorder.Take();
    ASSERT_GE(repeated.size(), 3u);
    EXPECT_EQ((Messages{"kd 41", "ch 61", "ku 41"}), Messages(repeated.begin(), repeated.begin() + 3)) << "the press";
    const long downs = static_cast<long>(std::count(repeated.begin() + 3, repeated.end(), std::string("kd 41")));
    EXPECT_GE(downs, 3) << "repeats from about 300 ms on, every 50 ms";
    // A repeat at most every 50 ms, key-held events no more often: twice
    // their number leaves room for a slow test thread.
    EXPECT_LE(downs, 2 * HELD_EVENTS);
    EXPECT_EQ(Messages{}, Type({})) << "repeating stopped";
}

TEST_F(TypingTest, BadChecksumInsideAGroupDropsOnlyThatRecord) {
    const Bytes a = KeyEvent(1, 0x41, true);
    Bytes b = KeyEvent(1, 0x42, true);
    b.back() ^= 0xFF;
    const Bytes c = KeyEvent(1, 0x43, false);
    const std::string group = "raw " + Hex(Concat({a, b, c}));
    EXPECT_EQ((Messages{"kd 41", "ch 61", "ku 41", "kd 43", "ch 63", "ku 43"}), Type({group.c_str()}));
}

TEST_F(TypingTest, WrongLayoutDropsTheGroupAndRunsTheHandshake) {
    ASSERT_TRUE(sim.Run("press 41 layout=02FFFFFF"));
    ASSERT_TRUE(HandshakeRanAndEnded());
    EXPECT_EQ((Messages{"kd 42", "ch 62", "ku 42"}), Type({"press 42"})) << "the group was dropped, typing goes on";
}

TEST_F(TypingTest, LayoutNoticeAlwaysRunsTheHandshake) {
    ASSERT_TRUE(sim.Run("notice D1"));
    EXPECT_TRUE(HandshakeRanAndEnded());
}

TEST_F(TypingTest, PowerNoticesReachOnlyARegisteredWindow) {
    EXPECT_EQ((Messages{}), Type({"power FB", "power FC"}));
    hSettingsWnd = recorder.Handle();
    EXPECT_EQ((Messages{"power 01", "power 02", "power 00"}), Type({"power FB", "power FC", "power FD"}));
    hSettingsWnd = nullptr;
}

TEST_F(TypingTest, LayoutLoadErrorShowsMessage2StopsInputAndSwitchingOnTypesAgain) {
    ASSERT_TRUE(sim.Run("notice E5"));
    ASSERT_TRUE(WaitUntil([] { return messages.size() == 1; })) << "message 2, shown by another thread";
    EXPECT_EQ("Error", messages[0].caption);
    EXPECT_EQ(0u, messages[0].text.find("Unable to set Tavelin information."));
    EXPECT_EQ(0, GetConnectionState());
    SendPastTheReader({"press 41"});
    EXPECT_EQ((Messages{}), recorder.Take()) << "input stops";
    EXPECT_EQ(1, EnableConnection()) << "switching on takes the port the link still held";
    EXPECT_EQ((Messages{"kd 42", "ch 62", "ku 42"}), Type({"press 42"})) << "and nothing of before is typed";
}

TEST_F(TypingTest, DisconnectStopsInputAndReleasesKeysTheDriverHeld) {
    EXPECT_EQ((Messages{"kd 11"}), Type({"press 11"}));  // Ctrl down, its release never comes
    DisableConnection();
    const Messages released = recorder.Take();
    EXPECT_NE(released.end(), std::find(released.begin(), released.end(), "ku 11")) << "Ctrl released";
    // Only a connected link carries the marker that bounds this negative.
    ASSERT_TRUE(sim.Run("press 41"));
    ASSERT_EQ(1, EnableConnection());
    EXPECT_EQ((Messages{}), Type({})) << "nothing tapped while disconnected arrives, then or later";
}
}  // namespace

namespace {

TEST_F(TypingTest, GroupLongerThanOneBatchIsTypedWhole) {
    std::string group = "group";
    for (int i = 0; i < 25; ++i) group += i % 2 ? " press:42" : " press:41";
    const Messages typed = Type({group.c_str()});
    EXPECT_EQ(13, std::count(typed.begin(), typed.end(), std::string("kd 41")));
    EXPECT_EQ(12, std::count(typed.begin(), typed.end(), std::string("kd 42")));
}

TEST_F(TypingTest, PayloadLongerThanTheRecordIsReadAsTheRecord) {
    EXPECT_EQ((Messages{"kd 45", "ch 65", "ku 45"}), Type({"press 45 extra=200"}));
}

}  // namespace
