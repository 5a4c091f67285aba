// Presses of special keys. Each code is one case of the switch below; codes
// without an action still click, so the user hears that the device saw the
// key. Launches run on a thread of their own, one after the other in the
// order of their keys: the shell and profile calls they make may leave
// windows on their thread, and the depacketizer, which must be free to move
// to another desktop, may own none. So it never waits for a program either.
#include "launchkeys.h"

#include <windows.h>

#include "../../common/uiseam.h"
#include "../../common/winsync.h"
#include "../../common/worker.h"
#include "inject.h"
#include "keystate.h"
#include "launchtext.h"
#include "sound.h"
#include "usersession.h"

namespace {

const char* const CLIENTS_KEY = "SOFTWARE\\Clients\\";
const char* const CLIENT_COMMAND_SUBKEY = "\\shell\\open\\command";
const char* const BROWSER_COMMAND_KEY = "SOFTWARE\\Classes\\HTTP\\shell\\open\\command";
const DWORD CLOSE_WAIT_MS = 100;  // for the application to take WM_CLOSE
const char* const OUTLOOK_ICON_KEY = "SOFTWARE\\Clients\\Mail\\Microsoft Outlook\\Protocols\\mailto\\DefaultIcon";
const int LAUNCH_QUEUE_SIZE = 256;  // keys waiting for their launch; more are dropped
const DWORD LAUNCHER_JOIN_MS = 5000;

// The launch keys waiting for the launcher thread, oldest first.
StaticLock gLaunchLock;
unsigned char gLaunchQueue[LAUNCH_QUEUE_SIZE];
int gLaunchHead = 0, gLaunchCount = 0;
Worker gLauncher = {};
const HANDLE ghLaunchQueued = CreateEventA(nullptr, FALSE, FALSE, nullptr);  // auto reset
const HANDLE ghLaunchesDone = CreateEventA(nullptr, TRUE, TRUE, nullptr);    // nothing waits or runs

// The default client of a kind ("Mail", "Contacts", "Calendar"): its name is
// the kind key's default value, its command line that of the client's
// shell\open\command key. Nothing when the kind names no client.
int LaunchDefaultClient(const char* kind) {
    char kindKey[LAUNCH_TEXT_SIZE];
    char client[MACHINE_STRING_SIZE];
    if (!ComposeText(kindKey, sizeof kindKey, CLIENTS_KEY, kind) || !ReadMachineString(kindKey, nullptr, client) ||
        !client[0])
        return 0;
    char commandKey[LAUNCH_TEXT_SIZE];
    char command[MACHINE_STRING_SIZE];
    if (!ComposeText(commandKey, sizeof commandKey, kindKey, "\\", client, CLIENT_COMMAND_SUBKEY) ||
        !ReadMachineString(commandKey, nullptr, command))
        return 0;
    return LaunchInUserSession(command, nullptr);
}

// The browser without its own arguments (such as its document placeholder).
int LaunchDefaultBrowser() {
    char command[MACHINE_STRING_SIZE];
    char program[MACHINE_STRING_SIZE];
    if (!ReadMachineString(BROWSER_COMMAND_KEY, nullptr, command) ||
        !CutBrowserProgram(command, program, sizeof program))
        return 0;
    return LaunchInUserSession(program, nullptr);
}

int LaunchSystemProgram(const char* name) {
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, sizeof directory);
    char path[LAUNCH_TEXT_SIZE];
    if (!length || length >= sizeof directory || !ComposeText(path, sizeof path, directory, "\\", name)) return 0;
    return LaunchInUserSession(path, nullptr);
}

// The system's search, opened by the user's own shell: Win+F typed on the
// user's desktop. Shell code run by the driver would run as LocalSystem and
// could open a system window on the logon or locked screen, so nothing
// happens there, nor while no user shell runs.
int OpenSystemSearch() {
    if (!UserDesktopActive()) return 0;
    INPUT keys[] = {KeyInput(VK_LWIN, 0), KeyInput('F', 0), KeyInput('F', KEYEVENTF_KEYUP),
                    KeyInput(VK_LWIN, KEYEVENTF_KEYUP)};
    return SendInputs(keys, sizeof keys / sizeof keys[0], "OpenSystemSearch: ");
}

void Launch(unsigned char code) {
    switch (code) {
    case SPECIAL_CALENDAR: LaunchDefaultClient("Calendar"); break;
    case SPECIAL_CONTACTS: LaunchDefaultClient("Contacts"); break;
    case SPECIAL_MAIL_TASKS: LaunchOutlookTasks(OUTLOOK_TASKS_ARGUMENT); break;
    case SPECIAL_MAIL: LaunchDefaultClient("Mail"); break;
    case SPECIAL_EDITOR: LaunchSystemProgram("notepad.exe"); break;
    case SPECIAL_BROWSER: LaunchDefaultBrowser(); break;
    case SPECIAL_CALCULATOR: LaunchSystemProgram("calc.exe"); break;
    default: break;
    }
}

bool TakeQueuedLaunch(unsigned char* code) {
    LockHeld use(gLaunchLock);
    if (!gLaunchCount) return false;
    *code = gLaunchQueue[gLaunchHead];
    gLaunchHead = (gLaunchHead + 1) % LAUNCH_QUEUE_SIZE;
    --gLaunchCount;
    return true;
}

DWORD WINAPI LaunchThread(LPVOID) {
    const HANDLE waits[2] = {ghLaunchQueued, gLauncher.stopEvent};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        unsigned char code;
        while (!WorkerStopAsked(&gLauncher) && TakeQueuedLaunch(&code)) Launch(code);
        LockHeld use(gLaunchLock);
        if (!gLaunchCount) SetEvent(ghLaunchesDone);
    }
    return 0;
}

void QueueLaunch(unsigned char code) {
    LockHeld use(gLaunchLock);
    if (gLaunchCount == LAUNCH_QUEUE_SIZE) return;
    gLaunchQueue[(gLaunchHead + gLaunchCount++) % LAUNCH_QUEUE_SIZE] = code;
    ResetEvent(ghLaunchesDone);
    if (WorkerEnded(&gLauncher)) {
        WorkerJoin(&gLauncher, 0);
        if (!WorkerStart(&gLauncher, LaunchThread, nullptr, THREAD_PRIORITY_NORMAL)) return;
    }
    SetEvent(ghLaunchQueued);
}

}  // namespace

bool WaitForLaunches(DWORD timeoutMs) { return WaitForSingleObject(ghLaunchesDone, timeoutMs) == WAIT_OBJECT_0; }

void StopLaunches() {
    {
        LockHeld use(gLaunchLock);
        gLaunchCount = 0;
    }
    WorkerStop(&gLauncher, LAUNCHER_JOIN_MS);
}

void ProcessSpecialKeyEvent(const InputEvent* event) {
    PlayKeySound(event->specialCode == SPECIAL_FN ? SOUND_MODIFIER : SOUND_REGULAR);
    switch (event->specialCode) {
    case SPECIAL_TASKBAR: SendTaskbarCommand(); break;
    case SPECIAL_CALENDAR:
    case SPECIAL_CONTACTS:
    case SPECIAL_MAIL_TASKS:
    case SPECIAL_MAIL:
    case SPECIAL_EDITOR:
    case SPECIAL_BROWSER:
    case SPECIAL_CALCULATOR: QueueLaunch(event->specialCode); break;
    case SPECIAL_CLOSE_APP:
    case SPECIAL_CLOSE_APP2: CloseForegroundApplication(); break;
    case SPECIAL_FN: SetFnLayer(true); break;
    case SPECIAL_ARROW_LAYER: SetArrowLayer(true); break;
    case SPECIAL_SEARCH: OpenSystemSearch(); break;
    default: break;
    }
}

void CloseForegroundApplication() {
    HWND window = GetForegroundWindow();
    if (!window) return;  // a post to no window would land in this thread's own queue
    char title[1024] = "";
    GetWindowTextA(window, title, sizeof title);
    if (lstrcmpA(title, "Desktop") == 0) return;
    PostMessageA(window, WM_CLOSE, 0, 0);
    Sleep(CLOSE_WAIT_MS);
    if (GetForegroundWindow() != window) return;
    // Ctrl+Q, the quit shortcut of applications that ignore WM_CLOSE.
    TypeShortcut(VK_CONTROL, 'Q', "CloseForegroundApplication: ");
    Sleep(CLOSE_WAIT_MS);
    if (GetForegroundWindow() == window) PostMessageA(window, WM_CLOSE, 0, 0);
}

int SendTaskbarCommand() {
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (!taskbar) return 0;
    SetForegroundWindow(taskbar);
    return PostMessageA(taskbar, WM_COMMAND, TASKBAR_COMMAND_ID, 0);
}

int LaunchOutlookTasks(const char* argument) {
    char iconLocation[MACHINE_STRING_SIZE];
    char program[MACHINE_STRING_SIZE];
    if (!ReadMachineString(OUTLOOK_ICON_KEY, nullptr, iconLocation) ||
        !ProgramOfIconLocation(iconLocation, program, sizeof program))
        return 0;
    if (GetFileAttributesA(program) == INVALID_FILE_ATTRIBUTES) return 0;
    return LaunchInUserSession(program, argument);
}
