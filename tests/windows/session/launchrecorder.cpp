// A stand-in for the programs that the driver starts (calc.exe, the mail
// client, OrvikSettings.exe, ...): appends one line "program|command line" to
// C:\launches.txt and ends.
#include <windows.h>

#include "../support/wait.h"

int main() {
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, sizeof program);
    HANDLE file = INVALID_HANDLE_VALUE;
    // Two launches close together may meet at the file: retry a moment.
    WaitUntil(
        [&file] {
            file = CreateFileA("C:\\launches.txt", FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
            return file != INVALID_HANDLE_VALUE;
        },
        10000);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* commandLine = GetCommandLineA();
    DWORD written = 0;
    WriteFile(file, program, lstrlenA(program), &written, nullptr);
    WriteFile(file, "|", 1, &written, nullptr);
    WriteFile(file, commandLine, lstrlenA(commandLine), &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
    return 0;
}
