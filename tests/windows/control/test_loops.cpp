// The connection error dialog and the retry loops of the settings program,
// against the driver (test host) and the simulated device. The tests press
// the real dialogs' buttons. The dialog only answers; the loops retry, and
// its owner is the main window of the page that asked.
#include <gtest/gtest.h>

#include "../../../common/packet.h"
#include "../../../common/registry.h"
#include "../../../common/uiseam.h"
#include "../../../settings/controlclient.h"
#include "../../../settings/drivercalls.h"
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
    EXPECT_EQ(IDCANCEL, CError(nullptr).DoModal());
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

// Every button only reports: the dialog sends nothing, Retry included.
TEST_F(ErrorDialogTest, EachButtonReportsItsAnswerAndSendsNothing) {
    const ButtonRow rows[] = {{"Retry", IDRETRY, 4},
                              {"Turn Off", IDC_TURNOFF, 1024},
                              {"Cancel", IDCANCEL, 2},
                              {"close box", DialogPresser::CLOSE_BOX, 2}};
    for (const ButtonRow& row : rows) {
        DialogPresser presser({row.button});
        EXPECT_EQ(row.result, CError(nullptr).DoModal()) << row.name;
    }
    EXPECT_EQ(Lines{}, Commands());
}

// A top-level window with a page inside, as the main window holds its pages.
class MainWindowStandIn {
public:
    MainWindowStandIn() {
        main_ = CreateWindowExA(0, "STATIC", "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                nullptr, nullptr, nullptr);
        page_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, main_, nullptr, nullptr,
                                nullptr);
    }
    ~MainWindowStandIn() { DestroyWindow(main_); }
    HWND Main() const { return main_; }
    HWND Page() const { return page_; }

private:
    HWND main_, page_;
};

TEST_F(ErrorDialogTest, TheLoopsDialogsAreModalToTheMainWindowOfThePageThatAsked) {
    ASSERT_TRUE(sim.Run("silent all"));
    MainWindowStandIn window;
    // Focus elsewhere: the owner must not depend on which window is active.
    SetActiveWindow(nullptr);
    {
        DialogPresser presser({IDCANCEL});
        Actions actions;
        unsigned char reply[REPLY_AREA_SIZE] = {};
        EXPECT_EQ(0, QueryWithErrorDialog(window.Page(), GET_KEYSENSITIVITY, reply, actions.Cancel(),
                                          actions.TurnOff()));
        ASSERT_EQ(1u, presser.Shown().size());
        EXPECT_EQ(window.Main(), presser.Shown()[0].owner);
        EXPECT_TRUE(presser.Shown()[0].ownerDisabled) << "no tab switch can reach the main window meanwhile";
    }
    DialogPresser presser({IDRETRY, IDCANCEL});
    EXPECT_EQ(0, SendWithRetryPrompt(window.Page(), SET_KEYSENSITIVITY, 7, RETRY_IMMEDIATE_CHANGE));
    ASSERT_EQ(2u, presser.Shown().size());
    EXPECT_EQ(ERROR_DIALOG, presser.Shown()[1].caption) << "the start loop's dialog";
    EXPECT_EQ(window.Main(), presser.Shown()[1].owner);
    EXPECT_TRUE(presser.Shown()[1].ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(window.Main())) << "enabled again once answered";
}

class QueryLoopTest : public ControlClientTest {};

TEST_F(QueryLoopTest, AnsweredQueryShowsNoDialog) {
    DialogPresser presser({IDCANCEL});
    Actions actions;
    unsigned char reply[REPLY_AREA_SIZE] = {};
    EXPECT_EQ(1, QueryWithErrorDialog(nullptr, GET_KEYSENSITIVITY, reply, actions.Cancel(), actions.TurnOff()));
    EXPECT_EQ(5, reply[0]);
    EXPECT_TRUE(presser.Shown().empty());
}

TEST_F(QueryLoopTest, FailedReinitialisationBringsTheDialogBackWithoutANewQuery) {
    ASSERT_TRUE(sim.Run("silent all"));
    DialogPresser presser({IDRETRY, IDCANCEL});
    Actions actions;
    unsigned char reply[REPLY_AREA_SIZE] = {};
    EXPECT_EQ(0, QueryWithErrorDialog(nullptr, GET_KEYSENSITIVITY, reply, actions.Cancel(), actions.TurnOff()));
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
    EXPECT_EQ(1, QueryWithErrorDialog(nullptr, GET_KEYSENSITIVITY, reply, actions.Cancel(), actions.TurnOff()));
    EXPECT_EQ(5, reply[0]);
    EXPECT_EQ((Lines{wire::GET_KEYSENSITIVITY, wire::START_ZSM, wire::GET_KEYSENSITIVITY}), Commands());
    EXPECT_EQ(0, actions.cancelled + actions.turnedOff);
}

TEST_F(QueryLoopTest, TurnOffStopsTheDriverThenRunsThePagesAction) {
    ASSERT_TRUE(sim.Run("silent 0201"));
    DialogPresser presser({IDC_TURNOFF});
    Actions actions;
    unsigned char reply[REPLY_AREA_SIZE] = {};
    EXPECT_EQ(0, QueryWithErrorDialog(nullptr, GET_KEYSENSITIVITY, reply, actions.Cancel(), actions.TurnOff()));
    EXPECT_EQ(1, actions.turnedOff);
    EXPECT_EQ(0, actions.cancelled);
    EXPECT_TRUE(HostEnded()) << "DEINIT_CMD was sent";
}

INT_PTR WINAPI DialogNotCreated(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM) { return -1; }

TEST_F(QueryLoopTest, AnyOtherDialogResultReturnsWithoutAnAction) {
    ASSERT_TRUE(sim.Run("silent 0201 once"));
    g_ui.dialogBoxParamA = DialogNotCreated;
    Actions actions;
    unsigned char reply[REPLY_AREA_SIZE] = {};
    EXPECT_EQ(0, QueryWithErrorDialog(nullptr, GET_KEYSENSITIVITY, reply, actions.Cancel(), actions.TurnOff()));
    g_ui.dialogBoxParamA = DialogBoxParamA;
    EXPECT_EQ(0, actions.cancelled + actions.turnedOff);
}

class StartLoopTest : public ControlClientTest {};

TEST_F(StartLoopTest, AcceptedStartShowsNoDialog) {
    DialogPresser presser({IDCANCEL});
    EXPECT_EQ(1, SendStartZSMWithRetry(nullptr));
    EXPECT_TRUE(presser.Shown().empty());
    EXPECT_EQ(Lines{wire::START_ZSM}, Commands());
}

TEST_F(StartLoopTest, RetrySendsTheStartAgainAndTurnOffStopsTheDriver) {
    ASSERT_TRUE(sim.Run("silent 0680"));
    DialogPresser presser({IDRETRY, IDC_TURNOFF});
    EXPECT_EQ(0, SendStartZSMWithRetry(nullptr));
    EXPECT_EQ((Lines{ERROR_DIALOG, ERROR_DIALOG}), presser.Captions());
    EXPECT_TRUE(HostEnded()) << "DEINIT_CMD was sent";
    EXPECT_EQ((Lines{wire::START_ZSM, wire::START_ZSM}), Commands());
    unsigned char reply[REPLY_AREA_SIZE];
    EXPECT_EQ(0, ReadDeviceValue(GET_KEYSENSITIVITY, reply));
    EXPECT_TRUE(TakeQuitRequest()) << "the next read finds the connection closed and ends the program";
}

TEST_F(StartLoopTest, CancelGivesUp) {
    ASSERT_TRUE(sim.Run("silent 0680"));
    DialogPresser presser({IDCANCEL});
    EXPECT_EQ(0, SendStartZSMWithRetry(nullptr));
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
