// A stand-in service that records the control codes it is sent: run by the
// service control manager, it appends each user-defined code (128 to 255) as
// one line to C:\codes.txt and stops on the stop code.
#include <windows.h>

#include <cstdio>

namespace {

SERVICE_STATUS_HANDLE gStatusHandle = nullptr;
SERVICE_STATUS gStatus = {SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, NO_ERROR, 0, 0, 0};
HANDLE gStopped = nullptr;

void Report(DWORD state) {
    gStatus.dwCurrentState = state;
    gStatus.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(gStatusHandle, &gStatus);
}

void AppendCode(DWORD code) {
    HANDLE file = CreateFileA("C:\\codes.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char line[16];
    const int length = std::snprintf(line, sizeof line, "%lu\r\n", code);
    DWORD written = 0;
    WriteFile(file, line, length, &written, nullptr);
    CloseHandle(file);
}

void WINAPI Handler(DWORD code) {
    if (code == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(gStopped);
        return;
    }
    if (code >= 128) AppendCode(code);
    SetServiceStatus(gStatusHandle, &gStatus);
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
    gStatusHandle = RegisterServiceCtrlHandlerA("OrvikDriver", Handler);
    if (!gStatusHandle) return;
    gStopped = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);
    WaitForSingleObject(gStopped, INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int main() {
    char name[] = "OrvikDriver";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
