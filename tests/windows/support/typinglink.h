// The whole device link with key repeat on its timer window and a recorder
// window in front that takes what the device types: the fixture of the
// end-to-end typing and fault tests.
#ifndef ORVIK_TESTS_TYPINGLINK_H
#define ORVIK_TESTS_TYPINGLINK_H

#include <initializer_list>
#include <string>
#include <vector>

#include "../../../driver/devicelink/commands.h"
#include "../../../driver/input/keyrepeat.h"
#include "../../../driver/input/sound.h"
#include "../input/recorder.h"
#include "driverlink.h"
#include "timerwindowthread.h"

class TypingLinkTest : public DriverLinkTest {
protected:
    using Messages = std::vector<std::string>;

    explicit TypingLinkTest(const char* recorderTitle) : recorderTitle_(recorderTitle) {}

    void SetUp() override {
        DriverLinkTest::SetUp();
        bSoundEnabled = 0;
        ApplyKeyRepeatSettings(1, 20, 300);
        ASSERT_TRUE(timerWindow_.Start());
        ASSERT_TRUE(sim.Run("set powerstate FB"));
        ASSERT_EQ(1, InitSequence());
        ASSERT_TRUE(sim.Run("clearlog"));
        ASSERT_TRUE(recorder.Open(recorderTitle_));
    }
    void TearDown() override {
        recorder.Close();
        timerWindow_.Stop();
        DriverLinkTest::TearDown();
    }

    // Runs simulator commands, then has the device send its marker and takes
    // what the window received once the marker arrived: all that the
    // commands typed is there by then, and nothing they typed comes later.
    Messages Type(std::initializer_list<const char*> commands) {
        for (const char* command : commands) EXPECT_TRUE(sim.Run(command)) << command;
        EXPECT_TRUE(recorder.AwaitDeviceMarker([this] { return sim.Run("marker"); }))
            << "the device's marker key was never typed";
        return recorder.Take();
    }

    // Runs simulator commands whose events no thread will type (the
    // depacketizer has ended), then a command round trip through the link:
    // once the device's answer is in, the reader has read what came before.
    void SendPastTheReader(std::initializer_list<const char*> commands) {
        for (const char* command : commands) EXPECT_TRUE(sim.Run(command)) << command;
        unsigned char answer[RESPONSE_BUFFER_SIZE];
        EXPECT_EQ(1, WriteAllData(GET_POWERSTATE, nullptr, answer, CMD_CLASS_ORDINARY)) << "the device answered";
    }

    RecorderWindow recorder;

private:
    TimerWindowThread timerWindow_;
    const char* recorderTitle_;
};

#endif
