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

// For activity that must end by itself, such as a key repeat whose key-held
// events stopped: true once `count` stayed the same for `steadyMs`; false
// when it still changed after `timeoutMs`.
bool WaitUntilSteady(const std::function<size_t()>& count, DWORD steadyMs, DWORD timeoutMs);

#endif
