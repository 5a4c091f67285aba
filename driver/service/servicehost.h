// The service host: the command-line verbs that install, remove, start or
// debug the driver, and, under the service control manager, the service
// entry and its control handlers.
#ifndef ORVIK_SERVICE_SERVICEHOST_H
#define ORVIK_SERVICE_SERVICEHOST_H

#include <windows.h>

#include "servicestatus.h"

// The verbs; each prints its outcome on the console.
void InstallDriverService();
void RemoveDriverService();
void StartDriverService();
void DebugDriverService(int argc, char** argv);

void WINAPI ServiceMain(DWORD argc, LPSTR* argv);
void WINAPI ServiceCtrlHandler(DWORD control);
// The handler the control manager calls: ServiceCtrlHandler's codes, and the
// power events (standby and resume).
DWORD WINAPI ServiceCtrlHandlerEx(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context);
BOOL WINAPI ConsoleCtrlHandler(DWORD type);

// The system's text for the last error, "<text> (0x<code>)", or "" when it
// has none or it does not fit. Returns buffer.
char* FormatLastError(char* buffer, DWORD size);

#endif
