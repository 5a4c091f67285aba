// The connection error dialog and the retry loops of the settings program,
// against the driver (test host) and the simulated device. The tests press
// the real dialogs' buttons.
#include <gtest/gtest.h>

#include "../../../common/packet.h"
#include "../../../common/registry.h"
#include "../../../common/uiseam.h"
#include "../../../settings/controlclient.h"
#include "../../../settings/errordialog.h"
#include "../../../settings/retryloops.h"
#include "clientfixture.h"
#include "../support/dialogpresser.h"

namespace {

using Lines = std::vector<std::string>;

const char* const ERROR_DIALOG = "Tavelin Error";
const char* const PROMPT = "Error";

// The pages' actions, counted.
struct Actions {
    int cancelled = 0;
    int turnedOff = 0;
    std::function<void()> Cancel() {
        return [this] { ++cancelled; };
    }
    std::function<void()> TurnOff() {
        return [this] { ++turnedOff; };
    }
};

class ErrorDialogTest : public ControlClientTest {};

TEST_F(ErrorDialogTest, ShowsTheMessageWithTheDeviceName) {
    SetStringValueToRegistry(REG_APPLICATION_KEY, "DeviceName", "Prism");
    DialogPresser presser({IDCANCEL});
    EXPECT_EQ(IDCANCEL, CError(CError::MODE_ORDINARY).DoModal());
    ASSERT_EQ(1u, presser.Shown().size());
    EXPECT_EQ(ERROR_DIALOG, presser.Shown()[0].caption);
    EXPECT_EQ("Unable to detect a connected device.\n\nPlease check that the connection and make sure that the device "
              "is turned on.\n\nWould you like to retry to establish a connection, turn off the Prism or cancel the "
              "attemp to connect?",
              presser.Shown()[0].text);
}

struct ButtonRow {
    const char* name;
    int button;
    INT_PTR result;
};

TEST_F(ErrorDialogTest, TurnOffCancelAndTheCloseBoxReportWithoutSendingAnything) {
    const ButtonRow rows[] = {{"Turn Off", IDC_TURNOFF, 1024},
                              {"Cancel", IDCANCEL, 2},
                              {"close box", DialogPresser::CLOSE_BOX, 2}};
    for (const ButtonRow& row : rows) {
        for (int mode : {CError::MODE_ORDINARY, CError::MODE_START}) {
            DialogPresser presser({row.button});
            EXPECT_EQ(row.result, CError(mode).DoModal()) << row.name << " in mode " << mode;
        }
    }
    EXPECT_EQ(Lines{}, Commands());
}

TEST_F(ErrorDialogTest, RetryInTheStartModeOnlyReports) {
    DialogPresser presser({IDRETRY});
    EXPECT_EQ(IDRETRY, CError(CError::MODE_START).DoModal());
    EXPECT_EQ(Lines{}, Commands()) << "never re-initialises";
}

TEST_F(ErrorDialogTest, RetryInTheOrdinaryModeReinitialisesBeforeItReports) {
    DialogPresser presser({IDRETRY});
    const DWORD start = GetTickCount();
    EXPECT_EQ(IDINITSUCCESS, CError(CError::MODE_ORDINARY).DoModal());
    EXPECT_GE(Since(start), START_SETTLE_MS) << "the device settles after its start";
    EXPECT_EQ(Lines{wire::START_ZSM}, Commands());
}

TEST_F(ErrorDialogTest, RetryInTheOrdinaryModeReportsRetryWhenTheDeviceStaysSilent) {
    ASSERT_TRUE(sim.Run("silent all"));
    DialogPresser presser({IDRETRY});
    EXPECT_EQ(IDRETRY, CError(CError::MODE_ORDINARY).DoModal());
    EXPECT_EQ(Lines{wire::START_ZSM}, Commands());
}

class QueryLoopTest : public ControlClientTest {};

TEST_F(QueryLoopTest, AnsweredQueryShowsNoDialog) {
    DialogPresser presser({IDCANCEL});
    Actions actions;
    unsigned char reply[REPLY_AREA_SIZE] = {};
    EXPECT_EQ(1, QueryWithErrorDialog(GET_KEYSENSITIVITY, reply, actions.Cancel(), actions.TurnOff()));
    EXPECT_EQ(5, reply[0]);
    EXPECT_TRUE(presser.Shown().empty());
}

TEST_F(QueryLoopTest, FailedReinitialisationBringsTheDialogBackWithoutANewQuery) {
    ASSERT_TRUE(sim.Run("silent all"));
    DialogPresser presser({IDRETRY, IDCANCEL});
    Actions actions;
    unsigned char reply[REPLY_AREA_SIZE] = {};
    EXPECT_EQ(0, QueryWithErrorDialog(GET_KEYSENSITIVITY, reply, actions.Cancel(), actions.TurnOff()));
    EXPECT_EQ((Lines{ERROR_DIALOG, ERROR_DIALOG}), presser.Captions());
    EXPECT_EQ((Lines{wire::GET_KEYSENSITIVITY, wire::START_ZSM}), Commands());
    EXPECT_EQ(1, actions.cancelled);
    EXPECT_EQ(0, actions.turnedOff);
}

TEST_F(QueryLoopTest, SuccessfulReinitialisationQueriesAgain) {
    ASSERT_TRUE(sim.Run("silent 0201 once"));
    DialogPresser presser({IDRETRY});
    Actions actions;
    unsigned char reply[REPLY_AREA_SIZE] = {};
    EXPECT_EQ(1, QueryWithErrorDialog(GET_KEYSENSITIVITY, reply, actions.Cancel(), actions.TurnOff()));
    EXPECT_EQ(5, reply[0]);
    EXPECT_EQ((Lines{wire::GET_KEYSENSITIVITY, wire::START_ZSM, wire::GET_KEYSENSITIVITY}), Commands());
    EXPECT_EQ(0, actions.cancelled + actions.turnedOff);
}

TEST_F(QueryLoopTest, TurnOffStopsTheDriverThenRunsThePagesAction) {
    ASSERT_TRUE(sim.Run("silent 0201"));
    DialogPresser presser({IDC_TURNOFF});
    Actions actions;
    unsigned char reply[REPLY_AREA_SIZE] = {};
    EXPECT_EQ(0, QueryWithErrorDialog(GET_KEYSENSITIVITY, reply, actions.Cancel(), actions.TurnOff()));
    EXPECT_EQ(1, actions.turnedOff);
    EXPECT_EQ(0, actions.cancelled);
    EXPECT_TRUE(HostEnded(8000)) << "DEINIT_CMD was sent";
}

INT_PTR WINAPI DialogNotCreated(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM) { return -1; }

TEST_F(QueryLoopTest, AnyOtherDialogResultReturnsWithoutAnAction) {
    ASSERT_TRUE(sim.Run("silent 0201 once"));
    g_ui.dialogBoxParamA = DialogNotCreated;
    Actions actions;
    unsigned char reply[REPLY_AREA_SIZE] = {};
    EXPECT_EQ(0, QueryWithErrorDialog(GET_KEYSENSITIVITY, reply, actions.Cancel(), actions.TurnOff()));
    g_ui.dialogBoxParamA = DialogBoxParamA;
    EXPECT_EQ(0, actions.cancelled + actions.turnedOff);
}

class StartLoopTest : public ControlClientTest {};

TEST_F(StartLoopTest, AcceptedStartShowsNoDialog) {
    DialogPresser presser({IDCANCEL});
    EXPECT_EQ(1, SendStartZSMWithRetry());
    EXPECT_TRUE(presser.Shown().empty());
    EXPECT_EQ(Lines{wire::START_ZSM}, Commands());
}

TEST_F(StartLoopTest, RetrySendsTheStartAgainAndTurnOffStopsTheDriver) {
    ASSERT_TRUE(sim.Run("silent 0680"));
    DialogPresser presser({IDRETRY, IDC_TURNOFF});
    EXPECT_EQ(0, SendStartZSMWithRetry());
    EXPECT_EQ((Lines{ERROR_DIALOG, ERROR_DIALOG}), presser.Captions());
    EXPECT_TRUE(HostEnded(8000)) << "DEINIT_CMD was sent";
    EXPECT_EQ((Lines{wire::START_ZSM, wire::START_ZSM}), Commands());
    unsigned char reply[REPLY_AREA_SIZE];
    EXPECT_EQ(0, CommandIssuer(GET_KEYSENSITIVITY, nullptr, reply, KIND_DEVICE_COMMAND));
    EXPECT_TRUE(TakeQuitRequest()) << "the next read finds the connection closed and ends the program";
}

TEST_F(StartLoopTest, CancelGivesUp) {
    ASSERT_TRUE(sim.Run("silent 0680"));
    DialogPresser presser({IDCANCEL});
    EXPECT_EQ(0, SendStartZSMWithRetry());
    EXPECT_FALSE(HostEnded(0));
}

class RetryPromptTest : public ControlClientTest {};

TEST_F(RetryPromptTest, RetryStartsTheDeviceAndSendsTheValueAgain) {
    ASSERT_TRUE(sim.Run("silent 0101 once"));
    DialogPresser presser({IDRETRY});
    EXPECT_EQ(1, SendWithRetryPrompt(nullptr, SET_KEYSENSITIVITY, 7, RETRY_IMMEDIATE_CHANGE));
    ASSERT_EQ(1u, presser.Shown().size());
    EXPECT_EQ(PROMPT, presser.Shown()[0].caption);
    EXPECT_EQ("Please check the connection.\n\nAnd make sure that the Tavelin is turned on.", presser.Shown()[0].text);
    EXPECT_EQ((Lines{wire::SET_KEYSENSITIVITY_7, wire::START_ZSM, wire::SET_KEYSENSITIVITY_7}), Commands());
    EXPECT_FALSE(TakeQuitRequest());
}

// Each variant gives up in its own way, after a Cancel in the prompt or a
// start that the user abandoned in the connection error dialog.
struct GiveUpRow {
    const char* name;
    RetryVariant variant;
    bool cancelInPrompt;
    int result;
    bool quits;
};

class RetryVariantTest : public ControlClientTest, public ::testing::WithParamInterface<GiveUpRow> {};

TEST_P(RetryVariantTest, GivesUpAsItsRowSays) {
    const GiveUpRow& row = GetParam();
    ASSERT_TRUE(sim.Run("silent all"));
    DialogPresser presser(row.cancelInPrompt ? std::vector<int>{IDCANCEL} : std::vector<int>{IDRETRY, IDCANCEL});
    EXPECT_EQ(row.result, SendWithRetryPrompt(nullptr, SET_KEYSENSITIVITY, 7, row.variant));
    EXPECT_EQ(row.quits, TakeQuitRequest());
    const Lines dialogs = row.cancelInPrompt ? Lines{PROMPT} : Lines{PROMPT, ERROR_DIALOG};
    EXPECT_EQ(dialogs, presser.Captions());
    const Lines sent = row.cancelInPrompt ? Lines{wire::SET_KEYSENSITIVITY_7}
                                          : Lines{wire::SET_KEYSENSITIVITY_7, wire::START_ZSM};
    EXPECT_EQ(sent, Commands());
}

const GiveUpRow kGiveUpRows[] = {
    {"ImmediateCancel", RETRY_IMMEDIATE_CHANGE, true, 0, false},
    {"ImmediateStartFails", RETRY_IMMEDIATE_CHANGE, false, 0, false},
    {"KeyboardDefaultsCancel", RETRY_KEYBOARD_DEFAULTS, true, 1, false},
    {"KeyboardDefaultsStartFails", RETRY_KEYBOARD_DEFAULTS, false, 1, false},
    {"DefaultsQuittingCancel", RETRY_DEFAULTS_QUITTING, true, 1, true},
    {"DefaultsQuittingStartFails", RETRY_DEFAULTS_QUITTING, false, 0, true},
    {"ProjectorDefaultsCancel", RETRY_PROJECTOR_DEFAULTS, true, 1, false},
    {"ProjectorDefaultsStartFails", RETRY_PROJECTOR_DEFAULTS, false, 0, false},
};

INSTANTIATE_TEST_SUITE_P(Variants, RetryVariantTest, ::testing::ValuesIn(kGiveUpRows),
                         [](const ::testing::TestParamInfo<GiveUpRow>& info) { return info.param.name; });

}  // namespace
