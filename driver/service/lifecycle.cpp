// The driver's life from service start to service stop.
//
// Everything that starts the driver runs on the service thread, and so does
// everything that stops it: ServiceStop, callable from any thread, only asks
// (a WM_DESTROY to the timer window, whose procedure ends this thread's
// message loop, and the service-stop event). Start-up reports start-pending
// with a wait hint after every step, so that the service control manager
// sees progress while the device is being brought up.
#include "lifecycle.h"

#include <cstdio>

#include "../../common/registry.h"
#include "../../common/settingsstore.h"
#include "../../common/trace.h"
#include "../devicelink/commands.h"
#include "../devicelink/messages.h"
#include "../input/keyboard.h"
#include "../input/keyrepeat.h"
#include "../input/mouse.h"
#include "../input/sound.h"
#include "controlserver.h"
#include "errordialog.h"
#include "serviceevents.h"
#include "servicestatus.h"
#include "tray.h"

namespace {

const char* const TRACE_FILE = "C:\\LogOrvikDriver1.txt";
const DWORD START_HINT_MS = 3000;
const DWORD LATE_START_HINT_MS = 6000;  // the slow steps: device start-up, windows, tray
const DWORD STOP_HINT_MS = 3000;
// How long a stop waits for the questions it answered to close.
const DWORD PROMPT_CLOSE_MS = 1000;
const int DESCRIPTION_SIZE = 4 * REG_STRING_MAX + 160;
// How long a stop waits for the registered settings window to take WM_CLOSE.
const UINT SETTINGS_CLOSE_TIMEOUT_MS = 1000;

void DeleteTraceFile() { DeleteFileA(TRACE_FILE); }

int ReportStartPending(DWORD waitHint) { return ReportServiceStatus(SERVICE_START_PENDING, NO_ERROR, waitHint); }

// Called after each service event is created; the last two take longer hints.
int ReportEventCreated(int count, int total) {
    return ReportStartPending(count > total - 2 ? LATE_START_HINT_MS : START_HINT_MS);
}

bool IsStopRequested() {
    HANDLE stop = g_hServiceStopEvent;
    return stop && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
}

// Windows 2000 (5.0) and XP (5.1) only; any other system is told so.
int IsCompatibleSystem() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 5 && version.dwMinorVersion <= 1)
        return 1;
    ShowDriverMessage(nullptr, DRIVER_MSG_INCOMPATIBLE_OS);
    return 0;
}

// A repeat setting as the 16 bits the driver keeps; a stored value that does
// not fit them (or 0) means the default, never its cut-off low bits.
unsigned short ReadRepeatSetting(const SettingValue& setting) {
    const DWORD fallback = FallbackNumber(setting, BY_DRIVER);
    const DWORD value = ReadDwordSetting(setting, BY_DRIVER);
    return static_cast<unsigned short>(value == 0 || value > 0xFFFF ? fallback : value);
}

void LoadInputSettings() {
    bTapEnabled = ReadDwordSetting(TAP_ENABLE, BY_DRIVER) != 0;
    const LONG repeat = ReadDwordSetting(REPEAT_ENABLE, BY_DRIVER) != 0;
    const unsigned short hold = ReadRepeatSetting(REPEAT_DELAY);
    const unsigned short rate = ReadRepeatSetting(REPEAT_RATE);
    ApplyKeyRepeatSettings(repeat, rate, hold);
}

// "Desc": what the installation is, in the names the installation gave it.
void WriteDescription() {
    char product[REG_STRING_MAX], productShort[REG_STRING_MAX], device[REG_STRING_MAX], deviceShort[REG_STRING_MAX];
    ReadStringSetting(APP_DISPLAY_NAME, BY_DRIVER, product, sizeof product);
    ReadStringSetting(APP_SHORT_NAME, BY_DRIVER, productShort, sizeof productShort);
    GetDeviceName(device, sizeof device);
    ReadStringSetting(APP_DEVICE_SHORT_NAME, BY_DRIVER, deviceShort, sizeof deviceShort);
    char description[DESCRIPTION_SIZE];
    std::snprintf(description, sizeof description,
                  "With the %s (%s) you can input text using a %s (%s) accessory. To learn more, please take the "
                  "tutorial accessible under \"Options\".",
                  product, productShort, device, deviceShort);
    WriteStringSetting(APP_DESCRIPTION, description);
}

// Until the stop event, or until WM_QUIT: the timer window was destroyed.
void RunMessageLoop() {
    HANDLE stop = g_hServiceStopEvent;
    for (;;) {
        if (MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0 + 1) return;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

// Start-up after the first status report; returns when the driver is to stop.
void RunDriver() {
    DeleteTraceFile();
    if (!CreateServiceEvents(ReportEventCreated)) return;
    if (!DoInit()) {
        ServiceStop();
        return;
    }
    if (!ReportStartPending(LATE_START_HINT_MS) || !CreateTimerWindow() || !ReportStartPending(LATE_START_HINT_MS))
        return;
    Trace("ServiceStart: DoInitForTaskbarIcon %s.", DoInitForTaskbarIcon() ? "succeed" : "failed");
    SetTimer(ghTimerWnd, TMR_SYSTAY, TMR_SYSTAY_PERIOD_MS, nullptr);
    if (!ReportServiceStatus(SERVICE_RUNNING, NO_ERROR, 0)) return;
    SetEvent(g_hServiceReadyEvent);
    RunMessageLoop();
    WaitForSingleObject(g_hServiceStopEvent, INFINITE);
}

void GetSessionEvents(SessionEvents* events) {
    events->stop = g_hServiceStopEvent;
    events->logon = g_hSessionEvents[SESSION_LOGON];
    events->logoff = g_hSessionEvents[SESSION_LOGOFF];
    events->lock = g_hSessionEvents[SESSION_LOCK];
    events->unlock = g_hSessionEvents[SESSION_UNLOCK];
    events->screenSaverStart = g_hSessionEvents[SESSION_SCREENSAVER_START];
    events->screenSaverStop = g_hSessionEvents[SESSION_SCREENSAVER_STOP];
    events->shellStart = g_hSessionEvents[SESSION_SHELL_START];
    events->shutdown = g_hSessionEvents[SESSION_SHUTDOWN];
    events->ready = g_hServiceReadyEvent;
}

int EndTaskbarIcon(const char*) {
    RemoveTrayIcon();
    return DoDeInitForTaskbarIcon();
}

void RestoreTaskbarIcon() {
    Trace("ServiceStart: DoInitForTaskbarIcon %s on Start shell event.", DoInitForTaskbarIcon() ? "succeed" : "failed");
    RequestTrayTimer();
}

// A settings window that does not answer must not hold the stop.
void CloseSettingsWindow() {
    HWND window = static_cast<HWND>(InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&hSettingsWnd), nullptr));
    if (!window || !IsWindow(window)) return;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, SETTINGS_CLOSE_TIMEOUT_MS, &result);
}

void PostPowerModeToSettingsWindow(PowerModeNotice mode) { PostToSettingsWindow(WM_POWER_MODE, mode); }

}  // namespace

void ServiceStart(DWORD, LPSTR*) {
    // Before any stop can be taken: a stop from now on closes every question.
    AllowPrompts();
    if (ReportStartPending(START_HINT_MS)) RunDriver();
    // However the driver ended, no message may go to its window any more.
    DestroyTimerWindow();
    ReportServiceStatus(SERVICE_STOP_PENDING, NO_ERROR, STOP_HINT_MS);
    Deinit();
    // The session events go too, so that a late control code sets nothing.
    CloseServiceEvents();
    // SERVICE_STOPPED is ServiceMain's to report, once and last: after it the
    // control manager may end the process at any moment.
    ReportServiceStatus(SERVICE_STOP_PENDING, NO_ERROR, STOP_HINT_MS);
}

void ServiceStop() {
    // A question the driver asks may be where nobody can answer it: the stop
    // answers it (Cancel), whichever thread waits for it.
    CancelPrompts(0);
    RemoveTrayIcon();
    // Only the event: the caller (the control handler above all) must not
    // wait for a service thread that may be busy starting the device. That
    // thread's message loop ends on it, and the thread then destroys its
    // timer window itself.
    SetServiceStopEvent();
}

void RegisterDeviceLinkHooks() {
    const DeviceLinkHooks hooks = {AnnounceConnectionState, StoreConnectionWish, RetryWithConnectErrorDialog,
                                   GetSessionEvents, EndTaskbarIcon, RestoreTaskbarIcon};
    SetDeviceLinkHooks(hooks);
    gpfnPowerModeListener = PostPowerModeToSettingsWindow;
}

int DoInit() {
    DeleteTraceFile();
    hSettingsWnd = 0;
    RegisterDeviceLinkHooks();
    AllowDeviceLinkStart();
    if (!IsCompatibleSystem()) return 0;
    // Without a device the driver still runs, so that the tray menu or the
    // settings program can connect later; unless the user turned it off in
    // the connection error dialog. That answer also ends a device start that
    // otherwise counts as done, so the stop event is looked at either way.
    InitSequence();
    if (IsStopRequested()) return 0;
    if (!StartControlServer()) return 0;
    GetAudioDataFromRegistry();
    LoadInputSettings();
    WriteDwordSetting(APP_DRIVER_RUNNING, 1);
    WriteDescription();
    return 1;
}

int Deinit() {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    CancelPrompts(PROMPT_CLOSE_MS);
    CloseSettingsWindow();
    ShutDownDeviceLink();
    StopControlServer();
    SetCursor(previous);
    WriteDwordSetting(APP_DRIVER_RUNNING, 0);
    return 1;
}
