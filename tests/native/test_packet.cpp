// Command packets, the command table and the device packet checksum.
#include <gtest/gtest.h>

#include <vector>

#include "../../common/packet.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Build(unsigned short opcode, const Bytes& payload, unsigned short requestLength, int commandClass = 1) {
    unsigned char out[PACKET_BUFFER_SIZE];
    std::fill(std::begin(out), std::end(out), 0xEE);  // untouched bytes show up
    int size = Packetizer(opcode, payload.empty() ? nullptr : payload.data(), requestLength, commandClass, out);
    if (size < 0) return {};
    EXPECT_EQ(0xEE, out[size]) << "Packetizer wrote past the packet";
    return Bytes(out, out + size);
}

struct BuildCase {
    const char* name;
    unsigned short opcode;
    Bytes payload;
    unsigned short requestLength;
    Bytes expected;
};

TEST(Packetizer, BuildsTheDevicesCommandBytes) {
    const BuildCase cases[] = {
        {"START_ZSM", START_ZSM, {}, 0, {0xA5, 0xA5, 1, 0, 0, 0, 0x80, 0x06, 0, 0, 0xD1}},
        {"GET_PROJECTEDLAYOUTNUM", GET_PROJECTEDLAYOUTNUM, {}, 0, {0xA5, 0xA5, 1, 0, 0, 0, 0x3F, 0x02, 0, 0, 0x8C}},
        {"SET_ACTIVELAYOUT 0", SET_ACTIVELAYOUT, {0, 0, 0}, 1,
         {0xA5, 0xA5, 1, 0, 0, 0, 0x0A, 0x01, 0x03, 0x00, 0, 0, 0x00, 0x59}},
        {"SET_ACTIVELAYOUT 5", SET_ACTIVELAYOUT, {0, 0, 5}, 1,
         {0xA5, 0xA5, 1, 0, 0, 0, 0x0A, 0x01, 0x03, 0x00, 0, 0, 0x05, 0x5E}},
        // 0xFFFF: no payload even when one is given; 0xFF enters the sum once.
        {"0x0500 unbounded", 0x0500, {1, 2, 3}, 0xFFFF,
         {0xA5, 0xA5, 1, 0, 0, 0, 0x00, 0x05, 0xFF, 0xFF, static_cast<unsigned char>(0x4B + 0x05 + 0xFF)}},
        {"SET_NOACTIVITYPERIOD", SET_NOACTIVITYPERIOD, {0, 0, 0x10, 0x27, 0, 0}, 4,
         {0xA5, 0xA5, 1, 0, 0, 0, 0x0B, 0x01, 0x06, 0x00, 0, 0, 0x10, 0x27, 0, 0,
          static_cast<unsigned char>(0x4B + 0x0B + 0x01 + 0x06 + 0x10 + 0x27)}},
    };
    for (const BuildCase& c : cases) EXPECT_EQ(c.expected, Build(c.opcode, c.payload, c.requestLength)) << c.name;
}

TEST(Packetizer, RefusesMissingBuffersAndForeignClasses) {
    unsigned char out[PACKET_BUFFER_SIZE];
    const unsigned char payload[3] = {0, 0, 1};
    EXPECT_EQ(-1, Packetizer(START_ZSM, nullptr, 0, 1, nullptr));
    EXPECT_EQ(-1, Packetizer(SET_ACTIVELAYOUT, nullptr, 1, 1, out)) << "a value is due but no payload given";
    EXPECT_EQ(-1, Packetizer(SET_ACTIVELAYOUT, payload, 1, 5, out)) << "class 5 is a control message";
    EXPECT_EQ(11, Packetizer(START_ZSM, nullptr, 0, 9, out));
}

TEST(GetLength, KnowsEveryRowAndNothingElse) {
    struct Row { unsigned short opcode, request, response; };
    const Row rows[] = {
        {0x0000, 0, 0},      {0x0101, 1, 0},      {0x0102, 0xFFFF, 0}, {0x0108, 1, 0},
        {0x010E, 1, 0},      {0x0118, 0, 0},      {0x0135, 0, 1},      {0x0209, 1, 0xFFFF},
        {GET_DEVICEID, 0, 0xFFFF}, {0x0212, 0, 12}, {GET_POWERSTATE, 0, 1}, {0x023A, 1, 4},
        {0x023E, 0, 8},      {0x0500, 0xFFFF, 0xFFFF}, {START_ZSM, 0, 0}, {0x0A03, 10, 0},
        {0xFF06, 0, 0},      {0xFFFF, 0, 0},      {0x0001, 0, 0},
    };
    for (const Row& row : rows) {
        unsigned short request = 0x1234, response = 0x1234;
        ASSERT_TRUE(GetLength(row.opcode, &request, &response)) << std::hex << row.opcode;
        EXPECT_EQ(row.request, request) << std::hex << row.opcode;
        EXPECT_EQ(row.response, response) << std::hex << row.opcode;
    }
    const unsigned short absent[] = {0x0114, 0x0117, 0x0137, 0x0200, 0x021D, 0x021F, 0x0221, 0x0248,
                                     0x0682, 0x0A05, 0x0A06, 0xFF07, 0xFFFA, 0x0002};
    for (unsigned short opcode : absent) EXPECT_FALSE(GetLength(opcode, nullptr, nullptr)) << std::hex << opcode;
}

TEST(GetLength, TableHolds138Opcodes) {
    int count = 0;
    for (unsigned opcode = 0; opcode <= 0xFFFF; ++opcode)
        count += GetLength(static_cast<unsigned short>(opcode), nullptr, nullptr);
    EXPECT_EQ(138, count);
}

const Bytes kLayoutResponse = {0xA5, 0xA5, 1, 0, 0, 0, 0x3F, 0x02, 0x01, 0x01, 0x00, 0x02, 0x90};

TEST(VerifyDevicePacket, AcceptsTheLayoutResponseAndEveryOneByteCorruptionFails) {
    ASSERT_TRUE(VerifyDevicePacket(kLayoutResponse.data(), kLayoutResponse.size()));
    for (size_t offset = 2; offset <= 11; ++offset) {
        for (int delta : {1, 0x80, 0xFF}) {
            Bytes corrupt = kLayoutResponse;
            corrupt[offset] = static_cast<unsigned char>(corrupt[offset] + delta);
            EXPECT_FALSE(VerifyDevicePacket(corrupt.data(), corrupt.size())) << "offset " << offset;
        }
    }
}

TEST(VerifyDevicePacket, EmptyPacketIsTwelveBytesWithChecksumAtEleven) {
    Bytes empty = {0xA5, 0xA5, 1, 0, 0, 0, 0xD1, 0x00, 0x00, 0x00, 0x00, 0};
    empty[11] = static_cast<unsigned char>(0x4A + 1 + 0xD1);
    EXPECT_EQ(12, DevicePacketSize(empty.data()));
    EXPECT_TRUE(VerifyDevicePacket(empty.data(), empty.size()));
    EXPECT_FALSE(VerifyDevicePacket(empty.data(), empty.size() - 1)) << "size must match the length field";
    EXPECT_FALSE(VerifyDevicePacket(empty.data(), 5));
}

TEST(InputEvent, FieldsSitWhereTheDevicePutsThem) {
    EXPECT_EQ(4u, offsetof(InputEvent, moreFollows));
    EXPECT_EQ(5u, offsetof(InputEvent, kind));
    EXPECT_EQ(6u, offsetof(InputEvent, x));
    EXPECT_EQ(8u, offsetof(InputEvent, y));
    EXPECT_EQ(17u, offsetof(InputEvent, keyCode));
    EXPECT_EQ(18u, offsetof(InputEvent, specialCode));
}

}  // namespace
