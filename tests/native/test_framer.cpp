// Framing of the device byte stream.
#include <gtest/gtest.h>

#include <string>

#include "../../driver/devicelink/framer.h"
#include "../common/devicebytes.h"

namespace {

struct Response {
    unsigned char status;
    Bytes payload;
};

struct Recorder {
    std::vector<Response> responses;
    std::vector<Bytes> groups;
};

void RecordResponse(void* context, unsigned char status, const unsigned char* payload, int length) {
    static_cast<Recorder*>(context)->responses.push_back({status, Bytes(payload, payload + length)});
}

void RecordGroup(void* context, const unsigned char* group, int length) {
    static_cast<Recorder*>(context)->groups.push_back(Bytes(group, group + length));
}

class FramerTest : public ::testing::Test {
protected:
    void SetUp() override {
        framer = new StreamFramer;
        FramerReset(framer);
    }
    void TearDown() override { delete framer; }

    void Feed(const Bytes& bytes) {
        const FramerSink sink = {RecordResponse, RecordGroup, &seen};
        FramerFeed(framer, bytes.data(), static_cast<int>(bytes.size()), &awaited, sink);
    }
    // Feeds the stream in pieces cut at the given offsets.
    void FeedSplit(const Bytes& bytes, std::initializer_list<size_t> cuts) {
        size_t from = 0;
        for (size_t cut : cuts) {
            Feed(Bytes(bytes.begin() + from, bytes.begin() + cut));
            from = cut;
        }
        Feed(Bytes(bytes.begin() + from, bytes.end()));
    }

    StreamFramer* framer;
    volatile unsigned short awaited = 0x023F;
    Recorder seen;
};

const Bytes kPressA = KeyEvent(1, 0x41, false);
const Bytes kLayoutAnswer = DevicePacket(0x023F, 1, {0x02});

TEST_F(FramerTest, PacketSplitAcrossReadsIsConsumedOnceWhenComplete) {
    FeedSplit(kPressA, {1, 10, 11, 30});
    ASSERT_EQ(1u, seen.groups.size());
    EXPECT_EQ(kPressA, seen.groups[0]);
    EXPECT_EQ(0, framer->pendingCount);
}

TEST_F(FramerTest, GroupArrivingInThreeReadsIsOneGroupHoldingEachPacketOnce) {
    const Bytes a = KeyEvent(1, 0x41, true), b = KeyEvent(2, 0x41, true), c = KeyEvent(0, 0x41, false);
    Feed(a);
    Feed(b);
    EXPECT_TRUE(seen.groups.empty()) << "the group is still open";
    Feed(c);
    ASSERT_EQ(1u, seen.groups.size());
    EXPECT_EQ(Concat({a, b, c}), seen.groups[0]);
}

TEST_F(FramerTest, JunkBeforeAndBetweenPacketsIsDropped) {
    const Bytes junk = {0x00, 0xA5, 0x13, 0xFF, 0xA5, 0x20};
    Feed(Concat({junk, kPressA, {0x77}, kPressA, {0xA5}}));
    ASSERT_EQ(2u, seen.groups.size());
    EXPECT_EQ(kPressA, seen.groups[1]);
    EXPECT_EQ(1, framer->pendingCount) << "a trailing A5 may start the next packet";
}

TEST_F(FramerTest, ResponseInTheMiddleOfAGroupLeavesTheGroupIntact) {
    const Bytes first = KeyEvent(1, 0x41, true), last = KeyEvent(0, 0x41, false);
    Feed(Concat({first, kLayoutAnswer, last}));
    ASSERT_EQ(1u, seen.responses.size());
    EXPECT_EQ(1, seen.responses[0].status);
    EXPECT_EQ(Bytes{0x02}, seen.responses[0].payload);
    ASSERT_EQ(1u, seen.groups.size());
    EXPECT_EQ(Concat({first, last}), seen.groups[0]);
}

TEST_F(FramerTest, OpcodeZeroIsAResponseBeforeAnyCommand) {
    awaited = 0;
    Feed(DevicePacket(0x0000, 1, {}));
    EXPECT_EQ(1u, seen.responses.size());
    EXPECT_TRUE(seen.groups.empty());
}

TEST_F(FramerTest, FailureStatusIsStillDeliveredAsAResponse) {
    Feed(DevicePacket(0x023F, 0, {}));
    ASSERT_EQ(1u, seen.responses.size());
    EXPECT_EQ(0, seen.responses[0].status);
}

TEST_F(FramerTest, ShortEventPacketEndsItsGroup) {
    const Bytes notice = DevicePacket(0x00D1, 0, {});
    Feed(notice);
    ASSERT_EQ(1u, seen.groups.size());
    EXPECT_EQ(notice, seen.groups[0]);
}

TEST_F(FramerTest, OversizedLengthFieldIsAFalseStartAndTheStreamResynchronises) {
    Bytes bogus = {0xA5, 0xA5, 1, 0, 0, 0, 0x01, 0x00, 0x00, 0x00, 0x80};  // length 0x8000
    Feed(Concat({bogus, kPressA}));
    ASSERT_EQ(1u, seen.groups.size());
    EXPECT_EQ(kPressA, seen.groups[0]);
}

TEST_F(FramerTest, FullBufferWithoutAPacketDropsJunkAndKeepsFraming) {
    Feed(Bytes(5000, 0x11));
    EXPECT_LT(framer->pendingCount, FRAMER_BUFFER_SIZE);
    Feed(kPressA);
    ASSERT_EQ(1u, seen.groups.size());
}

TEST_F(FramerTest, LargestPacketStillFitsAfterJunk) {
    Bytes big = DevicePacket(0x0001, 0, Bytes(FRAMER_MAX_PAYLOAD, 0));
    Feed(Concat({Bytes(100, 0x22), big}));
    ASSERT_EQ(1u, seen.groups.size());
    EXPECT_EQ(big.size(), seen.groups[0].size());
}

TEST_F(FramerTest, GroupOutgrowingTheHeldBufferIsDroppedWhole) {
    const Bytes member = DevicePacket(0x0001, 0, [] { Bytes r = EventRecord(1, 0x41, true); r.resize(1000); return r; }());
    for (int i = 0; i < 6; ++i) Feed(member);  // 6 x 1012 bytes
    Feed(KeyEvent(0, 0x41, false));
    EXPECT_TRUE(seen.groups.empty()) << "no cut group may reach the depacketizer";
    Feed(kPressA);
    ASSERT_EQ(1u, seen.groups.size()) << "the next group is whole again";
    EXPECT_EQ(kPressA, seen.groups[0]);
}

TEST_F(FramerTest, LongResponseIsFramedSoTheSenderCanFailIt) {
    Feed(DevicePacket(0x023F, 1, Bytes(2000, 7)));
    ASSERT_EQ(1u, seen.responses.size());
    EXPECT_EQ(2000u, seen.responses[0].payload.size());
}

}  // namespace
