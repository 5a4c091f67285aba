// The driver's timer window on a thread of its own, pumping its messages as
// the service thread does: key repeat runs there.
#ifndef ORVIK_TESTS_TIMERWINDOWTHREAD_H
#define ORVIK_TESTS_TIMERWINDOWTHREAD_H

#include <windows.h>

#include "../../../driver/input/keyrepeat.h"
#include "windowthread.h"

class TimerWindowThread {
public:
    bool Start() {
        return thread_.Start([] { return CreateTimerWindow() == 1 ? ghTimerWnd : nullptr; });
    }
    void Stop() { thread_.Stop(); }
    bool Ended(DWORD timeoutMs) { return thread_.Ended(timeoutMs); }

private:
    WindowThread thread_;
};

#endif
