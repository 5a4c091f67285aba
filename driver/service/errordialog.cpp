#include "errordialog.h"

#include <cstdio>

#include "../../common/registry.h"
#include "../../common/trace.h"
#include "../../common/uiseam.h"
#include "../devicelink/messages.h"
#include "lifecycle.h"
#include "resource.h"

namespace {

void CenterOnDesktop(HWND dialog) {
    RECT desktop, own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    const int left = (desktop.right - desktop.left) / 2 - width / 2;
    const int top = (desktop.bottom - desktop.top) / 2 - height / 2;
    MoveWindow(dialog, left, top, width, height, FALSE);
}

void ShowErrorText(HWND dialog) {
    char text[768];
    FormatWithDeviceName(text, sizeof text,
                         "Unable to detect a connected device. Please check that the serial cable is connected "
                         "properly and make sure that the device is turned on.\n\nWould you like to retry to "
                         "establish a connection, turn off the %s or cancel the attemp to connect?");
    SetDlgItemTextA(dialog, IDC_ERRORTEXT, text);
}

}  // namespace

INT_PTR CALLBACK ErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        ShowErrorText(dialog);
        CenterOnDesktop(dialog);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id != IDRETRY && id != IDCANCEL && id != IDC_TURNOFF) return FALSE;
        EndDialog(dialog, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

namespace {

INT_PTR AskRetryTurnOffOrCancel(void*) {
    return g_ui.dialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONNECT_ERROR), nullptr, ErrorDlgProc,
                                0);
}

}  // namespace

int RetryWithConnectErrorDialog(int (*attempt)(), const char* turnOffTrace) {
    for (;;) {
        const INT_PTR answer = RunPrompt(AskRetryTurnOffOrCancel, nullptr);
        if (answer == IDRETRY) {
            if (attempt()) return 1;
            continue;
        }
        if (answer == IDC_TURNOFF) {
            Trace("%s", turnOffTrace);
            ShowDriverMessage(nullptr, DRIVER_MSG_TURN_OFF);
            ServiceStop();
        }
        return 0;
    }
}
