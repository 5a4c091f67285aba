// The connection error dialog: the device did not answer, and the user
// chooses to retry, to turn the device off, or to give up. It only returns
// the answer; the retry loops act on it.
#ifndef ORVIK_SETTINGS_ERRORDIALOG_H
#define ORVIK_SETTINGS_ERRORDIALOG_H

#include <windows.h>

#include "resource.h"

class CError {
public:
    // Modal to `owner`, the main window: while the dialog is up, no tab
    // switch can delete the page that asked.
    explicit CError(HWND owner) : m_hOwner(owner) {}

    // IDRETRY (ask again), IDC_TURNOFF (turn the device off) or IDCANCEL
    // (give up; also the close box).
    INT_PTR DoModal();

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static void OnInitDialog(HWND dialog);

    HWND m_hOwner;
};

#endif
