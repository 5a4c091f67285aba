#include "messages.h"

#include <cstdio>
#include <cwchar>

#include "../../common/registry.h"
#include "../../common/settingsstore.h"
#include "../../common/uiseam.h"
#include "../../common/winsync.h"
#include "../../common/worker.h"

namespace {

const int MAX_PROMPTS = 8;
const DWORD CLOSE_RETRY_MS = 20;
const DWORD NOTICE_JOIN_MS = 3000;
const char* const DIALOG_CLASS = "#32770";  // message boxes and dialogs

StaticLock gPromptLock;  // guards the list below
DWORD gPromptThreads[MAX_PROMPTS];  // threads showing a question now, 0 for a free slot
volatile LONG gbPromptsRefused = 0;

StaticLock gNoticeLock;  // guards the notice thread's worker; its thread never takes it
Worker gNoticeWorker = {};
volatile LONG gbNoticeUp = 0;
volatile LONG gNoticeNumber = 0;

bool Register(DWORD thread) {
    LockHeld use(gPromptLock);
    for (DWORD& slot : gPromptThreads)
        if (!slot) {
            slot = thread;
            return true;
        }
    return false;
}

void Unregister(DWORD thread) {
    LockHeld use(gPromptLock);
    for (DWORD& slot : gPromptThreads)
        if (slot == thread) slot = 0;
}

BOOL CALLBACK CloseQuestionWindow(HWND window, LPARAM) {
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    // The thread may own other windows (the tray's): only its question goes.
    if (lstrcmpA(className, DIALOG_CLASS) == 0) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Closes the questions up now; 0 when none is.
int CloseOpenQuestions() {
    LockHeld use(gPromptLock);
    int open = 0;
    for (DWORD thread : gPromptThreads) {
        if (!thread) continue;
        ++open;
        EnumThreadWindows(thread, CloseQuestionWindow, 0);
    }
    return open;
}

int ShowTurnOffAlert() {
    char deviceName[REG_STRING_MAX];
    GetDeviceName(deviceName, sizeof deviceName);
    wchar_t wideName[REG_STRING_MAX];
    if (!MultiByteToWideChar(CP_ACP, 0, deviceName, -1, wideName, REG_STRING_MAX)) wideName[0] = L'\0';
    wchar_t text[512];
    std::swprintf(text, sizeof text / sizeof text[0],
                  L"This operation turns off the %ls. Next time you connect your tavelin, tap on "
                  L"application icon before you start typing.",
                  wideName);
    return g_ui.messageBoxW(nullptr, text, L"Alert", MB_OK | MB_ICONWARNING);
}

struct MessageRequest {
    HWND owner;
    int number;
};

INT_PTR AskMessage(void* context) {
    const MessageRequest* request = static_cast<const MessageRequest*>(context);
    char text[640];
    switch (request->number) {
    case DRIVER_MSG_TURN_OFF:
        return ShowTurnOffAlert();
    case DRIVER_MSG_SELECT_PORT:
        FormatWithDeviceName(text, sizeof text,
                             "Please select an available serial port in the Connection Settings option before "
                             "attempting to connect to the %s.");
        return g_ui.messageBoxA(request->owner, text, "Error", MB_OK | MB_ICONERROR);
    case DRIVER_MSG_SET_FAILED:
        FormatWithDeviceName(text, sizeof text,
                             "Unable to set %s information. Please check the serial connection and make sure that "
                             "the device is turned on. If the error persists, contact customer support.");
        return g_ui.messageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
    case DRIVER_MSG_INCOMPATIBLE_OS: {
        char system[REG_STRING_MAX];
        ReadStringSetting(APP_OS_VERSION, BY_DRIVER, system, sizeof system);
        std::snprintf(text, sizeof text, "Incompatible OS. This driver is only compatible with %s", system);
        return g_ui.messageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
    }
    default:
        return 0;
    }
}

DWORD WINAPI ShowNotice(LPVOID) {
    ShowDriverMessage(nullptr, static_cast<int>(gNoticeNumber));
    InterlockedExchange(&gbNoticeUp, 0);
    return 0;
}

}  // namespace

int ShowDriverMessage(HWND owner, int number) {
    MessageRequest request = {owner, number};
    return static_cast<int>(RunPrompt(AskMessage, &request));
}

void PostDriverMessage(int number) {
    LockHeld use(gNoticeLock);
    if (gbPromptsRefused || InterlockedCompareExchange(&gbNoticeUp, 1, 0) != 0) return;
    // The last notice's thread has ended or is about to: its handle goes.
    WorkerJoin(&gNoticeWorker, NOTICE_JOIN_MS);
    InterlockedExchange(&gNoticeNumber, number);
    if (!WorkerStart(&gNoticeWorker, ShowNotice, nullptr, THREAD_PRIORITY_NORMAL))
        InterlockedExchange(&gbNoticeUp, 0);
}

bool IsPostedMessageUp() { return gbNoticeUp != 0; }

INT_PTR RunPrompt(INT_PTR (*ask)(void* context), void* context) {
    const DWORD thread = GetCurrentThreadId();
    if (gbPromptsRefused || !Register(thread)) return IDCANCEL;
    // A stop that came between the check and the registration would not
    // have seen this question: look again.
    INT_PTR answer = gbPromptsRefused ? IDCANCEL : ask(context);
    Unregister(thread);
    return gbPromptsRefused ? IDCANCEL : answer;
}

void CancelPrompts(DWORD timeoutMs) {
    InterlockedExchange(&gbPromptsRefused, 1);
    const DWORD start = GetTickCount();
    // A question whose window is still being made is closed on a later round.
    while (CloseOpenQuestions() && GetTickCount() - start < timeoutMs) Sleep(CLOSE_RETRY_MS);
    if (!timeoutMs) return;
    LockHeld use(gNoticeLock);
    WorkerJoin(&gNoticeWorker, timeoutMs);
}

void AllowPrompts() { InterlockedExchange(&gbPromptsRefused, 0); }
