// The driver's timer window on a thread of its own, pumping its messages as
// the service thread does: key repeat runs there.
#ifndef ORVIK_TESTS_TIMERWINDOWTHREAD_H
#define ORVIK_TESTS_TIMERWINDOWTHREAD_H

#include <windows.h>

#include "../../../driver/input/keyrepeat.h"

class TimerWindowThread {
public:
    bool Start() {
        ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        return thread_ && WaitForSingleObject(ready_, 5000) == WAIT_OBJECT_0 && created_;
    }
    void Stop() {
        if (ghTimerWnd) PostMessageA(ghTimerWnd, WM_CLOSE, 0, 0);
        if (thread_) WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    bool Ended(DWORD timeoutMs) { return WaitForSingleObject(thread_, timeoutMs) == WAIT_OBJECT_0; }

private:
    static DWORD WINAPI Run(LPVOID parameter) {
        TimerWindowThread* self = static_cast<TimerWindowThread*>(parameter);
        self->created_ = CreateTimerWindow() == 1;
        SetEvent(self->ready_);
        MSG message;
        while (self->created_ && GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        return 0;
    }

    HANDLE thread_ = nullptr;
    HANDLE ready_ = nullptr;
    bool created_ = false;
};

#endif
