// The service host: the command-line verbs that install, remove, start or
// debug the driver, and, under the service control manager, the service
// entry, its control handler, status reports and event-log entries.
#ifndef ORVIK_SERVICE_SERVICEHOST_H
#define ORVIK_SERVICE_SERVICEHOST_H

#include <windows.h>

#define DRIVER_SERVICE_NAME "OrvikDriver"
#define DRIVER_DISPLAY_NAME "Tavelin"

// Set by the debug verb: the driver runs in the console, without status
// reports or event-log entries.
extern volatile LONG bDebugMode;

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

// Sends the service status; TRUE when it went through (always in debug mode).
BOOL ReportServiceStatus(DWORD currentState, DWORD exitCode, DWORD waitHint);
// Writes an error entry with the calling thread's last error and `text`.
void LogServiceError(const char* text);
// The system's text for the last error, "<text> (0x<code>)", or "" when it
// has none or it does not fit. Returns buffer.
char* FormatLastError(char* buffer, DWORD size);

#endif
