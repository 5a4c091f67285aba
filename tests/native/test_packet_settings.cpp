// The settings program's copy of the command table differs from the driver's
// in one row, and its Packetizer records nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "../../common/packet.h"
#include "../../common/trace.h"

// This program links the driver's copy of packet.cpp; the settings program's
// copy is compiled here, without the driver's definition, into its own
// namespace so that both can be tested side by side.
#undef ORVIK_DRIVER
namespace settings_copy {
#include "../../common/packet.cpp"
}

TEST(SettingsCommandTable, ReactionTimeTakesTwoBytes) {
    unsigned short request = 0, response = 0;
    ASSERT_TRUE(settings_copy::GetLength(SET_REACTIONTIME, &request, &response));
    EXPECT_EQ(2, request);
    EXPECT_EQ(0, response);

    const unsigned char payload[4] = {0, 0, 0xF4, 0x01};  // 500 ms
    unsigned char out[PACKET_BUFFER_SIZE];
    ASSERT_EQ(15, settings_copy::Packetizer(SET_REACTIONTIME, payload, request, 1, out));
    EXPECT_EQ(4, out[8]);
    EXPECT_EQ(static_cast<unsigned char>(0x4B + 0x0E + 0x01 + 4 + 0xF4 + 0x01), out[14]);
}
