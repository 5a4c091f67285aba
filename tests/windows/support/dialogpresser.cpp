#include "dialogpresser.h"

#include <cstring>

namespace {

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindOwnDialog(HWND window, LPARAM parameter) {
    Search* search = reinterpret_cast<Search*>(parameter);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK KeepLongestStatic(HWND child, LPARAM parameter) {
    std::string* longest = reinterpret_cast<std::string*>(parameter);
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    if (_stricmp(className, "Static") != 0) return TRUE;
    char text[1024] = {};
    GetWindowTextA(child, text, sizeof text);
    if (std::strlen(text) > longest->size()) *longest = text;
    return TRUE;
}

}  // namespace

DialogPresser::DialogPresser(std::vector<int> answers) : answers_(std::move(answers)) {
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DialogPresser::~DialogPresser() {
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    DeleteCriticalSection(&lock_);
}

std::vector<ShownDialog> DialogPresser::Shown() {
    EnterCriticalSection(&lock_);
    std::vector<ShownDialog> shown = shown_;
    LeaveCriticalSection(&lock_);
    return shown;
}

std::vector<std::string> DialogPresser::Captions() {
    std::vector<std::string> captions;
    for (const ShownDialog& dialog : Shown()) captions.push_back(dialog.caption);
    return captions;
}

void DialogPresser::Answer(HWND dialog, int answer) {
    ShownDialog shown;
    char caption[256] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    shown.caption = caption;
    EnumChildWindows(dialog, KeepLongestStatic, reinterpret_cast<LPARAM>(&shown.text));
    EnterCriticalSection(&lock_);
    shown_.push_back(shown);
    LeaveCriticalSection(&lock_);
    if (answer == CLOSE_BOX) PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    else PostMessageA(GetDlgItem(dialog, answer), BM_CLICK, 0, 0);
}

DWORD WINAPI DialogPresser::Run(LPVOID parameter) {
    DialogPresser* self = static_cast<DialogPresser*>(parameter);
    for (size_t next = 0; next < self->answers_.size() && !self->stop_;) {
        Search search = {GetCurrentProcessId(), nullptr};
        EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            Sleep(20);
            continue;
        }
        self->Answer(search.found, self->answers_[next++]);
        // The dialog may work a while before it closes (Retry re-initialises).
        while (IsWindow(search.found) && !self->stop_) Sleep(10);
    }
    return 0;
}
