#include "wait.h"

namespace {
const DWORD POLL_MS = 10;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(POLL_MS);
    }
    return true;
}

bool WaitUntilSteady(const std::function<size_t()>& count, DWORD steadyMs, DWORD timeoutMs) {
    size_t last = count();
    DWORD lastChange = GetTickCount();
    return WaitUntil(
        [&] {
            const size_t now = count();
            if (now != last) {
                last = now;
                lastChange = GetTickCount();
            }
            return GetTickCount() - lastChange >= steadyMs;
        },
        timeoutMs);
}
