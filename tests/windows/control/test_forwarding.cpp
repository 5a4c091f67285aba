// Device packets through the control port: written to the device as
// received, answered with the response payload, "1" for an empty one, and
// with silence for every failure.
#include <gtest/gtest.h>

#include "../../../common/packet.h"
#include "../../../driver/devicelink/commands.h"
#include "../../../driver/devicelink/devicelink.h"
#include "serverfixture.h"

namespace {

using Lines = std::vector<std::string>;

// Long enough for the server's 5000 ms wait to have ended.
const DWORD SILENCE_MS = 6500;

TEST_F(ControlServerTest, PacketReachesTheDeviceUnchangedAndItsPayloadComesBack) {
    const Bytes request = CommandPacket(GET_KEYSENSITIVITY);
    EXPECT_EQ(Bytes{0x05}, Request(request));
    EXPECT_EQ(Lines{LinkFixture::Hex(request)}, Commands());

    ASSERT_TRUE(sim.Run("set noactivityperiod 0x01020304"));
    EXPECT_EQ((Bytes{0x04, 0x03, 0x02, 0x01}), Request(CommandPacket(GET_NOACTIVITYPERIOD)));
}

TEST_F(ControlServerTest, EmptyResponsePayloadComesBackAsOne) {
    const Bytes request = CommandPacket(SET_KEYSENSITIVITY, {0, 0, 7});
    EXPECT_EQ(REPLY_ONE, Request(request));
    EXPECT_EQ(Lines{LinkFixture::Hex(request)}, Commands());
    EXPECT_EQ("7", SimValue("keysensitivity"));
}

TEST_F(ControlServerTest, SilentDeviceGivesNoReply) {
    ASSERT_TRUE(sim.Run("silent 0201 once"));
    EXPECT_EQ(NO_REPLY, Request(CommandPacket(GET_KEYSENSITIVITY), SILENCE_MS));
    EXPECT_EQ(Bytes{0x05}, Request(CommandPacket(GET_KEYSENSITIVITY))) << "the next request gets its own reply";
}

TEST_F(ControlServerTest, FailureStatusGivesNoReply) {
    ASSERT_TRUE(sim.Run("fail 0201 once"));
    EXPECT_EQ(NO_REPLY, Request(CommandPacket(GET_KEYSENSITIVITY), 1500));
    EXPECT_EQ(Bytes{0x05}, Request(CommandPacket(GET_KEYSENSITIVITY)));
}

TEST_F(ControlServerTest, WriteFailureGivesNoReply) {
    ASSERT_EQ(REPLY_ONE, Request({14, 0})) << "disconnected: no port to write to";
    EXPECT_EQ(NO_REPLY, Request(CommandPacket(GET_KEYSENSITIVITY), 1500));
    EXPECT_EQ(Lines{}, Commands());
    EXPECT_EQ(REPLY_ONE, Request({15, 1})) << "the server goes on serving";
}

TEST_F(ControlServerTest, AnythingElseIsWrittenUnchangedAndUnansweredWithoutItsResponse) {
    // The simulator logs only what looks like a command to it: the bytes in
    // front of the packet are skipped by the device, not by the server. The
    // device's answer (opcode 0213) is not the one awaited (0000, from bytes
    // 6 and 7) and goes the way of an unknown event.
    const Bytes packet = CommandPacket(GET_NOACTIVITYPERIOD);
    const Bytes codeNine = Concat({{0x09, 0x33, 0x00}, packet});
    EXPECT_EQ(NO_REPLY, Request(codeNine, SILENCE_MS));
    EXPECT_EQ(Lines{LinkFixture::Hex(packet)}, Commands());

    ASSERT_TRUE(sim.Run("clearlog"));
    Bytes badSum = CommandPacket(SET_KEYSENSITIVITY, {0, 0, 9});
    badSum.back() ^= 0xFF;
    EXPECT_EQ(NO_REPLY, Request(badSum, SILENCE_MS));
    std::vector<std::string> log;
    ASSERT_TRUE(sim.Run("log", &log));
    EXPECT_EQ(Lines{"0101 badsum " + LinkFixture::Hex(badSum)}, log);

    EXPECT_EQ(Bytes{0x05}, Request(CommandPacket(GET_KEYSENSITIVITY)));
}

TEST_F(ControlServerTest, ResponseOfUpTo512BytesIsRelayedALongerOneIsNot) {
    ASSERT_TRUE(sim.Run("badlen 020B 512 once"));
    EXPECT_EQ(512u, Request(CommandPacket(GET_DEVICEID)).size());
    ASSERT_TRUE(sim.Run("badlen 020B 600 once"));
    EXPECT_EQ(NO_REPLY, Request(CommandPacket(GET_DEVICEID), 1500));
    EXPECT_EQ(Bytes{0x05}, Request(CommandPacket(GET_KEYSENSITIVITY))) << "the server goes on serving";
}

// A command of another thread waits while a forwarded one is in flight: sent
// at once, its answer (the device answers it without delay) would be taken
// for the forwarded command's, and the forwarded command's answer for nobody's.
TEST_F(ControlServerTest, ForwardedCommandHoldsOffOtherCommands) {
    struct Sender {
        static DWORD WINAPI Run(LPVOID result) {
            unsigned char answer[RESPONSE_BUFFER_SIZE];
            *static_cast<int*>(result) = WriteAllData(GET_POWERSTATE, nullptr, answer, CMD_CLASS_ORDINARY);
            return 0;
        }
    };
    ASSERT_TRUE(sim.Run("delay 0201 800 once"));
    ASSERT_TRUE(client->Send(CommandPacket(GET_KEYSENSITIVITY)));
    ASSERT_TRUE(WaitUntil([this] { return Commands().size() == 1; }));
    int result = 0;
    HANDLE sender = CreateThread(nullptr, 0, Sender::Run, &result, 0, nullptr);
    EXPECT_EQ(Bytes{0x05}, client->Receive(REPLY_WAIT_MS)) << "the forwarded command got its own answer";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sender, 8000));
    CloseHandle(sender);
    EXPECT_EQ(1, result);
    EXPECT_EQ((Lines{LinkFixture::Hex(CommandPacket(GET_KEYSENSITIVITY)), wire::GET_POWERSTATE}), Commands())
        << "then it went out";
}

}  // namespace
