#include "pointer.h"

#include <windows.h>

#include "wait.h"

namespace {
// Under X the display may report a move back a little later: the pointer
// has settled once it stayed put this long.
const DWORD STEADY_MS = 150;
const DWORD SETTLE_TIMEOUT_MS = 2000;
}  // namespace

void SettlePointerAt(int x, int y) {
    SetCursorPos(x, y);
    DWORD steadySince = GetTickCount();
    WaitUntil(
        [&] {
            POINT at = {};
            GetCursorPos(&at);
            if (at.x == x && at.y == y) return GetTickCount() - steadySince >= STEADY_MS;
            SetCursorPos(x, y);
            steadySince = GetTickCount();
            return false;
        },
        SETTLE_TIMEOUT_MS);
}
