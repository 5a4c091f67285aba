#include "errordialog.h"

#include "../common/registry.h"
#include "../common/uiseam.h"

INT_PTR CError::DoModal() {
    return g_ui.dialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ERROR), m_hOwner, DialogProc, 0);
}

INT_PTR CALLBACK CError::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDRETRY && LOWORD(wParam) != IDC_TURNOFF && LOWORD(wParam) != IDCANCEL) return FALSE;
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
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
