// Framing of the device byte stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "../../common/packet.h"
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

TEST_F(FramerTest, ResponseWithABadChecksumIsNeitherAnAnswerNorAnEvent) {
    Bytes damaged = kLayoutAnswer;
    damaged.back() ^= 0xFF;
    Feed(Concat({damaged, kPressA}));
    EXPECT_TRUE(seen.responses.empty()) << "its sender times out instead of taking a damaged answer";
    ASSERT_EQ(1u, seen.groups.size());
    EXPECT_EQ(kPressA, seen.groups[0]) << "the packet behind it is read";
}

TEST_F(FramerTest, ShortEventPacketEndsItsGroup) {
    const Bytes notice = DevicePacket(0x00D1, 0, {});
    Feed(notice);
    ASSERT_EQ(1u, seen.groups.size());
    EXPECT_EQ(notice, seen.groups[0]);
}

// Key codes of the groups seen, in order.
std::vector<int> KeysOf(const std::vector<Bytes>& groups) {
    std::vector<int> keys;
    for (const Bytes& group : groups) keys.push_back(group[DEVICE_HEADER_SIZE + 17]);
    return keys;
}

Bytes KeyPresses(int count) {
    Bytes all;
    for (int i = 0; i < count; ++i) all = Concat({all, KeyEvent(1, static_cast<unsigned char>(0x30 + i), false)});
    return all;
}

std::vector<int> KeyRange(int count) {
    std::vector<int> keys;
    for (int i = 0; i < count; ++i) keys.push_back(0x30 + i);
    return keys;
}

// A well-formed header whose length field lies.
Bytes FalseHeader(unsigned short claimed) {
    return {0xA5, 0xA5, 1, 0, 0, 0, 0x01, 0x00, 0x00, static_cast<unsigned char>(claimed),
            static_cast<unsigned char>(claimed >> 8)};
}

TEST_F(FramerTest, NoiseCostsAtMostTheDamagedPacketNeverTheGoodOnesAfterIt) {
    Bytes damaged = KeyEvent(1, 0x41, false);
    damaged[20] ^= 0x5A;
    const struct {
        const char* name;
        Bytes noise;
        int keys;
    } cases[] = {
        {"a stray A5 before a key", {0xA5}, 1},
        {"a header claiming 200 bytes", FalseHeader(200), 3},
        {"a header claiming 4000 bytes", FalseHeader(4000), 40},
        {"a length byte of 2000", FalseHeader(2000), 40},
        {"A5 A5 with an impossible length", FalseHeader(0x9000), 2},
        {"a damaged packet", damaged, 2},
    };
    for (const auto& c : cases) {
        FramerReset(framer);
        seen = Recorder();
        Feed(Concat({c.noise, KeyPresses(c.keys)}));
        EXPECT_EQ(KeyRange(c.keys), KeysOf(seen.groups)) << c.name;
    }
}

TEST_F(FramerTest, RandomJunkOfAnyByteValueBetweenKeysLosesNoKey) {
    unsigned int seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    Bytes stream;
    for (int i = 0; i < 60; ++i) {
        Bytes junk(next() % 500);
        for (unsigned char& byte : junk) byte = next() % 3 == 0 ? 0xA5 : static_cast<unsigned char>(next());
        stream = Concat({stream, junk, KeyEvent(1, static_cast<unsigned char>(0x30 + i), false)});
    }
    for (size_t at = 0; at < stream.size(); at += 97)  // as a serial line delivers it
        Feed(Bytes(stream.begin() + at, stream.begin() + std::min(stream.size(), at + 97)));
    EXPECT_EQ(KeyRange(60), KeysOf(seen.groups));
}

TEST_F(FramerTest, FourBytePayloadEndsItsGroupThoughItsChecksumIsNotZero) {
    const Bytes shortOne = DevicePacket(0x0001, 0, {1, 2, 3, 4});
    ASSERT_NE(0, shortOne.back());
    Feed(Concat({shortOne, kPressA}));
    ASSERT_EQ(2u, seen.groups.size());
    EXPECT_EQ(shortOne, seen.groups[0]);
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
