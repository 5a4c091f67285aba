#include "errordialog.h"

#include <cstdio>

#include "../common/registry.h"
#include "../common/uiseam.h"
#include "controlclient.h"

INT_PTR CError::DoModal() {
    return g_ui.dialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ERROR), GetActiveWindow(),
                                DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CError::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        OnInitDialog(dialog);
        return TRUE;
    }
    CError* self = reinterpret_cast<CError*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
    case WM_COMMAND:
        return self->OnCommand(dialog, LOWORD(wParam));
    case WM_CLOSE:  // the close box gives up, as Cancel does
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

void CError::OnInitDialog(HWND dialog) {
    char text[640];
    FormatWithDeviceName(text, sizeof text,
                         "Unable to detect a connected device.\n\nPlease check that the connection and make sure "
                         "that the device is turned on.\n\nWould you like to retry to establish a connection, turn "
                         "off the %s or cancel the attemp to connect?");
    SetDlgItemTextA(dialog, IDC_ERRORTEXT, text);
}

BOOL CError::OnCommand(HWND dialog, int id) {
    switch (id) {
    case IDRETRY:
        EndDialog(dialog, OnRetry());
        return TRUE;
    case IDC_TURNOFF:
    case IDCANCEL:
        EndDialog(dialog, id);
        return TRUE;
    default:
        return FALSE;
    }
}

// The start-command loop sends START_ZSM again itself; everywhere else the
// link is re-initialised here, before the caller repeats its command.
INT_PTR CError::OnRetry() {
    if (m_nMode == MODE_START) return IDRETRY;
    return ReinitSequence() ? IDINITSUCCESS : IDRETRY;
}
