// What the service control manager and the event log hear from the driver:
// the status record with its check points, and error entries. The service
// host and the driver's start and stop both report through it.
#ifndef ORVIK_SERVICE_SERVICESTATUS_H
#define ORVIK_SERVICE_SERVICESTATUS_H

#include <windows.h>

#define DRIVER_SERVICE_NAME "OrvikDriver"
#define DRIVER_DISPLAY_NAME "Tavelin"

// Set by the debug verb: the driver runs in the console, without status
// reports or event-log entries.
extern volatile LONG bDebugMode;

// Registers `handler` for the service's controls; FALSE when the control
// manager refused.
BOOL RegisterServiceStatus(LPHANDLER_FUNCTION_EX handler);
// The state last reported.
DWORD CurrentServiceState();
// Sends the service status; TRUE when it went through (always in debug mode).
BOOL ReportServiceStatus(DWORD currentState, DWORD exitCode, DWORD waitHint);
// The final report: stopped, with the last logged error as the exit code.
void ReportServiceStopped();
// Writes an error entry with the calling thread's last error and `text`.
void LogServiceError(const char* text);

#endif
