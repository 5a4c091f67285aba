// A global WH_CALLWNDPROC hook that only passes the message on, as
// accessibility and input-method software install them: the system loads it
// into the driver's window threads. Built without the C runtime, so that it
// has no thread-local storage directory: Wine stalls loading such a DLL from
// inside a hook call (docs/platform-notes-wine-hooks.md), Windows does not.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK CallWndHook(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" BOOL WINAPI HookEntry(HINSTANCE, DWORD, LPVOID) { return TRUE; }
