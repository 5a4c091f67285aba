// The connection error dialog: the device did not answer, and the user
// chooses to retry, to turn the device off, or to give up.
#ifndef ORVIK_SETTINGS_ERRORDIALOG_H
#define ORVIK_SETTINGS_ERRORDIALOG_H

#include <windows.h>

#include "resource.h"

// Results of CError::DoModal besides IDRETRY (ask again), IDCANCEL (give up)
// and IDC_TURNOFF (turn the device off).
const INT_PTR IDINITSUCCESS = 2000;  // the link was re-initialised: repeat the command

class CError {
public:
    enum Mode {
        MODE_ORDINARY = 0,  // Retry re-initialises the link itself
        MODE_START = 9,     // the caller is the start-command loop: Retry only reports
    };

    explicit CError(int mode) : m_nMode(mode) {}

    // Shows the dialog modally, owned by the calling thread's active window,
    // so that the window the user was working in waits for the answer.
    INT_PTR DoModal();

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static void OnInitDialog(HWND dialog);
    INT_PTR OnRetry();
    BOOL OnCommand(HWND dialog, int id);

    int m_nMode;
};

#endif
