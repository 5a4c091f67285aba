// The notification-area icon, its hidden window and menu, the launch of the
// settings program from it, and the connection switch shared by its menu and
// the control server.
//
// The icon's window lives on a thread of its own (SysTrayWndThread), started
// at service start and at each start of a user's shell, ended at logoff and
// service stop. The service thread (retry timer), the depacketizer (session
// events), the control server and the tray thread all change the icon: adds
// run on the caller's thread, changes and deletes on the tray thread, all
// under one lock.
#ifndef ORVIK_SERVICE_TRAY_H
#define ORVIK_SERVICE_TRAY_H

#include <windows.h>

const UINT WM_CONNECTION_STATE = WM_USER + 101;
const UINT WM_TRAYNOTIFY = WM_USER + 1;  // the icon's callback message

enum TrayIconResource { IDI_CONNECTED = 102, IDI_NOT_CONNECTED = 104 };

// The icon's retry timer on the timer window, and the message that starts it
// there (only the window's own thread may set its timers).
const UINT_PTR TMR_SYSTAY = 4;
const UINT TMR_SYSTAY_PERIOD_MS = 50;
const UINT WM_START_TRAY_TIMER = WM_USER + 3;

enum TrayMenuCommand { ID_TRAY_SETTINGS = 40001, ID_TRAY_CONNECTION = 40004, ID_TRAY_EXIT = 40005 };

// Adds the icon with the picture and tip of the connection state; the
// shell's answer (FALSE while there is no taskbar or no tray window).
BOOL AddTrayIcon();
// Removes the icon; from a thread other than the tray thread the removal is
// queued to the tray window and done there, before any later close.
void RemoveTrayIcon();
// Shows icon resource `iconResource`; IDI_CONNECTED and IDI_NOT_CONNECTED
// bring their tips, any other keeps the tip. Queued like a removal.
void SetTrayIconState(int iconResource);

// Starts the tray thread unless it runs and returns once its window exists:
// TRUE, or FALSE when the thread or its window could not be made. Callers
// then start TMR_SYSTAY, which adds the icon once the shell takes it.
BOOL DoInitForTaskbarIcon();
// Ends the tray thread without waiting for it; leaves the icon alone.
// FALSE when it did not run.
BOOL DoDeInitForTaskbarIcon();
// Asks the timer window to start TMR_SYSTAY; any thread.
void RequestTrayTimer();

// Starts OrvikSettings.exe from the driver's folder as the logged-on user.
BOOL LaunchOrvikSettings();

// Shows a change of the link's state: icon, "Connected" in the
// registry, and the registered settings window.
void AnnounceConnectionState(int connected);

// Switches the connection: off when it is up, on when it is down. Returns the
// new connection state.
int DoConnectionSequence();

#endif
