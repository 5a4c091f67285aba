// Until the control protocol is served, the server thread ends at once and
// there is nothing to close.
#include "controlserver.h"

volatile BYTE ucServerState = 2;
HANDLE g_hServerThread = 0;

DWORD WINAPI OrvikServerThreadRoutine(LPVOID) {
    ucServerState = 2;
    return 0;
}

int InitSockSrv() { return 1; }

void DeInitSockSrv() {}
