// Waiting for a fact: the one polling loop of the Windows tests. A test that
// expects something to happen waits for it with WaitUntil; a test that
// expects nothing to happen waits for a marker sent after it instead.
#ifndef ORVIK_TESTS_SUPPORT_WAIT_H
#define ORVIK_TESTS_SUPPORT_WAIT_H

#include <windows.h>

#include <functional>

// True as soon as `done` answers true, checked every few milliseconds; false
// once `timeoutMs` went by without it.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

#endif
