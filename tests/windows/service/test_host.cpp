// OrvikDriver.exe as a person and the service control manager use it: its
// verbs and their console lines, the service's status reports and control
// codes, typing and pointing through the running service, the start-up that
// ends in message 4 or in Turn Off, and the debug verb stopped with Ctrl+C.
// The simulated device answers on COM5.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "../../../common/registry.h"
#include "../../../driver/service/eventsource.h"
#include "../control/plainclient.h"
#include "../control/wire.h"
#include "../input/recorder.h"
#include "../support/driverprocess.h"
#include "../support/linkfixture.h"
#include "../support/pointer.h"
#include "../support/simclient.h"
#include "../support/wait.h"
#include "eventmessages.h"

namespace {

const DWORD START_TIMEOUT_MS = 30000;
const DWORD STOP_TIMEOUT_MS = 15000;
const DWORD INPUT_TIMEOUT_MS = 10000;

using Messages = std::vector<std::string>;

bool NoDriverProcess() { return DriverProcesses().empty(); }
bool DriverMarkedRunning() { return StoredDword(REG_APPLICATION_KEY, "Orvik Settings") == 1; }

class ServiceHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Connected()) << "the simulator's control port (ORVIK_SIM_PORT) does not answer";
        ASSERT_TRUE(sim.Run("reset"));
        ASSERT_TRUE(sim.Run("set powerstate FB"));
        ClearProductRegistry();
        SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 5);
        SetDriverWindowsVersion(nullptr);
        probe.Remove();
    }

    void TearDown() override {
        probe.Remove();
        SetDriverWindowsVersion(nullptr);
        EXPECT_TRUE(WaitUntil(NoDriverProcess, STOP_TIMEOUT_MS)) << "a driver process was left running";
    }

    SimClient sim;
    ServiceProbe probe;
};

TEST_F(ServiceHost, InstallStartAndRemoveWithTheConsoleLines) {
    const VerbResult installed = RunDriver("/INSTALL");
    ASSERT_EQ("Tavelin installed.\n", installed.output);
    QUERY_SERVICE_CONFIGA config = {};
    std::string path, displayName;
    ASSERT_TRUE(probe.Config(&config, &path, &displayName));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS), config.dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config.dwStartType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.dwErrorControl);
    EXPECT_EQ("Tavelin", displayName);
    EXPECT_EQ("\"" + DriverPath() + "\"", path) << "the program's own path, quoted";

    std::vector<SERVICE_STATUS> seen;
    const VerbResult started = RunDriver("-START");
    EXPECT_EQ("", started.output) << "the start verb reports nothing";
    ASSERT_TRUE(probe.WaitForState(SERVICE_RUNNING, START_TIMEOUT_MS, &seen));
    DWORD lastCheckPoint = 0;
    DWORD accepted = 0;
    for (const SERVICE_STATUS& status : seen) {
        EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), status.dwServiceType & SERVICE_WIN32_OWN_PROCESS);
        if (status.dwCurrentState != SERVICE_START_PENDING) continue;
        EXPECT_TRUE(status.dwControlsAccepted == accepted || status.dwControlsAccepted == SERVICE_ACCEPT_STOP)
            << "a stop is taken from some point of the start-up on, and from then on always";
        accepted = status.dwControlsAccepted;
        EXPECT_TRUE(status.dwWaitHint == 3000 || status.dwWaitHint == 6000) << status.dwWaitHint;
        EXPECT_GT(status.dwCheckPoint, lastCheckPoint) << "check points go up";
        lastCheckPoint = status.dwCheckPoint;
    }
    const SERVICE_STATUS& running = seen.back();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_POWEREVENT), running.dwControlsAccepted)
        << "a stop, and the power events of standby";
    EXPECT_EQ(0u, running.dwCheckPoint);
    EXPECT_EQ(0u, running.dwWaitHint);
    EXPECT_TRUE(DriverMarkedRunning());
    EXPECT_EQ(1u, DriverProcesses().size());

    const VerbResult removed = RunDriver("-Remove and-this-is-ignored");
    EXPECT_TRUE(std::regex_match(removed.output, std::regex("Stopping Tavelin\\.\\.*\nTavelin stopped\\.\nTavelin removed\\.\n")))
        << removed.output;
    EXPECT_FALSE(probe.Exists());
    EXPECT_EQ(0, StoredDword(REG_APPLICATION_KEY, "Orvik Settings"));
    EXPECT_TRUE(WaitUntil(NoDriverProcess, STOP_TIMEOUT_MS));
}

TEST_F(ServiceHost, RemovingAStoppedServicePrintsNoStoppingLines) {
    InstallDriverAsService();
    const VerbResult removed = RunDriver("/remove");
    EXPECT_EQ("Tavelin removed.\n", removed.output);
    EXPECT_FALSE(probe.Exists());
}

TEST_F(ServiceHost, VerbsOnAMissingServiceSayWhatFailed) {
    for (const char* verb : {"-remove", "-start"}) {
        const VerbResult result = RunDriver(verb);
        EXPECT_EQ(0u, result.output.find("OpenService failed - ")) << verb << ": " << result.output;
    }
    const VerbResult twice = (InstallDriverAsService(), RunDriver("-install"));
    EXPECT_EQ(0u, twice.output.find("CreateService failed - ")) << twice.output;
}

TEST_F(ServiceHost, AnythingButAVerbGoesToTheDispatcherWhichFailsOutsideTheManager) {
    for (const char* arguments : {"", "install", "-bogus -install", "-installer", "debug"}) {
        const VerbResult result = RunDriver(arguments, 20000);
        EXPECT_TRUE(result.ended) << "'" << arguments << "'";
        EXPECT_EQ("", result.output) << "'" << arguments << "'";
        EXPECT_FALSE(probe.Exists()) << "'" << arguments << "'";
    }
}

TEST_F(ServiceHost, ControlCodesKeepTheServiceRunningAndRepeatItsStatus) {
    InstallDriverAsService();
    StartDriverAsService(probe, START_TIMEOUT_MS);
    const DWORD kCodes[] = {128, 129, 130, 131, 132, 133, 134, 135, 136, 200,
                            SERVICE_CONTROL_PAUSE, SERVICE_CONTROL_CONTINUE, SERVICE_CONTROL_INTERROGATE};
    for (DWORD code : kCodes) {
        SERVICE_STATUS status = {};
        probe.Control(code, &status);  // pause and continue may be refused: the service takes neither
        ASSERT_TRUE(probe.Query(&status));
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState) << "code " << code;
        EXPECT_EQ(static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_POWEREVENT), status.dwControlsAccepted) << "code " << code;
    }
    SERVICE_STATUS status = {};
    ASSERT_TRUE(probe.Control(SERVICE_CONTROL_STOP, &status));
    EXPECT_TRUE(probe.WaitForState(SERVICE_STOPPED, STOP_TIMEOUT_MS));
    EXPECT_EQ(0, StoredDword(REG_APPLICATION_KEY, "Orvik Settings"));
}

// Takes what the window received until it holds at least `count` messages
// or, when `last` is given, until that message came.
Messages Receive(RecorderWindow& window, size_t count, const char* last = nullptr) {
    Messages received;
    WaitUntil(
        [&] {
            const Messages more = window.Take();
            received.insert(received.end(), more.begin(), more.end());
            return last ? !received.empty() && received.back() == last : received.size() >= count;
        },
        INPUT_TIMEOUT_MS);
    return received;
}

POINT Cursor() {
    POINT point = {};
    GetCursorPos(&point);
    return point;
}

int Sign(long value) { return (value > 0) - (value < 0); }

// The pointer's move after the device reported (x, y): which way it went.
// The device's marker key, typed into `window` after the move, shows that
// all of the move has been injected.
POINT MoveThroughService(SimClient& sim, RecorderWindow& window, int x, int y) {
    SettlePointerAt(300, 250);
    const POINT before = Cursor();
    EXPECT_TRUE(sim.Run("move " + std::to_string(x) + " " + std::to_string(y)));
    EXPECT_TRUE(window.AwaitDeviceMarker([&sim] { return sim.Run("marker"); }));
    const POINT now = Cursor();
    return {Sign(now.x - before.x), Sign(now.y - before.y)};
}

TEST_F(ServiceHost, TheRunningServiceTypesMovesClicksAndDrags) {
    InstallDriverAsService();
    StartDriverAsService(probe, START_TIMEOUT_MS);
    RecorderWindow window;
    ASSERT_TRUE(window.Open("Orvik service test"));

    ASSERT_TRUE(sim.Run("type hi"));
    EXPECT_EQ((Messages{"kd 48", "ch 68", "ku 48", "kd 49", "ch 69", "ku 49"}), Receive(window, 6));

    const POINT rightDown = MoveThroughService(sim, window, 30, 20);
    EXPECT_EQ(1, rightDown.x);
    EXPECT_EQ(1, rightDown.y);
    const POINT leftUp = MoveThroughService(sim, window, -25, -15);
    EXPECT_EQ(-1, leftUp.x);
    EXPECT_EQ(-1, leftUp.y);

    SettlePointerAt(300, 250);
    window.Take();
    ASSERT_TRUE(sim.Run("lefttap"));
    EXPECT_EQ((Messages{"ldown", "lup"}), Receive(window, 2));

    ASSERT_TRUE(sim.Run("press 01"));
    ASSERT_TRUE(sim.Run("move 20 0"));
    ASSERT_TRUE(sim.Run("move 0 10"));
    ASSERT_TRUE(sim.Run("release 01"));
    Messages drag = Receive(window, 0, "lup");
    ASSERT_GE(drag.size(), 3u);
    EXPECT_EQ("ldown", drag.front());
    EXPECT_EQ("lup", drag.back());
    for (size_t i = 1; i + 1 < drag.size(); ++i) EXPECT_EQ("drag", drag[i]) << "moves with the button key held drag";
    window.Close();
}

TEST_F(ServiceHost, TheRunningServiceServesItsControlPortAndStopsOnDeinit) {
    InstallDriverAsService();
    StartDriverAsService(probe, START_TIMEOUT_MS);
    std::unique_ptr<PlainClient> client(ConnectWhenListening(START_TIMEOUT_MS));
    ASSERT_TRUE(client) << "nothing listens on 127.0.0.1:1213";
    EXPECT_EQ(REPLY_ONE, client->Request({5, 1, 30, 0, 0xF4, 0x01})) << "key repeat 30/s after 500 ms";
    EXPECT_EQ(REPLY_ONE, client->Request({11, 0, 0, 0, 0})) << "the link is up";
    ASSERT_TRUE(sim.Run("set projectedlayoutnum 02"));
    ASSERT_TRUE(sim.Run("clearlog"));
    const Bytes request = CommandPacket(0x023F);
    EXPECT_EQ(Bytes{0x02}, client->Request(request)) << "a forwarded command brings its payload back";
    std::vector<std::string> received = sim.ReceivedCommands();
    ASSERT_EQ(1u, received.size());
    EXPECT_EQ(HexBytes(request.data(), request.size()), received[0]) << "forwarded unchanged";

    EXPECT_EQ(REPLY_ONE, client->Request({8}));
    EXPECT_TRUE(client->ClosedByServer(STOP_TIMEOUT_MS));
    EXPECT_TRUE(probe.WaitForState(SERVICE_STOPPED, STOP_TIMEOUT_MS)) << "DEINIT_CMD stops the service";
}

TEST_F(ServiceHost, WithTapToClickOffTapsClickNothingButTheRestWorks) {
    SetDwordValueFromRegistry(REG_MOUSE_SESSION_KEY, "EnableTap", 0);
    InstallDriverAsService();
    StartDriverAsService(probe, START_TIMEOUT_MS);
    RecorderWindow window;
    ASSERT_TRUE(window.Open("Orvik service test"));
    SettlePointerAt(300, 250);
    window.Take();
    ASSERT_TRUE(sim.Run("lefttap"));
    ASSERT_TRUE(sim.Run("righttap"));
    ASSERT_TRUE(sim.Run("tap 41"));
    EXPECT_EQ((Messages{"kd 41", "ch 61", "ku 41"}), Receive(window, 3)) << "the taps before the key clicked nothing";
    EXPECT_EQ(1, MoveThroughService(sim, window, 15, 0).x);
    window.Close();
}

TEST_F(ServiceHost, OnWindows7TheServiceShowsMessage4AndStops) {
    SetDriverWindowsVersion("win7");
    InstallDriverAsService();
    std::vector<SERVICE_STATUS> seen;
    ASSERT_TRUE(probe.Start());
    HWND box = WaitForDialog("Error", START_TIMEOUT_MS);
    ASSERT_NE(nullptr, box) << "no message box";
    EXPECT_EQ("Incompatible OS. This driver is only compatible with Windows CE 4.2", DialogText(box));
    PressButton(box, IDOK);
    ASSERT_TRUE(probe.WaitForState(SERVICE_STOPPED, STOP_TIMEOUT_MS, &seen));
    for (const SERVICE_STATUS& status : seen) EXPECT_NE(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
    EXPECT_NE(1, StoredDword(REG_APPLICATION_KEY, "Orvik Settings"));
    EXPECT_TRUE(sim.ReceivedCommands().empty()) << "the device was not touched";
}

TEST_F(ServiceHost, OnWindows2000TheServiceRuns) {
    SetDriverWindowsVersion("win2k");
    InstallDriverAsService();
    StartDriverAsService(probe, START_TIMEOUT_MS);
    EXPECT_TRUE(DriverMarkedRunning());
}

TEST_F(ServiceHost, WithNoDeviceAnsweringTheServiceStillRuns) {
    ASSERT_TRUE(sim.Run("silent all"));
    InstallDriverAsService();
    StartDriverAsService(probe, START_TIMEOUT_MS);
    EXPECT_TRUE(DriverMarkedRunning());
    EXPECT_EQ(0, StoredDword(REG_COMPORT_KEY, "Connected")) << "the link was given up";
}

TEST_F(ServiceHost, TurnOffInTheErrorDialogStopsTheServiceBeforeItRuns) {
    ASSERT_TRUE(sim.Run("set powerstate FD"));
    ASSERT_TRUE(sim.Run("silent 0680"));
    InstallDriverAsService();
    std::vector<SERVICE_STATUS> seen;
    ASSERT_TRUE(probe.Start());
    HWND dialog = WaitForDialog("Error", START_TIMEOUT_MS);
    ASSERT_NE(nullptr, dialog) << "no connection error dialog";
    EXPECT_NE(std::string::npos, DialogText(dialog).find("Unable to detect a connected device."));
    PressButton(dialog, 1024);  // Turn Off
    HWND alert = WaitForDialog("Alert", START_TIMEOUT_MS);
    ASSERT_NE(nullptr, alert) << "no turn-off alert";
    PressButton(alert, IDOK);
    ASSERT_TRUE(probe.WaitForState(SERVICE_STOPPED, STOP_TIMEOUT_MS, &seen));
    for (const SERVICE_STATUS& status : seen) EXPECT_NE(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
    EXPECT_NE(1, StoredDword(REG_APPLICATION_KEY, "Orvik Settings"));
}

// A question of the driver may sit where nobody sees it (the logon desktop,
// nobody logged on): each way to stop the driver closes it and ends the
// driver, with nobody answering.
TEST_F(ServiceHost, EveryStopEndsTheDriverWhileAQuestionIsOpenAndUnanswered) {
    struct Question {
        const char* name;
        const char* caption;
        const char* device[2];
        DWORD comPort;
    };
    const Question questions[] = {
        {"the connection error dialog", "Error", {"set powerstate FD", "silent 0680"}, 5},
        {"message 1", "Error", {"reset", "reset"}, 9},
        {"message 2", "Error", {"set powerstate FB", "fail 023F"}, 5},
    };
    enum StopWay { BY_SERVICE_STOP, BY_REMOVE_VERB, BY_CTRL_C };
    for (const Question& question : questions) {
        for (StopWay way : {BY_SERVICE_STOP, BY_REMOVE_VERB, BY_CTRL_C}) {
            SCOPED_TRACE(std::string(question.name) + ", stop way " + std::to_string(way));
            ASSERT_TRUE(sim.Run("reset"));
            for (const char* command : question.device) ASSERT_TRUE(sim.Run(command));
            SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", question.comPort);
            DebugDriver console;
            if (way == BY_CTRL_C) {
                ASSERT_TRUE(console.Start());
            } else {
                InstallDriverAsService();
                ASSERT_TRUE(probe.Start());
            }
            HWND asked = WaitForDialog(question.caption, START_TIMEOUT_MS);
            ASSERT_NE(nullptr, asked) << "the question was not asked";
            if (way == BY_SERVICE_STOP) {
                SERVICE_STATUS status = {};
                EXPECT_TRUE(probe.Control(SERVICE_CONTROL_STOP, &status)) << "a stop is taken during start-up";
                EXPECT_TRUE(probe.WaitForState(SERVICE_STOPPED, STOP_TIMEOUT_MS));
                probe.Remove();
            } else if (way == BY_REMOVE_VERB) {
                const VerbResult removed = RunDriver("-remove", STOP_TIMEOUT_MS);
                EXPECT_TRUE(removed.ended);
                EXPECT_NE(std::string::npos, removed.output.find("Tavelin stopped.")) << removed.output;
            } else {
                EXPECT_TRUE(console.StopWithCtrlC(STOP_TIMEOUT_MS)) << "Ctrl+C did not stop the driver";
            }
            EXPECT_TRUE(WaitUntil(NoDriverProcess, STOP_TIMEOUT_MS)) << "the driver kept running";
            EXPECT_FALSE(IsWindow(asked)) << "the question was closed";
        }
    }
}

// Ctrl+C through the console. (Wine cannot raise CTRL_BREAK_EVENT in another
// process's console; the lifecycle tests call the handler with it directly.)
TEST_F(ServiceHost, DebugVerbRunsTheWholeDriverInTheConsoleUntilCtrlC) {
    DebugDriver driver;
    ASSERT_TRUE(driver.Start());
    ASSERT_TRUE(driver.WaitUntilRunning(START_TIMEOUT_MS)) << "the driver did not start";
    EXPECT_FALSE(sim.ReceivedCommands().empty()) << "the device was not brought up";
    ASSERT_TRUE(driver.StopWithCtrlC(STOP_TIMEOUT_MS)) << "Ctrl+C did not stop the driver";
    // One line for each press that reached it (see StopWithCtrlC).
    EXPECT_TRUE(std::regex_match(driver.Output(), std::regex("Debugging Tavelin\\.\n(Stopping Tavelin\\.\n)+")))
        << driver.Output();
    EXPECT_EQ(0, StoredDword(REG_APPLICATION_KEY, "Orvik Settings"));
    EXPECT_FALSE(probe.Exists()) << "debugging installs nothing";
}

// The event source as Event Viewer reads it: the message file named by the
// registration, the entry's text from that file's table with the entry's
// strings in it.
struct EventSource {
    bool found = false;
    DWORD fileType = 0, types = 0;
    std::string file;

    static EventSource Read() {
        EventSource source;
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DRIVER_EVENT_SOURCE_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return source;
        char file[MAX_PATH] = "";
        DWORD size = sizeof file - 1, typesSize = sizeof source.types;
        source.found =
            RegQueryValueExA(key, "EventMessageFile", nullptr, &source.fileType, reinterpret_cast<BYTE*>(file),
                             &size) == ERROR_SUCCESS &&
            RegQueryValueExA(key, "TypesSupported", nullptr, nullptr, reinterpret_cast<BYTE*>(&source.types),
                             &typesSize) == ERROR_SUCCESS;
        RegCloseKey(key);
        source.file = file;
        return source;
    }

    // The text of `eventId` with `strings` inserted, "" when the file has none.
    std::string Text(DWORD eventId, const char* const* strings) const {
        HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (!module) return "";
        char text[512] = "";
        FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, eventId, 0, text,
                       sizeof text, reinterpret_cast<va_list*>(const_cast<char**>(strings)));
        FreeLibrary(module);
        return text;
    }
};

TEST_F(ServiceHost, InstallRegistersTheEventSourceWithItsTextsAndRemoveDeletesIt) {
    InstallDriverAsService();
    const EventSource source = EventSource::Read();
    ASSERT_TRUE(source.found) << "-install registered no event source";
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), source.fileType);
    EXPECT_EQ(DriverPath(), source.file);
    EXPECT_EQ(static_cast<DWORD>(EVENTLOG_ERROR_TYPE), source.types);
    const char* const strings[] = {"OrvikDriver error: 1063", "StartServiceCtrlDispatcher failed."};
    EXPECT_EQ("OrvikDriver error: 1063: StartServiceCtrlDispatcher failed.\r\n", source.Text(MSG_SERVICE_ERROR, strings));

    EXPECT_EQ("Tavelin removed.\n", RunDriver("-remove").output);
    EXPECT_FALSE(EventSource::Read().found) << "-remove left the event source";
}

}  // namespace
