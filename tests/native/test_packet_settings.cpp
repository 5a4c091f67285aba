// The settings program's copy of the command table differs from the driver's
// in one row, and its Packetizer records nothing.
#include <gtest/gtest.h>

#include "../../common/packet.h"

TEST(SettingsCommandTable, ReactionTimeTakesTwoBytes) {
    unsigned short request = 0, response = 0;
    ASSERT_TRUE(GetLength(SET_REACTIONTIME, &request, &response));
    EXPECT_EQ(2, request);
    EXPECT_EQ(0, response);

    const unsigned char payload[4] = {0, 0, 0xF4, 0x01};  // 500 ms
    unsigned char out[PACKET_BUFFER_SIZE];
    ASSERT_EQ(15, Packetizer(SET_REACTIONTIME, payload, request, 1, out));
    EXPECT_EQ(4, out[8]);
    EXPECT_EQ(static_cast<unsigned char>(0x4B + 0x0E + 0x01 + 4 + 0xF4 + 0x01), out[14]);
}
