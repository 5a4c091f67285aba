// Ranges, ticks, unit conversions and reply values of the device-value pages.
#include <gtest/gtest.h>

#include <vector>

#include "../../settings/valueranges.h"

namespace {

struct RangeRow {
    const char* what;
    uint32_t storedMin, storedMax;
    ValueRange fallback, carried;
    ValueRange expected;
};

TEST(ChooseRange, StoredLimitsUnlessTheyLeaveNoRoomOrExceedTheValue) {
    const RangeRow rows[] = {
        {"stored pair", 2, 8, MOUSE_SENSITIVITY_FALLBACK, BYTE_VALUES, {2, 8}},
        {"minimum 0 is a limit", 0, 10, TAP_SPEED_FALLBACK, BYTE_VALUES, {0, 10}},
        {"both absent", 0, 0, MOUSE_SENSITIVITY_FALLBACK, BYTE_VALUES, MOUSE_SENSITIVITY_FALLBACK},
        {"one value only", 3, 3, TAP_SPEED_FALLBACK, BYTE_VALUES, TAP_SPEED_FALLBACK},
        {"maximum below minimum", 600, 5, NO_ACTIVITY_FALLBACK, SECONDS_IN_32_BITS, NO_ACTIVITY_FALLBACK},
        {"maximum absent", 50, 0, REACTION_FALLBACK, WORD_VALUES, REACTION_FALLBACK},
        {"level beyond a byte", 1, 300, NORMAL_LEVEL_FALLBACK, BYTE_VALUES, {1, 255}},
        {"both beyond a byte", 300, 400, STANDBY_LEVEL_FALLBACK, BYTE_VALUES, STANDBY_LEVEL_FALLBACK},
        {"reaction beyond 16 bits", 50, 100000, REACTION_FALLBACK, WORD_VALUES, {50, 65535}},
        {"seconds beyond 32-bit ms", 5, 0xFFFFFFFFu, NO_ACTIVITY_FALLBACK, SECONDS_IN_32_BITS, {5, 4294967}},
        {"minutes beyond 32-bit ms", 1, 0x80000000u, STANDBY_FALLBACK, MINUTES_IN_32_BITS, {1, 71582}},
    };
    for (const RangeRow& row : rows) {
        const ValueRange chosen = ChooseRange(row.storedMin, row.storedMax, row.fallback, row.carried);
        EXPECT_EQ(row.expected.min, chosen.min) << row.what;
        EXPECT_EQ(row.expected.max, chosen.max) << row.what;
    }
}

TEST(ChooseRange, EveryFallbackHoldsItsDefaultAndFitsItsValue) {
    struct Row {
        const char* what;
        ValueRange fallback, carried;
        long absentDefault;
    };
    const Row rows[] = {
        {"touch sensitivity", MOUSE_SENSITIVITY_FALLBACK, BYTE_VALUES, 2},
        {"tapping speed", TAP_SPEED_FALLBACK, BYTE_VALUES, 5},
        {"standby delay, s", NO_ACTIVITY_FALLBACK, SECONDS_IN_32_BITS, 5},
        {"wake touch, ms", REACTION_FALLBACK, WORD_VALUES, 150},
        {"switch-off delay, min", STANDBY_FALLBACK, MINUTES_IN_32_BITS, 10},
        {"normal level", NORMAL_LEVEL_FALLBACK, BYTE_VALUES, 31},
        {"standby level", STANDBY_LEVEL_FALLBACK, BYTE_VALUES, 0},
    };
    for (const Row& row : rows) {
        EXPECT_LT(row.fallback.min, row.fallback.max) << row.what;
        EXPECT_GE(row.fallback.min, row.carried.min) << row.what;
        EXPECT_LE(row.fallback.max, row.carried.max) << row.what;
        EXPECT_EQ(row.absentDefault, DefaultInRange(0, row.absentDefault, row.fallback)) << row.what;
    }
}

TEST(DefaultInRange, AbsentMeansThePagesDefaultAndNothingLeavesTheRange) {
    const ValueRange levels = {1, 31};
    EXPECT_EQ(31, DefaultInRange(0, 31, levels));
    EXPECT_EQ(12, DefaultInRange(12, 31, levels));
    EXPECT_EQ(31, DefaultInRange(200, 31, levels)) << "above the range";
    EXPECT_EQ(31, DefaultInRange(0xFFFFFFFFu, 31, levels)) << "beyond a long";
    EXPECT_EQ(1, DefaultInRange(0, 0, levels)) << "a standby level used as stored, below the range";
    EXPECT_EQ(10, DefaultInRange(0, 5, {10, 600})) << "the page's default below the stored range";
    EXPECT_EQ(1, DefaultInRange(0, 1, SWITCH_VALUES));
    EXPECT_EQ(1, DefaultInRange(7, 1, SWITCH_VALUES));
}

TEST(TickPositions, FromTheMinimumOrInsideUpToTheMaximumMinusOne) {
    EXPECT_EQ((std::vector<long>{1, 2, 3, 4}), TickPositions({1, 5}, TICKS_FROM_MIN));
    EXPECT_EQ((std::vector<long>{2, 3, 4}), TickPositions({1, 5}, TICKS_INSIDE));
    EXPECT_EQ((std::vector<long>{0}), TickPositions({0, 1}, TICKS_FROM_MIN));
    EXPECT_TRUE(TickPositions({0, 1}, TICKS_INSIDE).empty());
    const std::vector<long> standby = TickPositions(STANDBY_LEVEL_FALLBACK, TICKS_INSIDE);
    ASSERT_EQ(30u, standby.size());
    EXPECT_EQ(1, standby.front());
    EXPECT_EQ(30, standby.back());
}

TEST(FieldUnits, SecondsMillisecondsAndMinutesAgainstTheDevicesMilliseconds) {
    EXPECT_EQ(45000u, FieldToMilliseconds(45, UNIT_SECONDS));
    EXPECT_EQ(150u, FieldToMilliseconds(150, UNIT_MILLISECONDS));
    EXPECT_EQ(600000u, FieldToMilliseconds(10, UNIT_MINUTES));
    EXPECT_EQ(0x1170u, FieldToMilliseconds(70000, UNIT_MILLISECONDS)) << "milliseconds travel in 16 bits";
    EXPECT_EQ(0xFFFFFFFFu / 60000 * 60000, FieldToMilliseconds(MINUTES_IN_32_BITS.max, UNIT_MINUTES));
    EXPECT_EQ(0xFFFFFFFFu / 1000 * 1000, FieldToMilliseconds(SECONDS_IN_32_BITS.max, UNIT_SECONDS));

    EXPECT_EQ(10, MillisecondsToField(600000, UNIT_MINUTES));
    EXPECT_EQ(60, MillisecondsToField(60500, UNIT_SECONDS)) << "whole units";
    EXPECT_EQ(40, MillisecondsToField(40, UNIT_MILLISECONDS));
    EXPECT_EQ(71582, MillisecondsToField(0xFFFFFFFFu, UNIT_MINUTES));
}

TEST(FieldUnits, AFieldDiffersOnlyWhenItsWholeNumberDoes) {
    EXPECT_FALSE(FieldDiffersFromHeld(10, 600000, UNIT_MINUTES));
    EXPECT_TRUE(FieldDiffersFromHeld(45, 60000, UNIT_SECONDS));
    EXPECT_FALSE(FieldDiffersFromHeld(60, 60500, UNIT_SECONDS)) << "an untouched row stays untouched";
    EXPECT_TRUE(FieldDiffersFromHeld(200, 150, UNIT_MILLISECONDS));
}

TEST(PositionDiffersFromHeld, AHeldValueOutsideTheRangeSitsAtItsEnd) {
    const ValueRange speeds = {1, 10};
    EXPECT_FALSE(PositionDiffersFromHeld(5, 5, speeds));
    EXPECT_TRUE(PositionDiffersFromHeld(6, 5, speeds));
    EXPECT_FALSE(PositionDiffersFromHeld(10, 150, speeds)) << "shown at the maximum, left there";
    EXPECT_TRUE(PositionDiffersFromHeld(9, 150, speeds));
    EXPECT_FALSE(PositionDiffersFromHeld(1, 0, speeds)) << "shown at the minimum";
}

TEST(ReplyValue, LittleEndianInTheCommandsWidthNeverBeyondFourBytes) {
    const unsigned char standby[4] = {0xC0, 0x27, 0x09, 0x00};  // 600000
    EXPECT_EQ(600000u, ReplyValue(standby, 4));
    const unsigned char tapSpeed[2] = {0x96, 0x01};
    EXPECT_EQ(0x196u, ReplyValue(tapSpeed, 2));
    EXPECT_EQ(0x96u, ReplyValue(tapSpeed, 2) & 0xFF) << "an 8-bit value holds the first byte";
    const unsigned char level[1] = {0x50};
    EXPECT_EQ(0x50u, ReplyValue(level, 1));
    EXPECT_EQ(0u, ReplyValue(level, 0));
    // "Any length" reads only the four bytes a value has (the sanitizer
    // watches the end of the array).
    EXPECT_EQ(600000u, ReplyValue(standby, 0xFFFF));
}

}  // namespace
