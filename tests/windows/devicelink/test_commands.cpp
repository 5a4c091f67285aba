// Device commands and the start-up sequences against the simulated device.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../../../common/registry.h"
#include "../../../common/packet.h"
#include "../../../driver/devicelink/commands.h"
#include "../../../driver/devicelink/messages.h"
#include "../../../driver/service/resource.h"
#include "../../../driver/service/serviceevents.h"
#include "../support/dialogpresser.h"
#include "../support/driverlink.h"

namespace {

using Lines = std::vector<std::string>;

class CommandTest : public DriverLinkTest {
protected:
    void SetUp() override {
        DriverLinkTest::SetUp();
        ASSERT_TRUE(sim.Run("set powerstate FB"));
        ASSERT_EQ(1, InitSequence());
        ASSERT_EQ(1, GetConnectionState());
        ASSERT_TRUE(sim.Run("clearlog"));
    }

    // Sends one command and says how long the answer took.
    int Send(unsigned short opcode, int commandClass, DWORD* elapsedMs = nullptr) {
        unsigned char answer[RESPONSE_BUFFER_SIZE];
        const DWORD start = GetTickCount();
        const int ok = WriteAllData(opcode, nullptr, answer, commandClass);
        if (elapsedMs) *elapsedMs = GetTickCount() - start;
        return ok;
    }
};

TEST_F(CommandTest, ResponseLengthMustMatchTheTableUnlessItIsOpen) {
    ASSERT_TRUE(sim.Run("badlen 021C 2"));
    EXPECT_EQ(0, Send(GET_POWERSTATE, CMD_CLASS_ORDINARY)) << "two bytes where one is expected";
    ASSERT_TRUE(sim.Run("badlen 020B 7"));
    EXPECT_EQ(1, Send(GET_DEVICEID, CMD_CLASS_ORDINARY)) << "any length is taken";
    ASSERT_TRUE(sim.Run("badlen 0680 3"));
    EXPECT_EQ(0, Send(START_ZSM, CMD_CLASS_START)) << "the start command carries no payload";
    ASSERT_TRUE(sim.Run("badlen off"));
    EXPECT_EQ(1, Send(GET_POWERSTATE, CMD_CLASS_ORDINARY));
}

TEST_F(CommandTest, FailureStatusFailsAtOnceAndSilenceAfterTheClassTimeout) {
    DWORD elapsed = 0;
    ASSERT_TRUE(sim.Run("fail 021C"));
    EXPECT_EQ(0, Send(GET_POWERSTATE, CMD_CLASS_ORDINARY, &elapsed));
    EXPECT_LT(elapsed, 4000u) << "ended by the answer, not the time-out";

    ASSERT_TRUE(sim.Run("silent all"));
    EXPECT_EQ(0, Send(GET_POWERSTATE, CMD_CLASS_ORDINARY, &elapsed));
    EXPECT_GE(elapsed, 4900u) << "ended by the time-out";
    EXPECT_EQ(0, Send(START_ZSM, CMD_CLASS_START, &elapsed));
    EXPECT_GE(elapsed, 2400u);
}

// Each thread asks for another value: a sender that took another's answer
// (two commands in flight at once) would see the wrong one.
TEST_F(CommandTest, CommandsFromSeveralThreadsTakeTurnsAndEachGetsItsOwnAnswer) {
    struct Query {
        unsigned short opcode;
        unsigned char expected;
        int ok;
        unsigned char answer;
        static DWORD WINAPI Run(LPVOID self) {
            Query* query = static_cast<Query*>(self);
            unsigned char answer[RESPONSE_BUFFER_SIZE] = {};
            query->ok = WriteAllData(query->opcode, nullptr, answer, CMD_CLASS_ORDINARY);
            query->answer = answer[0];
            return 0;
        }
    };
    for (const char* command : {"set keysensitivity 3", "set mousesensitivity 7", "set normallevel 61",
                                "set standbylevel 12", "delay all 100"})
        ASSERT_TRUE(sim.Run(command));
    Query queries[4] = {{GET_KEYSENSITIVITY, 3, 0, 0}, {GET_MOUSESENSITIVITY, 7, 0, 0},
                        {GET_PROJECTORNORMALLEVEL, 61, 0, 0}, {GET_PROJECTORSTANDBYLEVEL, 12, 0, 0}};
    HANDLE threads[4];
    for (int i = 0; i < 4; ++i) threads[i] = CreateThread(nullptr, 0, Query::Run, &queries[i], 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(4, threads, TRUE, 30000));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(1, queries[i].ok) << i;
        EXPECT_EQ(queries[i].expected, queries[i].answer) << i;
        CloseHandle(threads[i]);
    }
    EXPECT_EQ(4u, Commands().size());
}

struct HandshakeCase {
    const char* name;
    const char* layoutNumber;
    const char* deviceId;
    Lines expected;
};

TEST_F(CommandTest, LayoutHandshakeFollowsTheDevicesAnswers) {
    const HandshakeCase cases[] = {
        {"layout 0 requested", "02", "00A0", {wire::GET_PROJECTEDLAYOUTNUM, wire::SET_ACTIVELAYOUT_0}},
        {"device id 0x0A0", "00", "00A0", {wire::GET_PROJECTEDLAYOUTNUM, wire::GET_DEVICEID, wire::SET_ACTIVELAYOUT_5}},
        {"device id 0x3E0", "00", "03E0", {wire::GET_PROJECTEDLAYOUTNUM, wire::GET_DEVICEID}},
    };
    for (const HandshakeCase& c : cases) {
        ASSERT_TRUE(sim.Run(std::string("set projectedlayoutnum ") + c.layoutNumber));
        ASSERT_TRUE(sim.Run(std::string("set deviceid ") + c.deviceId));
        ASSERT_TRUE(sim.Run("clearlog"));
        EXPECT_EQ(1, SetDefaultLayout()) << c.name;
        EXPECT_EQ(c.expected, Commands()) << c.name;
    }
    ASSERT_TRUE(sim.Run("silent 023F"));
    EXPECT_EQ(0, SetDefaultLayout());
}

// InitSequence from each power state the device may be in.
class InitSequenceTest : public DriverLinkTest {};

struct PowerCase {
    const char* state;
    Lines expected;
    DWORD minimumMs;
};

TEST_F(InitSequenceTest, BringsTheDeviceUpFromEveryPowerState) {
    const PowerCase cases[] = {
        {"FB", {wire::GET_POWERSTATE, wire::GET_PROJECTEDLAYOUTNUM, wire::GET_DEVICEID, wire::SET_ACTIVELAYOUT_5}, 0},
        {"FC",
         {wire::GET_POWERSTATE, wire::SET_POWERSTATE_NORMAL, wire::GET_PROJECTEDLAYOUTNUM, wire::GET_DEVICEID,
          wire::SET_ACTIVELAYOUT_5},
         0},
        {"FD",
         {wire::GET_POWERSTATE, wire::START_ZSM, wire::GET_PROJECTEDLAYOUTNUM, wire::GET_DEVICEID,
          wire::SET_ACTIVELAYOUT_5},
         2000},
    };
    for (const PowerCase& c : cases) {
        ASSERT_TRUE(sim.Run("reset"));
        ASSERT_TRUE(sim.Run(std::string("set powerstate ") + c.state));
        const DWORD start = GetTickCount();
        EXPECT_EQ(1, InitSequence()) << c.state;
        EXPECT_GE(GetTickCount() - start, c.minimumMs) << c.state << ": the device settles after its start";
        EXPECT_EQ(c.expected, Commands()) << c.state;
        EXPECT_EQ(1, GetConnectionState()) << c.state;
        EXPECT_TRUE(messages.empty()) << c.state;
        DeInitializeKeyBoard();
    }
}

TEST_F(InitSequenceTest, SilentDeviceEndsNotConnected) {
    ASSERT_TRUE(sim.Run("silent all"));
    EXPECT_EQ(0, InitSequence());
    EXPECT_EQ((Lines{wire::GET_POWERSTATE}), Commands());
    EXPECT_EQ(0, GetConnectionState());
    ASSERT_TRUE(sim.Run("clearlog"));
    EXPECT_EQ(0, WriteAllData(GET_POWERSTATE, nullptr, nullptr, CMD_CLASS_ORDINARY));
    EXPECT_EQ(Lines{}, Commands()) << "the port is closed";
    EXPECT_EQ(0u, GetDwordValueFromRegistry(REG_COMPORT_KEY, "Connected", 7));
}

TEST_F(InitSequenceTest, FailedHandshakeShowsMessage2AndKeepsTheLink) {
    ASSERT_TRUE(sim.Run("set powerstate FB"));
    ASSERT_TRUE(sim.Run("fail 023F"));
    EXPECT_EQ(1, InitSequence());
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Unable to set Tavelin information. Please check the serial connection and make sure that the device "
              "is turned on. If the error persists, contact customer support.",
              messages[0].text);
    EXPECT_EQ(1, GetConnectionState());
}

// The connection error dialog after a failed start or a refused wake-up.
class ErrorDialogTest : public DriverLinkTest {
protected:
    void SetUp() override {
        DriverLinkTest::SetUp();
        ASSERT_EQ(1, InitSequence());
        ASSERT_TRUE(sim.Run("clearlog"));
    }
};

TEST_F(ErrorDialogTest, RetryRepeatsTheStartUntilCancel) {
    ASSERT_TRUE(sim.Run("silent 0680"));
    DialogPresser answerer({IDRETRY, IDRETRY, IDCANCEL});
    EXPECT_EQ(0, SendStartZSM());
    EXPECT_EQ(3u, answerer.Shown().size());
    EXPECT_EQ((Lines{wire::START_ZSM, wire::START_ZSM, wire::START_ZSM}), Commands());
    ASSERT_FALSE(answerer.Shown().empty());
    EXPECT_EQ("Unable to detect a connected device. Please check that the serial cable is connected properly and "
              "make sure that the device is turned on.\n\nWould you like to retry to establish a connection, turn "
              "off the Tavelin or cancel the attemp to connect?",
              answerer.Shown()[0].text);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(g_hServiceStopEvent, 0)) << "Cancel does not stop the driver";
}

TEST_F(ErrorDialogTest, RetryThatSucceedsEndsTheLoop) {
    ASSERT_TRUE(sim.Run("silent 0680 once"));
    DialogPresser answerer({IDRETRY});
    EXPECT_EQ(1, SendStartZSM());
    EXPECT_EQ(1u, answerer.Shown().size());
}

TEST_F(ErrorDialogTest, TurnOffAlertsAndStopsTheDriver) {
    ASSERT_TRUE(sim.Run("silent 0680"));
    DialogPresser answerer({IDC_TURNOFF});
    EXPECT_EQ(0, SendStartZSM());
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Alert", messages[0].caption);
    EXPECT_EQ("This operation turns off the Tavelin. Next time you connect your tavelin, tap on application icon "
              "before you start typing.",
              messages[0].text);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_hServiceStopEvent, 0));
}

TEST_F(ErrorDialogTest, RefusedWakeUpAsksAgainOnEveryFailure) {
    ASSERT_TRUE(sim.Run("set powerstate FC"));
    ASSERT_TRUE(sim.Run("fail 012F"));
    DialogPresser answerer({IDRETRY, IDCANCEL});
    EXPECT_EQ(0, PowerStateSequence());
    EXPECT_EQ(2u, answerer.Shown().size());
    EXPECT_EQ((Lines{wire::GET_POWERSTATE, wire::SET_POWERSTATE_NORMAL, wire::SET_POWERSTATE_NORMAL}), Commands());
}

}  // namespace

namespace {

class DriverMessageTest : public LinkFixture {};

TEST_F(DriverMessageTest, EachMessageHasItsCaptionIconAndTextWithTheDeviceName) {
    SetStringValueInRegistry(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, "DeviceName", "Orvik One");
    struct Row { int number; const char* caption; UINT icon; const char* text; };
    const Row rows[] = {
        {0, "Alert", MB_ICONWARNING,
         "This operation turns off the Orvik One. Next time you connect your tavelin, tap on application icon "
         "before you start typing."},
        {1, "Error", MB_ICONERROR,
         "Please select an available serial port in the Connection Settings option before attempting to connect "
         "to the Orvik One."},
        {2, "Error", MB_ICONERROR,
         "Unable to set Orvik One information. Please check the serial connection and make sure that the device "
         "is turned on. If the error persists, contact customer support."},
        {4, "Error", MB_ICONERROR, "Incompatible OS. This driver is only compatible with Windows CE 4.2"},
    };
    for (const Row& row : rows) {
        messages.clear();
        ShowDriverMessage(nullptr, row.number);
        ASSERT_EQ(1u, messages.size()) << row.number;
        EXPECT_EQ(row.caption, messages[0].caption) << row.number;
        EXPECT_EQ(row.icon, messages[0].type & MB_ICONMASK) << row.number;
        EXPECT_EQ(row.text, messages[0].text) << row.number;
    }
    SetStringValueInRegistry(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, "OS Version", "Windows XP");
    messages.clear();
    ShowDriverMessage(nullptr, 4);
    EXPECT_EQ("Incompatible OS. This driver is only compatible with Windows XP", messages.at(0).text);
    messages.clear();
    EXPECT_EQ(0, ShowDriverMessage(nullptr, 3)) << "there is no message 3";
    EXPECT_TRUE(messages.empty());
}

TEST_F(DriverMessageTest, LongDeviceNameIsCutNotOverrun) {
    // The longest name the registry read hands out, in a text too small for it.
    const std::string name(REG_STRING_MAX - 1, 'N');
    SetStringValueInRegistry(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, "DeviceName", name.c_str());
    char text[80 + 1];
    text[80] = '#';
    FormatWithDeviceName(text, 80, "Unable to set %s information.");
    EXPECT_EQ('#', text[80]) << "nothing written past the buffer";
    EXPECT_EQ(79u, std::strlen(text)) << "cut and terminated";
    EXPECT_EQ(0u, std::string(text).find("Unable to set NNN"));
    for (int number : {0, 1, 2}) {
        messages.clear();
        ShowDriverMessage(nullptr, number);
        ASSERT_EQ(1u, messages.size());
        EXPECT_NE(std::string::npos, messages[0].text.find(name)) << number << ": the longest name fits whole";
    }
}

}  // namespace
