// Stands in for the running driver in the client tests: the device link on
// the port the registry names, and the control server, until something asks
// the driver to stop (DEINIT_CMD). Then it stops the way the driver does and
// ends. Its message boxes and dialogs are answered at once, since nobody
// watches this process's windows; it exits 1 when it cannot start.
#include <windows.h>

#include "../../../common/uiseam.h"
#include "../../../driver/devicelink/commands.h"
#include "../../../driver/service/controlserver.h"
#include "../../../driver/service/lifecycle.h"
#include "../../../driver/service/serviceevents.h"

namespace {

int WINAPI AnswerMessageBox(HWND, LPCSTR, LPCSTR, UINT) { return IDOK; }
int WINAPI AnswerWideMessageBox(HWND, LPCWSTR, LPCWSTR, UINT) { return IDOK; }
INT_PTR WINAPI CancelDialog(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM) { return IDCANCEL; }

}  // namespace

int main() {
    g_ui.messageBoxA = AnswerMessageBox;
    g_ui.messageBoxW = AnswerWideMessageBox;
    g_ui.dialogBoxParamA = CancelDialog;
    RegisterDeviceLinkHooks();
    if (!CreateServiceEvents() || !InitSequence() || !StartControlServer()) return 1;
    WaitForSingleObject(g_hServiceStopEvent, INFINITE);
    StopControlServer();
    DeInitializeKeyBoard();
    CloseServiceEvents();
    return 0;
}
