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
