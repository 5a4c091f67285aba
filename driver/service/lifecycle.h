// Start and stop of the driver as one unit. The same body runs under the
// service control manager and in console debug mode.
#ifndef ORVIK_SERVICE_LIFECYCLE_H
#define ORVIK_SERVICE_LIFECYCLE_H

#include <windows.h>

// The service body: creates the events, starts the driver (DoInit), the timer
// window and the tray thread, reports running and pumps the service thread's
// messages until ServiceStop; then shuts down. Returns once stopped. The
// arguments are not used.
void ServiceStart(DWORD argc, LPSTR* argv);

// Asks the driver to stop; callable from any thread. The shut-down itself
// runs on the service thread once its message loop has ended.
void ServiceStop();

// Gives the device link the service's ways to show a connection change and
// to ask the user after a device that did not answer, and sends the device's
// power-state reports on to the settings window.
void RegisterDeviceLinkHooks();

// Operating-system check, device link, control server and settings. 1 when
// the driver may run, 0 when it must stop.
int DoInit();

// Closes a registered settings window, stops the device link and the control
// server, and clears the running flag. 1.
int Deinit();

#endif
