// The serial port and the reader thread against the simulated device on COM5.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../../../common/registry.h"
#include "../../../driver/devicelink/devicelink.h"
#include "../../common/devicebytes.h"
#include "../support/linkfixture.h"

namespace {

// The reader alone: the nodes it queues stay in the queue for the test.
class ReaderTest : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        ASSERT_TRUE(CreatePortEvents() && CreateReceiveQueue() && CreateCommandSemaphore());
        DWORD error = 0;
        ASSERT_EQ(1, OpenLinkPort(5, &error)) << "the simulator is linked as COM5";
        FreeReceiveQueue();
        ResetEvent(ReceiveQueueEvent());
        ASSERT_TRUE(StartReader(nullptr));
    }
    void TearDown() override {
        StopReader("test");
        FreeReceiveQueue();
        DestroyDeviceLinkObjects();
        LinkFixture::TearDown();
    }

    // Sends a command packet as the link does and takes the device's answer.
    int Ask(unsigned short opcode, unsigned char* answer, unsigned short* length) {
        unsigned char packet[PACKET_BUFFER_SIZE];
        const int size = Packetizer(opcode, nullptr, 0, CMD_CLASS_ORDINARY, packet);
        AwaitResponse(opcode);
        DWORD written = 0;
        if (!WritePort(packet, size, &written) || written != static_cast<DWORD>(size)) return RESPONSE_NONE;
        return TakeResponse(3000, answer, length);
    }
};

TEST_F(ReaderTest, PacketSplitAcrossWritesIsQueuedOnce) {
    ASSERT_TRUE(sim.Run("split 3 12 20"));
    ASSERT_TRUE(sim.Run("press 41"));
    std::vector<Bytes> nodes = TakeNodes(1);
    ASSERT_EQ(1u, nodes.size());
    EXPECT_EQ(KeyEvent(1, 0x41, false), nodes[0]);
    EXPECT_TRUE(NothingQueuedBeforeMarker()) << "consumed once";
}

TEST_F(ReaderTest, GroupInThreeWritesBecomesOneNode) {
    ASSERT_TRUE(sim.Run("split 49 98"));
    ASSERT_TRUE(sim.Run("group press:41 hold:41 release:41"));
    std::vector<Bytes> nodes = TakeNodes(1);
    ASSERT_EQ(1u, nodes.size());
    EXPECT_EQ(Concat({KeyEvent(1, 0x41, true), KeyEvent(2, 0x41, true), KeyEvent(0, 0x41, false)}), nodes[0]);
}

TEST_F(ReaderTest, JunkBeforeAPacketIsDropped) {
    ASSERT_TRUE(sim.Run("junk 00 13 A5 20 FF"));
    ASSERT_TRUE(sim.Run("press 42"));
    std::vector<Bytes> nodes = TakeNodes(1);
    ASSERT_EQ(1u, nodes.size());
    EXPECT_EQ(KeyEvent(1, 0x42, false), nodes[0]);
}

TEST_F(ReaderTest, ResponseInsideAHeldGroupLeavesTheGroupIntact) {
    AwaitResponse(GET_PROJECTEDLAYOUTNUM);
    const Bytes first = KeyEvent(1, 0x41, true), last = KeyEvent(0, 0x41, false);
    const Bytes answer = DevicePacket(GET_PROJECTEDLAYOUTNUM, 1, {0x02});
    ASSERT_TRUE(sim.Run("raw " + Hex(first)));
    ASSERT_TRUE(sim.Run("raw " + Hex(answer)));
    unsigned char payload[RESPONSE_BUFFER_SIZE] = {};
    unsigned short length = 0;
    ASSERT_EQ(RESPONSE_TAKEN, TakeResponse(3000, payload, &length));
    EXPECT_EQ(1, length);
    EXPECT_EQ(0x02, payload[0]);
    ASSERT_TRUE(sim.Run("raw " + Hex(last)));
    std::vector<Bytes> nodes = TakeNodes(1);
    ASSERT_EQ(1u, nodes.size());
    EXPECT_EQ(Concat({first, last}), nodes[0]);
}

TEST_F(ReaderTest, AwaitedOpcodeIsAResponseEvenWithNobodyWaiting) {
    AwaitResponse(0x0001);  // the opcode the device uses for key events
    ASSERT_TRUE(sim.Run("press 41"));
    unsigned short length = 0;
    EXPECT_EQ(RESPONSE_FAILED, TakeResponse(3000, nullptr, &length)) << "its status byte is 0";
    AwaitResponse(GET_POWERSTATE);
    EXPECT_TRUE(NothingQueuedBeforeMarker()) << "a response never reaches the depacketizer";
}

TEST_F(ReaderTest, OpcodeZeroIsAResponseWhenAwaited) {
    AwaitResponse(0x0000);
    ASSERT_TRUE(sim.Run("raw " + Hex(DevicePacket(0x0000, 1, {}))));
    unsigned short length = 1;
    EXPECT_EQ(RESPONSE_TAKEN, TakeResponse(3000, nullptr, &length));
    EXPECT_EQ(0, length);
    AwaitResponse(GET_POWERSTATE);
    EXPECT_TRUE(NothingQueuedBeforeMarker());
}

TEST_F(ReaderTest, ResponseWithABadChecksumIsNoAnswer) {
    AwaitResponse(GET_POWERSTATE);
    Bytes damaged = DevicePacket(GET_POWERSTATE, 1, {0xFB});
    damaged.back() ^= 0xFF;
    ASSERT_TRUE(sim.Run("raw " + Hex(damaged)));
    unsigned short length = 0;
    EXPECT_EQ(RESPONSE_NONE, TakeResponse(500, nullptr, &length)) << "the command times out";
    EXPECT_TRUE(NothingQueuedBeforeMarker()) << "nor is it an event";
}

TEST_F(ReaderTest, SuppressedGroupsAreConsumedAndDroppedWhileAnyHandshakeRuns) {
    SuppressEvents(true);
    SuppressEvents(true);  // two handshakes at once
    ASSERT_TRUE(sim.Run("press 41"));
    SuppressEvents(false);
    ASSERT_TRUE(sim.Run("press 42"));
    unsigned short length = 0;
    ASSERT_EQ(RESPONSE_TAKEN, Ask(GET_POWERSTATE, nullptr, &length)) << "both groups have been read";
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ReceiveQueueEvent(), 0)) << "no Data Event";
    SuppressEvents(false);
    ASSERT_TRUE(sim.Run("press 43"));
    std::vector<Bytes> nodes = TakeNodes(1);
    ASSERT_EQ(1u, nodes.size());
    EXPECT_EQ(KeyEvent(1, 0x43, false), nodes[0]) << "the dropped groups left nothing behind";
}

TEST_F(ReaderTest, FailureStatusFailsTheCommandAtOnce) {
    ASSERT_TRUE(sim.Run("fail 021C"));
    unsigned short length = 0;
    EXPECT_EQ(RESPONSE_FAILED, Ask(GET_POWERSTATE, nullptr, &length));
}

TEST_F(ReaderTest, CommandReachesTheDeviceByteForByteAndItsAnswerLandsInTheSlot) {
    ASSERT_TRUE(sim.Run("set projectedlayoutnum 02"));
    unsigned char answer[RESPONSE_BUFFER_SIZE] = {};
    unsigned short length = 0;
    ASSERT_EQ(RESPONSE_TAKEN, Ask(GET_PROJECTEDLAYOUTNUM, answer, &length));
    ASSERT_EQ(1, length);
    EXPECT_EQ(0x02, answer[0]);
    const std::vector<std::string> log = ReceivedCommandBytes();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("A5 A5 01 00 00 00 3F 02 00 00 8C", log[0]);
}

// Opening the port, before any thread runs.
class PortTest : public LinkFixture {};

TEST_F(PortTest, PortNameComesFromComport) {
    char name[32];
    EXPECT_EQ(5u, ConfiguredPortNumber());
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 12);
    EXPECT_EQ(12u, ConfiguredPortNumber());
    BuildPortName(ConfiguredPortNumber(), name, sizeof name);
    EXPECT_STREQ("\\\\.\\COM12", name);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, REG_COMPORT_KEY, 0, KEY_ALL_ACCESS, &key));
    RegDeleteValueA(key, "Comport");
    RegCloseKey(key);
    EXPECT_EQ(1u, ConfiguredPortNumber());
}

TEST_F(PortTest, OpenSetsTheLineTo19200EightNoneOne) {
    HANDLE port = 0;
    DWORD error = 0;
    ASSERT_EQ(1, OpenCommPort("\\\\.\\COM5", &port, &error));
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(port, &dcb));
    EXPECT_EQ(static_cast<DWORD>(CBR_19200), dcb.BaudRate);
    EXPECT_EQ(8, dcb.ByteSize);
    EXPECT_EQ(NOPARITY, dcb.Parity);
    EXPECT_EQ(ONESTOPBIT, dcb.StopBits);
    CloseHandle(port);
    EXPECT_EQ(0, OpenCommPort("", &port, &error));
    EXPECT_EQ(0, OpenCommPort(nullptr, &port, &error));
    EXPECT_EQ(0, OpenCommPort("\\\\.\\COM9", &port, &error));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), error) << "a port that does not exist says so";
}

TEST_F(PortTest, MissingPortLeavesTheDriverRunningWithoutALink) {
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 9);
    ASSERT_EQ(1, InitSequence()) << "the driver runs on without a port";
    EXPECT_EQ(0, GetConnectionState());
    EXPECT_EQ(0u, OpenPortNumber());
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Error", messages[0].caption);
    EXPECT_EQ("Please select an available serial port in the Connection Settings option before attempting to "
              "connect to the Tavelin.",
              messages[0].text);
    DeInitializeKeyBoard();
}

// Wine does not refuse a second opener of a COM port, so a port that
// refuses its line settings stands in for a busy one: same path, same state.
TEST_F(PortTest, PortRefusingItsSettingsLeavesTheDriverRunningWithoutALink) {
    ASSERT_TRUE(DefineDosDeviceA(0, "COM7", "Z:\\dev\\null"));
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 7);
    ASSERT_EQ(1, InitSequence());
    EXPECT_EQ(0, GetConnectionState());
    EXPECT_EQ(0u, OpenPortNumber());
    EXPECT_EQ(1u, messages.size());
    DeInitializeKeyBoard();
    DefineDosDeviceA(DDD_REMOVE_DEFINITION, "COM7", nullptr);
}

TEST_F(PortTest, WriteWithoutAPortFails) {
    const unsigned char byte = 0;
    DWORD written = 0;
    CloseLinkPort();
    EXPECT_EQ(0, WritePort(&byte, 1, &written));
    unsigned char buffer[16];
    EXPECT_EQ(READ_PORT_LOST, ReadCommPort(nullptr, buffer, sizeof buffer, &written, nullptr));
}

}  // namespace
