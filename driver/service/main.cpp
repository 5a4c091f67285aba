// OrvikDriver entry point. For now it runs the device link in the console
// ("-debug") until Ctrl+C; the service host comes with the driver lifecycle.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "../devicelink/devicelink.h"

namespace {

HANDLE gStopEvent;

BOOL WINAPI StopOnConsoleBreak(DWORD) {
    SetEvent(gStopEvent);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (argv[1][0] != '-' && argv[1][0] != '/') || _stricmp(argv[1] + 1, "debug") != 0) {
        std::printf("usage: OrvikDriver -debug\n");
        return 1;
    }
    gStopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(StopOnConsoleBreak, TRUE);
    if (!InitializeKeyBoard()) return 1;
    WaitForSingleObject(gStopEvent, INFINITE);
    StopReaderThread("main");
    return 0;
}
