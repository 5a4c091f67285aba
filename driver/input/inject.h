// Synthesized input. Every key the driver types is a virtual-key event with
// scan code 0 and no flag other than KEYEVENTF_KEYUP; every mouse input
// carries the X and Y of its record. A refused SendInput is traced and
// otherwise ignored: there is nothing better to do with a keystroke that the
// system would not take, and the next record must not wait for it.
#ifndef ORVIK_INPUT_INJECT_H
#define ORVIK_INPUT_INJECT_H

#include <windows.h>

#include "../../common/packet.h"

INPUT KeyInput(BYTE virtualKey, DWORD flags);
INPUT MouseInput(DWORD flags, const InputEvent* event);

// Sends the inputs in one call. On failure traces
// "<tracePrefix>Send Input Error No: <error>". 1 or 0.
int SendInputs(INPUT* inputs, UINT count, const char* tracePrefix);

#endif
