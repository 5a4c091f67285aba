// The serial port and the reader thread against the simulated device on COM5.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../../common/registry.h"
#include "../../driver/devicelink/devicelink.h"
#include "../common/devicebytes.h"
#include "support/linkfixture.h"

namespace {

// The reader alone: the nodes it queues stay in the queue for the test.
class ReaderTest : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        ASSERT_TRUE(CreateDeviceLinkObjects());
        ASSERT_EQ(1, GetConnectionState()) << "the simulator is linked as COM5";
        ResetEvent(ghDataEvent);
        ASSERT_TRUE(StartReaderThread());
    }
    void TearDown() override {
        StopReaderThread("test");
        FreeReceiveQueue();
        DestroyDeviceLinkObjects();
        LinkFixture::TearDown();
    }
};

TEST_F(ReaderTest, PacketSplitAcrossWritesIsQueuedOnce) {
    ASSERT_TRUE(sim.Run("split 3 12 20"));
    ASSERT_TRUE(sim.Run("press 41"));
    std::vector<Bytes> nodes = WaitForNodes(1);
    ASSERT_EQ(1u, nodes.size());
    EXPECT_EQ(KeyEvent(1, 0x41, false), nodes[0]);
    EXPECT_TRUE(WaitForNodes(2, 300).size() == 1) << "consumed once";
}

TEST_F(ReaderTest, GroupInThreeWritesBecomesOneNode) {
    ASSERT_TRUE(sim.Run("split 49 98"));
    ASSERT_TRUE(sim.Run("group press:41 hold:41 release:41"));
    std::vector<Bytes> nodes = WaitForNodes(1);
    ASSERT_EQ(1u, nodes.size());
    EXPECT_EQ(Concat({KeyEvent(1, 0x41, true), KeyEvent(2, 0x41, true), KeyEvent(0, 0x41, false)}), nodes[0]);
}

TEST_F(ReaderTest, JunkBeforeAPacketIsDropped) {
    ASSERT_TRUE(sim.Run("junk 00 13 A5 20 FF"));
    ASSERT_TRUE(sim.Run("press 42"));
    std::vector<Bytes> nodes = WaitForNodes(1);
    ASSERT_EQ(1u, nodes.size());
    EXPECT_EQ(KeyEvent(1, 0x42, false), nodes[0]);
}

TEST_F(ReaderTest, ResponseInsideAHeldGroupLeavesTheGroupIntact) {
    usAwaitedOpcode = GET_PROJECTEDLAYOUTNUM;
    const Bytes first = KeyEvent(1, 0x41, true), last = KeyEvent(0, 0x41, false);
    const Bytes answer = DevicePacket(GET_PROJECTEDLAYOUTNUM, 1, {0x02});
    ResetEvent(ghCommandResponseEvent);
    ASSERT_TRUE(sim.Run("raw " + Hex(first)));
    ASSERT_TRUE(sim.Run("raw " + Hex(answer)));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ghCommandResponseEvent, 3000));
    EXPECT_EQ(1, gResponse.success);
    EXPECT_EQ(1, gResponse.length);
    EXPECT_EQ(0x02, gResponse.data[0]);
    ASSERT_TRUE(sim.Run("raw " + Hex(last)));
    std::vector<Bytes> nodes = WaitForNodes(1);
    ASSERT_EQ(1u, nodes.size());
    EXPECT_EQ(Concat({first, last}), nodes[0]);
}

TEST_F(ReaderTest, AwaitedOpcodeIsAResponseEvenWithNobodyWaiting) {
    usAwaitedOpcode = 0x0001;  // the opcode the device uses for key events
    ResetEvent(ghCommandResponseEvent);
    ASSERT_TRUE(sim.Run("press 41"));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ghCommandResponseEvent, 3000));
    EXPECT_TRUE(WaitForNodes(1, 300).empty()) << "a response never reaches the depacketizer";
}

TEST_F(ReaderTest, OpcodeZeroIsAResponseBeforeAnyCommand) {
    ASSERT_EQ(0, usAwaitedOpcode);
    ResetEvent(ghCommandResponseEvent);
    ASSERT_TRUE(sim.Run("raw " + Hex(DevicePacket(0x0000, 1, {}))));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ghCommandResponseEvent, 3000));
    EXPECT_EQ(1, gResponse.success);
    EXPECT_TRUE(WaitForNodes(1, 300).empty());
}

TEST_F(ReaderTest, SuppressedGroupsAreConsumedAndDropped) {
    InterlockedExchange(&bSuppressEvents, 1);
    ASSERT_TRUE(sim.Run("press 41"));
    ASSERT_TRUE(sim.Run("press 42"));
    Sleep(300);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ghDataEvent, 0)) << "no Data Event";
    EXPECT_TRUE(WaitForNodes(1, 0).empty());
    InterlockedExchange(&bSuppressEvents, 0);
    ASSERT_TRUE(sim.Run("press 43"));
    std::vector<Bytes> nodes = WaitForNodes(1);
    ASSERT_EQ(1u, nodes.size());
    EXPECT_EQ(KeyEvent(1, 0x43, false), nodes[0]) << "the dropped groups left nothing behind";
}

TEST_F(ReaderTest, FailureStatusSignalsWithSuccessFlagZero) {
    unsigned char packet[PACKET_BUFFER_SIZE];
    const int size = Packetizer(GET_POWERSTATE, nullptr, 0, CMD_CLASS_ORDINARY, packet);
    ASSERT_TRUE(sim.Run("fail 021C"));
    gResponse.success = 1;
    ResetEvent(ghCommandResponseEvent);
    DWORD written = 0;
    ASSERT_EQ(1, WritePort(packet, size, &written));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ghCommandResponseEvent, 3000));
    EXPECT_EQ(0, gResponse.success);
}

TEST_F(ReaderTest, CommandReachesTheDeviceByteForByteAndItsAnswerLandsInTheSlot) {
    ASSERT_TRUE(sim.Run("set projectedlayoutnum 02"));
    unsigned char packet[PACKET_BUFFER_SIZE];
    const int size = Packetizer(GET_PROJECTEDLAYOUTNUM, nullptr, 0, CMD_CLASS_ORDINARY, packet);
    ResetEvent(ghCommandResponseEvent);
    DWORD written = 0;
    ASSERT_EQ(1, WritePort(packet, size, &written));
    EXPECT_EQ(static_cast<DWORD>(size), written);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ghCommandResponseEvent, 3000));
    EXPECT_EQ(1, gResponse.success);
    ASSERT_EQ(1, gResponse.length);
    EXPECT_EQ(0x02, gResponse.data[0]);
    const std::vector<std::string> log = ReceivedCommandBytes();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("A5 A5 01 00 00 00 3F 02 00 00 8C", log[0]);
}

// Opening the port, before any thread runs.
class PortTest : public LinkFixture {};

TEST_F(PortTest, PortNameComesFromComport) {
    char name[32];
    BuildPortName(name, sizeof name);
    EXPECT_STREQ("\\\\.\\COM5", name);
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 12);
    BuildPortName(name, sizeof name);
    EXPECT_STREQ("\\\\.\\COM12", name);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, REG_COMPORT_KEY, 0, KEY_ALL_ACCESS, &key));
    RegDeleteValueA(key, "Comport");
    RegCloseKey(key);
    BuildPortName(name, sizeof name);
    EXPECT_STREQ("\\\\.\\COM1", name);
}

TEST_F(PortTest, OpenSetsTheLineTo19200EightNoneOne) {
    HANDLE port = 0;
    ASSERT_EQ(1, OpenCommPort("\\\\.\\COM5", &port));
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(port, &dcb));
    EXPECT_EQ(static_cast<DWORD>(CBR_19200), dcb.BaudRate);
    EXPECT_EQ(8, dcb.ByteSize);
    EXPECT_EQ(NOPARITY, dcb.Parity);
    EXPECT_EQ(ONESTOPBIT, dcb.StopBits);
    CloseHandle(port);
    EXPECT_EQ(0, OpenCommPort("", &port));
    EXPECT_EQ(0, OpenCommPort(nullptr, &port));
}

TEST_F(PortTest, MissingPortLeavesTheDriverRunningWithoutALink) {
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 9);
    ASSERT_EQ(1, CreateDeviceLinkObjects()) << "the driver runs on without a port";
    EXPECT_EQ(0, GetConnectionState());
    EXPECT_EQ(nullptr, g_hBTPort);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Error", messages[0].caption);
    EXPECT_EQ("Please select an available serial port in the Connection Settings option before attempting to "
              "connect to the Tavelin.",
              messages[0].text);
    DestroyDeviceLinkObjects();
}

// Wine does not refuse a second opener of a COM port, so a port that
// refuses its line settings stands in for a busy one: same path, same state.
TEST_F(PortTest, PortRefusingItsSettingsLeavesTheDriverRunningWithoutALink) {
    ASSERT_TRUE(DefineDosDeviceA(0, "COM7", "Z:\\dev\\null"));
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 7);
    ASSERT_EQ(1, CreateDeviceLinkObjects());
    EXPECT_EQ(0, GetConnectionState());
    EXPECT_EQ(nullptr, g_hBTPort);
    EXPECT_EQ(1u, messages.size());
    DestroyDeviceLinkObjects();
    DefineDosDeviceA(DDD_REMOVE_DEFINITION, "COM7", nullptr);
}

TEST_F(PortTest, WriteWithoutAPortFails) {
    const unsigned char byte = 0;
    DWORD written = 0;
    g_hBTPort = 0;
    EXPECT_EQ(0, WritePort(&byte, 1, &written));
    unsigned char buffer[16];
    EXPECT_EQ(0, ReadCommPort(buffer, sizeof buffer, &written));
}

}  // namespace
