// A global WH_CALLWNDPROC hook that does nothing but pass the message on, as
// accessibility and input-method software install them. The system loads it
// into every process whose threads get sent messages; each process that
// loads it appends its program path to C:\hooked.txt.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK CallWndHook(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char line[MAX_PATH + 2];
    const DWORD length = GetModuleFileNameA(nullptr, line, MAX_PATH);
    line[length] = '\r';
    line[length + 1] = '\n';
    HANDLE file = CreateFileA("C:\\hooked.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    WriteFile(file, line, length + 2, &written, nullptr);
    CloseHandle(file);
    return TRUE;
}
