// The connection error dialog: Retry, Turn Off or Cancel after the device
// did not answer.
#ifndef ORVIK_SERVICE_ERRORDIALOG_H
#define ORVIK_SERVICE_ERRORDIALOG_H

#include <windows.h>

INT_PTR CALLBACK ErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// After `attempt` failed: asks in the connection error dialog and runs it
// again for every Retry, until it succeeds (1) or the user stops retrying
// (0). Turn Off shows the turn-off alert and stops the driver.
int RetryWithConnectErrorDialog(int (*attempt)(), const char* turnOffTrace);

#endif
