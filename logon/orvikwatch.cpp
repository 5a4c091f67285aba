// Orvikwatch: the notification package that the logon process loads. Its
// event exports come with the logon notifier; this is the loadable library.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
