// The control messages as the settings program encodes them and as the
// driver's server reads them: one layout, so every field survives the trip.
#include <gtest/gtest.h>

#include "../../common/controlrequest.h"

namespace {

ControlRequest Parsed(const ControlMessage& message) {
    ControlRequest request;
    ParseControlRequest(message.bytes, message.length, &request);
    return request;
}

TEST(ControlMessages, KeyRepeatKeepsItsSwitchRateAndDelay) {
    const ControlMessage message = EncodeKeyRepeat(1, 300, 1050);
    EXPECT_EQ(6, message.length);
    const ControlRequest request = Parsed(message);
    EXPECT_EQ(REQUEST_KEY_REPEAT, request.kind);
    EXPECT_EQ(1, request.flag);
    EXPECT_EQ(300, request.rate);
    EXPECT_EQ(1050, request.holdMs);
    EXPECT_EQ(0, Parsed(EncodeKeyRepeat(0, 3, 150)).flag);
    EXPECT_EQ(1, Parsed(EncodeKeyRepeat(7, 3, 150)).flag) << "any true switch is sent as 1";
}

TEST(ControlMessages, FlagCommandsCarryTheirOneByte) {
    struct Row {
        ControlCode code;
        ControlRequestKind kind;
        unsigned char flag;
    };
    const Row rows[] = {
        {SND_KEY_SOUND, REQUEST_KEY_SOUND, 1},         {MOUSETAP_CMD, REQUEST_MOUSE_TAP, 0},
        {ENABLECONNECTION_CMD, REQUEST_ENABLE_CONNECTION, 1}, {SYSTRAYICON_CMD, REQUEST_TRAY_ICON, 0},
        {CHANGECOMPORT_CMD, REQUEST_CHANGE_PORT, '6'},
    };
    for (const Row& row : rows) {
        const ControlMessage message = EncodeFlagCommand(row.code, row.flag);
        EXPECT_EQ(2, message.length) << row.code;
        const ControlRequest request = Parsed(message);
        EXPECT_EQ(row.kind, request.kind) << row.code;
        EXPECT_EQ(row.flag, request.flag) << row.code;
    }
}

TEST(ControlMessages, SettingsWindowKeepsAllFourBytesAndBareCommandsTheirCode) {
    const ControlMessage message = EncodeSettingsWindow(0x80A1B2C3UL);
    EXPECT_EQ(5, message.length);
    EXPECT_EQ(REQUEST_SETTINGS_WINDOW, Parsed(message).kind);
    EXPECT_EQ(0x80A1B2C3UL, Parsed(message).window);
    EXPECT_EQ(0UL, Parsed(EncodeSettingsWindow(0)).window) << "0 unregisters";

    const ControlCode bare[] = {INIT_CMD, DEINIT_CMD, REINIT_CMD};
    const ControlRequestKind kinds[] = {REQUEST_INIT, REQUEST_DEINIT, REQUEST_REINIT};
    for (int i = 0; i < 3; ++i) {
        const ControlMessage command = EncodeBareCommand(bare[i]);
        EXPECT_EQ(1, command.length);
        EXPECT_EQ(kinds[i], Parsed(command).kind);
    }
}

TEST(ControlMessages, OnlyControlCodesHaveALength) {
    for (int code : {0, 1, 4, 9, 16, 0xA5, 255}) EXPECT_EQ(0, ControlMessageLength(code)) << code;
}

}  // namespace
