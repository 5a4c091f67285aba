// The driver's hidden windows (the timer window, the tray window): never
// shown, they exist for their messages and timers.
#ifndef ORVIK_INPUT_HIDDENWINDOW_H
#define ORVIK_INPUT_HIDDENWINDOW_H

#include <windows.h>

// Registers the class (once per process) and creates the window on the
// calling thread, which must run its messages. 0 on failure, with the
// error left for GetLastError.
HWND CreateHiddenWindow(const char* className, const char* title, WNDPROC procedure);

#endif
