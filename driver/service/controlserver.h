// The control server: TCP port 1213 on the loopback address, one client and
// one message at a time. Control codes change settings inside the driver;
// any other message is a device packet that is forwarded to the device.
#ifndef ORVIK_SERVICE_CONTROLSERVER_H
#define ORVIK_SERVICE_CONTROLSERVER_H

#include <winsock2.h>
#include <windows.h>

#include "../../common/controlprotocol.h"

extern HWND volatile hSettingsWnd;  // the settings window a client registered, 0 = none

// Posts to the registered settings window, if that is still a window.
void PostToSettingsWindow(UINT message, WPARAM wParam);

// Starts the server thread unless one runs. 1 when a server thread runs.
int StartControlServer();
bool ControlServerRuns();
// Asks the thread to end and closes the sockets (which ends a pending accept
// or receive); joins it, terminating it only when it does not end in time.
void StopControlServer();

DWORD WINAPI OrvikServerThreadRoutine(LPVOID);
int InitSockSrv();
// A listening stream socket on 127.0.0.1:port, backlog 4; INVALID_SOCKET for
// port 0 or when a step fails.
SOCKET CreateListenerSocket(unsigned short port);
// One send on the client socket. 1 when all bytes went out.
int SendDataToClient(const unsigned char* data, int count);
void DeInitSockSrv();

#endif
