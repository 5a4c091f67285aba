// The driver's life in this process, as the debug verb runs it: ServiceStart
// on a thread of its own (the service thread), the simulated device on COM5,
// message boxes and the connection error dialog through the seam. The timer
// window's unhandled messages go to a stand-in for the tray, which counts the
// tray retry timer's ticks and stops it the way the tray does once its icon
// is shown; a tick therefore says that start-up got past the timer window.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "../../../common/registry.h"
#include "../../../common/uiseam.h"
#include "../../../driver/devicelink/devicelink.h"
#include "../../../common/worker.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/keyrepeat.h"
#include "../../../driver/input/mouse.h"
#include "../../../driver/input/sound.h"
#include "../../../driver/service/controlserver.h"
#include "../../../driver/service/lifecycle.h"
#include "../../../driver/service/resource.h"
#include "../../../driver/service/serviceevents.h"
#include "../../../driver/service/servicehost.h"
#include "../../../driver/service/tray.h"
#include "../input/recorder.h"
#include "../support/driverlink.h"
#include "../support/driverprocess.h"

namespace {

const DWORD START_TIMEOUT_MS = 20000;  // a silent device costs a 5 s command time-out
const DWORD STOP_TIMEOUT_MS = 10000;
const DWORD EVENT_TIMEOUT_MS = 15000;  // a thread's reaction to an event or message, on a loaded machine

volatile LONG gTimerWindowMessages = 0;
volatile LONG gTrayTicks = 0;
volatile LONG gDialogs = 0;
INT_PTR gDialogAnswer = IDCANCEL;

int StandInForTray(HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    InterlockedIncrement(&gTimerWindowMessages);
    if (message == WM_START_TRAY_TIMER) {  // started on the window's own thread, as the tray does
        SetTimer(window, TMR_SYSTAY, TMR_SYSTAY_PERIOD_MS, nullptr);
        *result = 0;
        return 1;
    }
    if (message != WM_TIMER || wParam != TMR_SYSTAY) return 0;
    InterlockedIncrement(&gTrayTicks);
    KillTimer(window, TMR_SYSTAY);
    *result = 0;
    return 1;
}

INT_PTR WINAPI AnswerErrorDialog(HINSTANCE, LPCSTR templateName, HWND, DLGPROC, LPARAM) {
    if (templateName == MAKEINTRESOURCEA(IDD_CONNECT_ERROR)) InterlockedIncrement(&gDialogs);
    return gDialogAnswer;
}

DWORD WINAPI RunServiceBody(LPVOID) {
    ServiceStart(0, nullptr);
    return 0;
}

std::string StoredString(const char* subkey, const char* name) {
    char text[2048] = {};
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    DWORD size = sizeof text - 1;
    const LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? text : "<no value>";
}

// Stores a string under the application key; a null name is the key's default value.
void SetApplicationText(const char* name, const std::string& text) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

long long RunningFlag() { return StoredDword(REG_APPLICATION_KEY, "Orvik Settings"); }

class Lifecycle : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        ASSERT_TRUE(sim.Run("set powerstate FB"));
        bDebugMode = 1;
        gTimerWindowMessages = gTrayTicks = gDialogs = 0;
        gDialogAnswer = IDCANCEL;
        gpfnTimerWndExtension = StandInForTray;
        g_ui.dialogBoxParamA = AnswerErrorDialog;
    }

    void TearDown() override {
        if (service_) {
            ServiceStop();
            WaitForSingleObject(service_, STOP_TIMEOUT_MS);
            CloseHandle(service_);
        }
        gpfnTimerWndExtension = nullptr;
        g_ui.dialogBoxParamA = DialogBoxParamA;
        LinkFixture::TearDown();
    }

    void Start() { service_ = CreateThread(nullptr, 0, RunServiceBody, nullptr, 0, &serviceThreadId_); }

    // Running: the timer window exists and its tray timer has ticked.
    bool WaitUntilRunning() {
        return WaitUntil([] { return gTrayTicks > 0; }, START_TIMEOUT_MS);
    }
    bool Ended(DWORD timeoutMs = STOP_TIMEOUT_MS) { return WaitForSingleObject(service_, timeoutMs) == WAIT_OBJECT_0; }
    bool StopAndWait() {
        ServiceStop();
        return Ended();
    }

    HANDLE service_ = nullptr;
    DWORD serviceThreadId_ = 0;
};

TEST_F(Lifecycle, StartBringsTheDriverUpAndStopTakesItDownAgain) {
    Start();
    ASSERT_TRUE(WaitUntilRunning());
    EXPECT_EQ(1, RunningFlag());
    HWND timerWindow = FindWindowA("MYCLASS1", "SysTrayMsgDispatcher");
    ASSERT_NE(nullptr, timerWindow);
    EXPECT_EQ(timerWindow, ghTimerWnd);
    EXPECT_FALSE(IsWindowVisible(timerWindow));
    EXPECT_EQ(serviceThreadId_, GetWindowThreadProcessId(timerWindow, nullptr)) << "the timer window is the service thread's";
    EXPECT_EQ(1, GetConnectionState());
    EXPECT_TRUE(ReaderRuns());
    EXPECT_TRUE(DepacketizerRuns());
    EXPECT_TRUE(ControlServerRuns());
    const LONG terminations = WorkerTerminationCount();
    const std::vector<std::string> commands = ReceivedCommandBytes();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(wire::GET_POWERSTATE, commands.front()) << "the device was brought up";

    ASSERT_TRUE(StopAndWait());
    EXPECT_EQ(0, RunningFlag());
    EXPECT_FALSE(ReaderRuns());
    EXPECT_FALSE(DepacketizerRuns());
    EXPECT_FALSE(ControlServerRuns());
    EXPECT_EQ(terminations, WorkerTerminationCount()) << "every thread ended by itself";
    EXPECT_EQ(nullptr, ghTimerWnd);
    EXPECT_FALSE(IsWindow(timerWindow)) << "the timer window was destroyed";
    EXPECT_EQ(0u, OpenPortNumber()) << "the port was closed";
    EXPECT_EQ(nullptr, g_hServiceStopEvent);
    for (HANDLE event : g_hSessionEvents) EXPECT_EQ(nullptr, event);
}

struct Typist {
    SimClient* device;
    volatile LONG typing;
    static DWORD WINAPI Run(LPVOID self) {
        Typist* typist = static_cast<Typist*>(self);
        while (typist->typing) typist->device->Run("type abcdefghijklmnopqrstuvwxyz");
        return 0;
    }
};

// The device types without pause while the driver stops and starts fifty
// times, and while INIT_CMD restarts its link fifty times: no stop hangs,
// and every thread ends by itself.
TEST_F(Lifecycle, StopsAndRestartsWhileTheDeviceTypesNeverHangNorTerminateAThread) {
    const LONG terminations = WorkerTerminationCount();
    Typist typist = {&sim, 1};
    HANDLE typing = CreateThread(nullptr, 0, Typist::Run, &typist, 0, nullptr);
    for (int i = 0; i < 50 && !HasFailure(); ++i) {
        Start();
        ASSERT_TRUE(WaitUntilRunning()) << "start " << i;
        ASSERT_TRUE(StopAndWait()) << "stop " << i;
        CloseHandle(service_);
        service_ = nullptr;
        gTrayTicks = 0;
    }
    Start();
    ASSERT_TRUE(WaitUntilRunning());
    for (int i = 0; i < 50 && !HasFailure(); ++i) ASSERT_EQ(1, RestartDeviceLink()) << "INIT_CMD " << i;
    ASSERT_TRUE(StopAndWait());
    typist.typing = 0;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(typing, STOP_TIMEOUT_MS));
    CloseHandle(typing);
    EXPECT_EQ(terminations, WorkerTerminationCount()) << "a thread had to be terminated";
}

TEST_F(Lifecycle, AStopWhileTheDeviceIsStillStartingEndsTheDriver) {
    // The stop comes before the timer window exists, so its WM_DESTROY has
    // no window to go to: the stop event alone must end the driver.
    ASSERT_TRUE(sim.Run("delay 021C 1500"));
    Start();
    ASSERT_TRUE(WaitUntil([] { return DepacketizerRuns(); }, EVENT_TIMEOUT_MS));
    // The power state query is out and its answer late: the driver is starting.
    const std::string powerStateQuery = "A5 A5 01 00 00 00 1C 02";
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const std::string& command : ReceivedCommandBytes())
                if (command.compare(0, powerStateQuery.size(), powerStateQuery) == 0) return true;
            return false;
        },
        EVENT_TIMEOUT_MS));
    ServiceStop();
    EXPECT_TRUE(Ended(15000)) << "the driver kept running after a stop during start-up";
    EXPECT_EQ(0, RunningFlag());
}

TEST_F(Lifecycle, WithoutAnAnsweringDeviceTheDriverStillRunsNotConnected) {
    ASSERT_TRUE(sim.Run("silent all"));
    Start();
    ASSERT_TRUE(WaitUntilRunning());
    EXPECT_EQ(0, GetConnectionState());
    EXPECT_EQ(0, StoredDword(REG_COMPORT_KEY, "Connected"));
    EXPECT_EQ(1, RunningFlag());
    EXPECT_TRUE(ControlServerRuns()) << "the control port is served, so a client can connect later";
    EXPECT_TRUE(DepacketizerRuns()) << "session events are still followed";
    EXPECT_EQ(0, gDialogs);
    ASSERT_TRUE(StopAndWait());
}

TEST_F(Lifecycle, WithoutAPortTheDriverSaysSoAndStillRuns) {
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 9);
    Start();
    ASSERT_TRUE(WaitUntilRunning());
    EXPECT_EQ(0, GetConnectionState());
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Error", messages[0].caption);
    EXPECT_NE(std::string::npos, messages[0].text.find("Please select an available serial port"));
    ASSERT_TRUE(StopAndWait());
}

TEST_F(Lifecycle, TurnOffInTheErrorDialogStopsTheDriverBeforeItRuns) {
    // A device that does not start, and one in standby that will not wake.
    const char* const kDevices[][2] = {{"set powerstate FD", "silent 0680"}, {"set powerstate FC", "fail 012F"}};
    for (const auto& device : kDevices) {
        SCOPED_TRACE(device[0]);
        ASSERT_TRUE(sim.Run(device[0]));
        ASSERT_TRUE(sim.Run(device[1]));
        gDialogAnswer = IDC_TURNOFF;
        gDialogs = gTimerWindowMessages = 0;
        messages.clear();
        Start();
        ASSERT_TRUE(Ended(20000)) << "Turn Off did not stop the driver";
        CloseHandle(service_);
        service_ = nullptr;
        EXPECT_EQ(1, gDialogs);
        ASSERT_EQ(1u, messages.size());
        EXPECT_EQ("Alert", messages[0].caption);
        EXPECT_EQ(0, gTimerWindowMessages) << "the timer window was created: start-up went on towards running";
        EXPECT_EQ("<no value>", StoredString(REG_APPLICATION_KEY, "Desc")) << "DoInit went on after Turn Off";
        EXPECT_FALSE(DepacketizerRuns());
        EXPECT_FALSE(ControlServerRuns());
        ASSERT_TRUE(sim.Run("reset"));
    }
}

TEST_F(Lifecycle, CancelInTheErrorDialogGivesUpTheDeviceButRuns) {
    ASSERT_TRUE(sim.Run("set powerstate FD"));
    ASSERT_TRUE(sim.Run("silent 0680"));
    gDialogAnswer = IDCANCEL;
    Start();
    ASSERT_TRUE(WaitUntilRunning());
    EXPECT_EQ(1, gDialogs);
    EXPECT_EQ(1, RunningFlag());
    ASSERT_TRUE(StopAndWait());
}

TEST_F(Lifecycle, StopClosesTheRegisteredSettingsWindowFirst) {
    Start();
    ASSERT_TRUE(WaitUntilRunning());
    RecorderWindow settings;
    ASSERT_TRUE(settings.Open("Orvik settings stand-in", true));
    hSettingsWnd = settings.Handle();
    ASSERT_TRUE(StopAndWait());
    EXPECT_TRUE(settings.WaitUntilClosed(5000)) << "the settings window did not get WM_CLOSE";
    EXPECT_EQ(nullptr, hSettingsWnd);
    settings.Close();
}

// The desktop the depacketizer says it works on.
std::string DepacketizerDesktopName() {
    char name[64];
    DepacketizerDesktop(name, sizeof name);
    return name;
}

bool DepacketizerOn(const char* desktop) {
    return WaitUntil([desktop] { return DepacketizerDesktopName() == desktop; }, EVENT_TIMEOUT_MS);
}

TEST_F(Lifecycle, SessionControlCodesMoveTheDepacketizerAndRestartTheTray) {
    // Wine has no logon desktop of its own; this one stands for it.
    HDESK winlogon = CreateDesktopA("Winlogon", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_NE(nullptr, winlogon);
    Start();
    ASSERT_TRUE(WaitUntilRunning());
    EXPECT_TRUE(DepacketizerOn("Default")) << "attached to the input desktop once the service is ready";

    ServiceCtrlHandler(129);  // logoff
    EXPECT_TRUE(DepacketizerOn("Winlogon"));
    ServiceCtrlHandler(128);  // logon
    EXPECT_TRUE(DepacketizerOn("Default"));
    for (DWORD code = 130; code <= 133; ++code) {  // lock, unlock, screen saver start and stop
        ServiceCtrlHandler(129);
        ASSERT_TRUE(DepacketizerOn("Winlogon"));
        ServiceCtrlHandler(code);
        EXPECT_TRUE(DepacketizerOn("Default")) << "code " << code << " follows the input desktop";
    }
    ServiceCtrlHandler(134);  // shutdown: nothing to do
    // The depacketizer clears an event once it has served it.
    ASSERT_TRUE(WaitUntil([] { return WaitForSingleObject(g_hSessionEvents[SESSION_SHUTDOWN], 0) != WAIT_OBJECT_0; },
                          EVENT_TIMEOUT_MS));
    EXPECT_EQ("Default", DepacketizerDesktopName());

    // The stand-in stopped the tray timer at its first tick.
    const LONG ticks = gTrayTicks;
    ServiceCtrlHandler(135);  // the user's shell started: tray thread and its timer again
    EXPECT_TRUE(WaitUntil([ticks] { return gTrayTicks > ticks; }, EVENT_TIMEOUT_MS));
    ASSERT_TRUE(StopAndWait());
    CloseDesktop(winlogon);
}

// A control code before ServiceStart made its events, and every code that
// is not one of the eight, sets nothing.
class ControlCodes : public ::testing::Test {
protected:
    void SetUp() override { bDebugMode = 1; }
    void TearDown() override { CloseServiceEvents(); }

    static std::vector<int> SetEvents() {
        std::vector<int> set;
        for (int i = 0; i < SESSION_EVENT_COUNT; ++i)
            if (WaitForSingleObject(g_hSessionEvents[i], 0) == WAIT_OBJECT_0) set.push_back(i);
        return set;
    }
    static void ResetAll() {
        for (HANDLE event : g_hSessionEvents) ResetEvent(event);
        ResetEvent(g_hServiceStopEvent);
    }
};

TEST_F(ControlCodes, EachSessionCodeSetsItsOwnEvent) {
    ASSERT_TRUE(CreateServiceEvents());
    const struct {
        DWORD code;
        int event;
    } kRows[] = {{128, SESSION_LOGON},           {129, SESSION_LOGOFF},          {130, SESSION_LOCK},
                 {131, SESSION_UNLOCK},          {132, SESSION_SCREENSAVER_START}, {133, SESSION_SCREENSAVER_STOP},
                 {134, SESSION_SHUTDOWN},        {135, SESSION_SHELL_START}};
    for (const auto& row : kRows) {
        ResetAll();
        ServiceCtrlHandler(row.code);
        EXPECT_EQ(std::vector<int>{row.event}, SetEvents()) << "code " << row.code;
        EXPECT_NE(WAIT_OBJECT_0, WaitForSingleObject(g_hServiceStopEvent, 0));
    }
}

TEST_F(ControlCodes, OtherCodesOnlyRepeatTheStatus) {
    ASSERT_TRUE(CreateServiceEvents());
    const DWORD kCodes[] = {136, 200, 255, SERVICE_CONTROL_PAUSE, SERVICE_CONTROL_CONTINUE,
                            SERVICE_CONTROL_INTERROGATE, 127};
    for (DWORD code : kCodes) {
        ResetAll();
        ServiceCtrlHandler(code);
        EXPECT_TRUE(SetEvents().empty()) << "code " << code;
        EXPECT_NE(WAIT_OBJECT_0, WaitForSingleObject(g_hServiceStopEvent, 0)) << "code " << code;
    }
}

TEST_F(ControlCodes, StopSetsTheStopEvent) {
    ASSERT_TRUE(CreateServiceEvents());
    ServiceCtrlHandler(SERVICE_CONTROL_STOP);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_hServiceStopEvent, 0));
    EXPECT_TRUE(SetEvents().empty());
}

TEST_F(ControlCodes, CtrlCAndCtrlBreakStopTheDebuggedDriverAndNothingElseDoes) {
    ASSERT_TRUE(CreateServiceEvents());
    for (DWORD type : {CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT}) {
        EXPECT_FALSE(ConsoleCtrlHandler(type)) << type;
        EXPECT_NE(WAIT_OBJECT_0, WaitForSingleObject(g_hServiceStopEvent, 0)) << type;
    }
    for (DWORD type : {CTRL_C_EVENT, CTRL_BREAK_EVENT}) {
        ResetAll();
        EXPECT_TRUE(ConsoleCtrlHandler(type)) << type;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_hServiceStopEvent, 0)) << type;
    }
}

// DoInit and Deinit alone: the settings the driver loads and writes.
class Settings : public DriverLinkTest {
protected:
    void SetUp() override {
        DriverLinkTest::SetUp();
        ASSERT_TRUE(sim.Run("set powerstate FB"));
        bDebugMode = 1;
    }
    void TearDown() override { DriverLinkTest::TearDown(); }
    void Init() {
        ASSERT_EQ(1, DoInit());
        ASSERT_EQ(1, Deinit());
    }
};

TEST_F(Settings, RepeatRateBecomesAnIntervalAndZeroFallsBackToTheDefaultRate) {
    const struct {
        long long rate;  // -1: not stored
        unsigned short interval;
    } kRows[] = {{-1, 50}, {20, 50}, {30, 33}, {1, 1000}, {0, 50}, {0x10000, 50}, {0x1001E, 50}, {2000, 1}};
    for (const auto& row : kRows) {
        ClearProductRegistry();
        SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 5);
        if (row.rate >= 0) SetDwordValueFromRegistry(REG_REPEAT_SESSION_KEY, "DefRepeatRate", static_cast<DWORD>(row.rate));
        ApplyKeyRepeatSettings(1, 143, 1050);  // 7 ms
        Init();
        EXPECT_EQ(row.interval, CurrentKeyRepeatSettings().intervalMs) << "rate " << row.rate;
    }
}

TEST_F(Settings, MissingValuesAreCreatedWithTheDriversDefaults) {
    bTapEnabled = 0;
    ApplyKeyRepeatSettings(0, 20, 1);
    bSoundEnabled = 0;
    hSettingsWnd = reinterpret_cast<HWND>(1);
    ASSERT_EQ(1, DoInit());
    EXPECT_EQ(nullptr, hSettingsWnd);
    EXPECT_EQ(1, bTapEnabled);
    EXPECT_EQ(1, CurrentKeyRepeatSettings().enabled);
    EXPECT_EQ(1, bSoundEnabled);
    EXPECT_EQ(1050, CurrentKeyRepeatSettings().holdMs);
    EXPECT_EQ(1, StoredDword(REG_MOUSE_SESSION_KEY, "EnableTap"));
    EXPECT_EQ(1050, StoredDword(REG_REPEAT_SESSION_KEY, "DefRepeatDelay"));
    EXPECT_EQ(20, StoredDword(REG_REPEAT_SESSION_KEY, "DefRepeatRate"));
    EXPECT_EQ(1, StoredDword(REG_REPEAT_SESSION_KEY, "Enable"));
    EXPECT_EQ("hwandsw.wav", StoredString(REG_AUDIO_SESSION_KEY, "SoundRegular"));
    EXPECT_EQ(1, RunningFlag());
    ASSERT_EQ(1, Deinit());
    EXPECT_EQ(0, RunningFlag());
}

TEST_F(Settings, StoredValuesAreLoaded) {
    SetDwordValueFromRegistry(REG_MOUSE_SESSION_KEY, "EnableTap", 0);
    SetDwordValueFromRegistry(REG_REPEAT_SESSION_KEY, "DefRepeatDelay", 700);
    SetDwordValueFromRegistry(REG_REPEAT_SESSION_KEY, "Enable", 0);
    SetDwordValueFromRegistry(REG_AUDIO_SESSION_KEY, "Enable", 0);
    bTapEnabled = bSoundEnabled = 1;
    ApplyKeyRepeatSettings(1, 20, 1050);
    Init();
    EXPECT_EQ(0, bTapEnabled);
    EXPECT_EQ(0, CurrentKeyRepeatSettings().enabled);
    EXPECT_EQ(0, bSoundEnabled);
    EXPECT_EQ(700, CurrentKeyRepeatSettings().holdMs);
}

TEST_F(Settings, DescriptionIsComposedFromTheInstallationsNames) {
    Init();
    EXPECT_EQ("With the Tavelin (Orvik) you can input text using a Tavelin (Orvik) accessory. To learn more, please "
              "take the tutorial accessible under \"Options\".",
              StoredString(REG_APPLICATION_KEY, "Desc"));
    SetApplicationText(nullptr, "Brevane Suite");
    SetApplicationText("AppShort", "BS");
    SetApplicationText("DeviceName", "Light Keys");
    SetApplicationText("DeviceNameShort", "LK");
    Init();
    EXPECT_EQ("With the Brevane Suite (BS) you can input text using a Light Keys (LK) accessory. To learn more, "
              "please take the tutorial accessible under \"Options\".",
              StoredString(REG_APPLICATION_KEY, "Desc"));
}

TEST_F(Settings, LongestNamesStillMakeAWholeDescription) {
    const std::string name(REG_STRING_MAX - 1, 'n');
    for (const char* value : {static_cast<const char*>(nullptr), "AppShort", "DeviceName", "DeviceNameShort"})
        SetApplicationText(value, name);
    Init();
    const std::string description = StoredString(REG_APPLICATION_KEY, "Desc");
    EXPECT_EQ(0u, description.find("With the " + name + " (" + name + ")"));
    EXPECT_EQ(description.size() - 10, description.rfind("\"Options\".")) << "the text is whole";
}

TEST_F(Settings, TheTraceFileIsDeletedAtStart) {
    HANDLE file = CreateFileA("C:\\LogOrvikDriver1.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    Init();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\LogOrvikDriver1.txt"));
}

}  // namespace
