// The control client: request kinds, length checks and time-outs, against
// the driver's server in another process and against stand-ins that never
// answer or go away; the typed calls and how a lost driver ends the program.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <cstring>
#include <functional>

#include "../../../common/packet.h"
#include "../../../common/controlrequest.h"
#include "../../../settings/controlclient.h"
#include "../../../settings/drivercalls.h"
#include "../../../settings/retryloops.h"
#include "../../common/devicebytes.h"
#include "../support/dialogpresser.h"
#include "../support/fakedriver.h"
#include "clientfixture.h"

namespace {

using Lines = std::vector<std::string>;

struct ControlRow {
    const char* name;
    Bytes message;
    unsigned char reply;
};

// One reply area per request, pre-filled so that an untouched one shows.
struct Reply {
    unsigned char bytes[REPLY_AREA_SIZE];
    Reply() { std::memset(bytes, 0xCC, sizeof bytes); }
};

int Issue(const Bytes& message, Reply* reply) { return CommandIssuer(0, message.data(), reply->bytes, message[0]); }

TEST_F(ControlClientTest, ControlMessagesReturnWhateverTheDriverAnswered) {
    const ControlRow rows[] = {
        {"key repeat", {5, 1, 30, 0, 0xF4, 0x01}, '1'},
        {"key repeat rate 0", {5, 1, 0, 0, 0xF4, 0x01}, '0'},
        {"key sound", {6, 0}, '1'},
        {"tap", {13, 1}, '1'},
        {"tray icon", {15, 1}, '1'},
        {"connection as it is", {14, 1}, '1'},
        {"settings window while connected", {11, 0, 0, 0, 0}, '1'},
        {"disconnect", {14, 0}, '1'},
        {"settings window while disconnected", {11, 0, 0, 0, 0}, '0'},
        {"unknown port", {12, '9'}, '0'},
    };
    for (const ControlRow& row : rows) {
        Reply reply;
        EXPECT_EQ(1, Issue(row.message, &reply)) << row.name;
        EXPECT_EQ(row.reply, reply.bytes[0]) << row.name;
        EXPECT_EQ(0xCC, reply.bytes[1]) << row.name << ": one byte copied";
    }
}

TEST_F(ControlClientTest, KindsOutsideTheTableFailAtOnceAndSendNothing) {
    const Bytes message = {15, 1};
    for (int kind : {0, 2, 3, 4, 16, 255}) {
        Reply reply;
        EXPECT_EQ(0, CommandIssuer(GET_KEYSENSITIVITY, message.data(), reply.bytes, kind)) << kind;
        EXPECT_EQ(0xCC, reply.bytes[0]) << kind;
    }
    // Anything sent above would have been answered, and that answer read now.
    Reply reply;
    EXPECT_EQ(1, CommandIssuer(GET_KEYSENSITIVITY, nullptr, reply.bytes, KIND_DEVICE_COMMAND));
    EXPECT_EQ(5, reply.bytes[0]);
    EXPECT_EQ(Lines{wire::GET_KEYSENSITIVITY}, Commands());
}

TEST_F(ControlClientTest, DevicePacketsThatCannotBeBuiltAreNotSent) {
    Reply reply;
    EXPECT_EQ(0, CommandIssuer(0x0114, nullptr, reply.bytes, KIND_DEVICE_COMMAND)) << "not in the command table";
    EXPECT_EQ(0, CommandIssuer(SET_KEYSENSITIVITY, nullptr, reply.bytes, KIND_DEVICE_COMMAND)) << "no payload";
    EXPECT_EQ(1, CommandIssuer(GET_KEYSENSITIVITY, nullptr, reply.bytes, KIND_DEVICE_COMMAND));
    EXPECT_EQ(Lines{wire::GET_KEYSENSITIVITY}, Commands());
}

TEST_F(ControlClientTest, DeviceRepliesMustHaveTheTablesLengthUnlessItIsOpen) {
    Reply reply;
    ASSERT_TRUE(sim.Run("badlen 0201 2 once"));
    EXPECT_EQ(0, CommandIssuer(GET_KEYSENSITIVITY, nullptr, reply.bytes, KIND_DEVICE_COMMAND))
        << "two bytes where one is expected";
    EXPECT_EQ(1, CommandIssuer(GET_KEYSENSITIVITY, nullptr, reply.bytes, KIND_DEVICE_COMMAND));
    EXPECT_EQ(5, reply.bytes[0]);

    const unsigned char seven[] = {0, 0, 7};
    EXPECT_EQ(1, CommandIssuer(SET_KEYSENSITIVITY, seven, reply.bytes, KIND_DEVICE_COMMAND))
        << "response length 0 takes the driver's \"1\"";
    EXPECT_EQ('1', reply.bytes[0]);

    ASSERT_TRUE(sim.Run("badlen 020B 7 once"));
    EXPECT_EQ(1, CommandIssuer(GET_DEVICEID, nullptr, reply.bytes, KIND_DEVICE_COMMAND)) << "any length";
    EXPECT_EQ(Lines({wire::GET_KEYSENSITIVITY, wire::GET_KEYSENSITIVITY, wire::SET_KEYSENSITIVITY_7,
                     "A5 A5 01 00 00 00 0B 02 00 00 58"}),
              Commands());
}

TEST_F(ControlClientTest, LateStartReplyIsDroppedAndNeverReadAsTheNextRequestsReply) {
    ASSERT_TRUE(sim.Run("delay 0680 4000 once"));
    ASSERT_TRUE(sim.Run("set mousesensitivity 7"));
    Reply reply;
    const DWORD start = GetTickCount();
    EXPECT_EQ(0, CommandIssuer(START_ZSM, nullptr, reply.bytes, KIND_START_COMMAND));
    EXPECT_GE(Since(start), 2900u) << "the start command waits 3000 ms, less than the server";

    EXPECT_EQ(1, CommandIssuer(GET_KEYSENSITIVITY, nullptr, reply.bytes, KIND_DEVICE_COMMAND));
    EXPECT_EQ(5, reply.bytes[0]) << "the key sensitivity, not the start command's late \"1\"";
    EXPECT_EQ(1, CommandIssuer(GET_MOUSESENSITIVITY, nullptr, reply.bytes, KIND_DEVICE_COMMAND));
    EXPECT_EQ(7, reply.bytes[0]);
}

// The socket layer only reports the lost driver; the typed calls end the
// program, and no dialog asks about a driver that is gone.
TEST_F(ControlClientTest, TurningTheDriverOffClosesTheConnectionAndTheNextCallEndsTheProgram) {
    EXPECT_TRUE(SendInitCommand(DEINIT_CMD));
    EXPECT_TRUE(HostEnded()) << "the driver stops";
    Reply reply;
    EXPECT_EQ(0, Issue({15, 1}, &reply));
    EXPECT_TRUE(DriverGone());
    EXPECT_FALSE(TakeQuitRequest()) << "the socket layer decides nothing";

    DialogPresser presser({IDCANCEL, IDCANCEL});
    EXPECT_EQ(0, SetKeySound(true));
    EXPECT_TRUE(TakeQuitRequest()) << "the typed call ends the program";
    int cancelled = 0;
    EXPECT_EQ(0, QueryWithErrorDialog(nullptr, GET_KEYSENSITIVITY, reply.bytes, [&] { ++cancelled; }, [] {}));
    EXPECT_EQ(0, SendWithRetryPrompt(nullptr, SET_KEYSENSITIVITY, 7, RETRY_IMMEDIATE_CHANGE));
    EXPECT_TRUE(presser.Shown().empty()) << "a dialog asked about a driver that is gone";
    EXPECT_EQ(0, cancelled);
}

TEST_F(ControlClientTest, TypedCallsSendTheSharedLayoutAndReadTheAnswer) {
    EXPECT_EQ(1, SetKeyRepeat(true, 30, 500));
    EXPECT_EQ(0, SetKeyRepeat(true, 0, 500)) << "the driver refuses a rate of 0";
    EXPECT_EQ(1, SetKeySound(false));
    EXPECT_EQ(1, SetMouseTap(true));
    EXPECT_EQ(1, SwitchConnection(true));
    EXPECT_EQ(0, ChangePort(9)) << "no COM9";
    unsigned char reply[REPLY_AREA_SIZE] = {};
    EXPECT_EQ(1, ReadDeviceValue(GET_KEYSENSITIVITY, reply));
    EXPECT_EQ(5, reply[0]);
    EXPECT_EQ(1, SendDeviceValue(SET_KEYSENSITIVITY, 7));
    EXPECT_EQ(1, StartDevice());
    EXPECT_EQ(Lines({wire::GET_KEYSENSITIVITY, wire::SET_KEYSENSITIVITY_7, wire::START_ZSM}), Commands());
}

TEST_F(ControlClientTest, InitCommandRepliesFromItsSequence) {
    EXPECT_TRUE(SendInitCommand(REINIT_CMD));
    EXPECT_TRUE(SendInitCommand(INIT_CMD));
}

TEST_F(ControlClientTest, NothingWorksWithoutTheDriver) {
    TerminateProcess(host, 0);
    ASSERT_TRUE(HostEnded());
    DisconnectFromOrvik();
    EXPECT_EQ(0, ConnectToOrvik());
    DisconnectFromOrvik();
    const unsigned char byte = 15;
    EXPECT_EQ(TRANSFER_FAILED, WriteDataToOrvikServer(&byte, 1));
    unsigned char buffer[8];
    EXPECT_EQ(TRANSFER_FAILED, ReadDataFromServer(buffer, sizeof buffer, 100));
}

// A server that takes every request and never answers.
class SilentDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(CONTROL_PORT);
        address.sin_addr.s_addr = inet_addr("127.0.0.1");
        ASSERT_EQ(0, bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address));
        ASSERT_EQ(0, listen(listener_, 4));
        ASSERT_EQ(1, ConnectToOrvik());
        accepted_ = accept(listener_, nullptr, nullptr);
        ASSERT_NE(INVALID_SOCKET, accepted_);
    }
    void TearDown() override {
        DisconnectFromOrvik();
        closesocket(accepted_);
        closesocket(listener_);
        WSACleanup();
        TakeQuitRequest();
    }

    SOCKET listener_ = INVALID_SOCKET;
    SOCKET accepted_ = INVALID_SOCKET;
};

struct TimeoutRow {
    const char* name;
    std::function<int()> send;
    DWORD timeoutMs;
};

TEST_F(SilentDriverTest, NoReplyFailsAfterTheKindsTimeout) {
    const TimeoutRow rows[] = {
        {"DEINIT_CMD", [] { return SendInitCommand(DEINIT_CMD) ? 1 : 0; }, REPLY_TIMEOUT_MS},
        {"START_ZSM", [] { return CommandIssuer(START_ZSM, nullptr, nullptr, KIND_START_COMMAND); },
         START_REPLY_TIMEOUT_MS},
        {"GET_KEYSENSITIVITY", [] { return CommandIssuer(GET_KEYSENSITIVITY, nullptr, nullptr, KIND_DEVICE_COMMAND); },
         REPLY_TIMEOUT_MS},
    };
    for (const TimeoutRow& row : rows) {
        const DWORD start = GetTickCount();
        EXPECT_EQ(0, row.send()) << row.name;
        EXPECT_GE(Since(start), row.timeoutMs - 100) << row.name;
    }
    EXPECT_FALSE(TakeQuitRequest()) << "silence is not a closed connection";
}

// A stand-in that leaves a request unanswered: the client gives the
// connection up and makes it again before the next request, registering
// the settings window again as it was, so a late reply can never be read
// as another request's answer.
class RenewedConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(driver.Listening());
        ASSERT_EQ(1, ConnectToOrvik());
    }
    void TearDown() override {
        DisconnectFromOrvik();
        TakeQuitRequest();
    }
    FakeDriver driver;
};

TEST_F(RenewedConnectionTest, ATimedOutRequestRenewsTheConnectionAndTheRegistration) {
    const ControlMessage registration = EncodeSettingsWindow(0x1234);
    unsigned char reply[REPLY_AREA_SIZE];
    ASSERT_EQ(1, CommandIssuer(0, registration.bytes, reply, ORVIKSETTINGS_CMD));
    driver.LeaveUnanswered(1);
    EXPECT_EQ(0, SetKeySound(true));
    EXPECT_FALSE(ConnectionReady()) << "a reply may still come on that connection";
    EXPECT_EQ(1, SetMouseTap(true));
    EXPECT_TRUE(ConnectionReady());
    EXPECT_EQ((Lines{"connect", "0B 34 12 00 00", "06 01", "connect", "0B 34 12 00 00", "0D 01"}), driver.Requests());
    EXPECT_FALSE(DriverGone());
}

TEST_F(RenewedConnectionTest, QuittingAfterATimeOutWaitsForNoFurtherRequest) {
    driver.LeaveUnanswered(1);
    EXPECT_EQ(0, SetKeySound(true));
    UnregisterSettingsWindow();
    EXPECT_EQ((Lines{"connect", "06 01"}), driver.Requests()) << "closing the connection unregisters the window";
}

TEST_F(RenewedConnectionTest, ADriverGoneWhileARequestWaitedEndsTheProgramAtTheNextRequest) {
    driver.LeaveUnanswered(1);
    EXPECT_EQ(0, SetKeySound(true));
    driver.GoAway();
    EXPECT_EQ(0, SetMouseTap(true));
    EXPECT_TRUE(DriverGone()) << "the new connection was refused";
    EXPECT_TRUE(TakeQuitRequest());
}

TEST_F(RenewedConnectionTest, AResetConnectionEndsTheProgramAsAClosedOneDoes) {
    EXPECT_EQ(1, SetKeySound(true));
    driver.GoAway(true);
    EXPECT_EQ(0, SetMouseTap(true));
    EXPECT_TRUE(DriverGone());
    EXPECT_TRUE(TakeQuitRequest());
}

}  // namespace
