#include "inject.h"

#include "../../common/trace.h"

INPUT KeyInput(BYTE virtualKey, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = flags;
    return input;
}

INPUT MouseInput(DWORD flags, const InputEvent* event) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = event->x;
    input.mi.dy = event->y;
    input.mi.dwFlags = flags;
    return input;
}

int SendInputs(INPUT* inputs, UINT count, const char* tracePrefix) {
    if (SendInput(count, inputs, sizeof(INPUT)) != 0) return 1;
    Trace("%sSend Input Error No: %lu", tracePrefix, GetLastError());
    return 0;
}
