#include "pointer.h"

#include <windows.h>

void SettlePointerAt(int x, int y) {
    SetCursorPos(x, y);
    for (int steady = 0, tries = 0; steady < 3 && tries < 40; ++tries) {
        Sleep(50);
        POINT at = {};
        GetCursorPos(&at);
        if (at.x == x && at.y == y) {
            ++steady;
        } else {
            SetCursorPos(x, y);
            steady = 0;
        }
    }
}
