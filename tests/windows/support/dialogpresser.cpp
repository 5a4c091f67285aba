#include "dialogpresser.h"

#include "wait.h"
#include "windowsearch.h"

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
    HWND owner = GetWindow(dialog, GW_OWNER);
    const ShownDialog shown = {WindowText(dialog), LongestStaticText(dialog), owner, owner && !IsWindowEnabled(owner)};
    EnterCriticalSection(&lock_);
    shown_.push_back(shown);
    LeaveCriticalSection(&lock_);
    if (answer == CLOSE_BOX) PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    else PostMessageA(GetDlgItem(dialog, answer), BM_CLICK, 0, 0);
}

DWORD WINAPI DialogPresser::Run(LPVOID parameter) {
    DialogPresser* self = static_cast<DialogPresser*>(parameter);
    for (size_t next = 0; next < self->answers_.size() && !self->stop_;) {
        HWND dialog = nullptr;
        WaitUntil([&] { return self->stop_ || (dialog = FindVisibleDialog(GetCurrentProcessId())) != nullptr; },
                  INFINITE);
        if (!dialog) break;
        self->Answer(dialog, self->answers_[next++]);
        // The dialog may work a while before it closes (Retry re-initialises).
        WaitUntil([&] { return self->stop_ || !IsWindow(dialog); }, INFINITE);
    }
    return 0;
}
