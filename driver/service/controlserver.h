// The control server: TCP port 1213 on the loopback address, one client and
// one message at a time. Control codes change settings inside the driver;
// any other message is a device packet that is forwarded to the device.
#ifndef ORVIK_SERVICE_CONTROLSERVER_H
#define ORVIK_SERVICE_CONTROLSERVER_H

#include <windows.h>

const unsigned short CONTROL_PORT = 1213;

extern volatile BYTE ucServerState;  // 0 stop requested, 1 running, 2 exited
extern HANDLE g_hServerThread;

DWORD WINAPI OrvikServerThreadRoutine(LPVOID);
int InitSockSrv();
void DeInitSockSrv();

#endif
