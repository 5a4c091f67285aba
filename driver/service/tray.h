// The notification-area icon and the connection switch shared by its menu
// and the control server.
#ifndef ORVIK_SERVICE_TRAY_H
#define ORVIK_SERVICE_TRAY_H

#include <windows.h>

const UINT WM_CONNECTION_STATE = WM_USER + 101;

enum TrayIconResource { IDI_CONNECTED = 102, IDI_NOT_CONNECTED = 104 };

BOOL AddTrayIcon();
void RemoveTrayIcon();
void SetTrayIconState(int iconResource);
BOOL DoInitForTaskbarIcon();
BOOL DoDeInitForTaskbarIcon();

// Records the connection state and shows it: icon, "Connected" in the
// registry, and the registered settings window.
void AnnounceConnectionState(int connected);

// Switches the connection: off when it is up, on when it is down. Returns the
// new connection state.
int DoConnectionSequence();

#endif
