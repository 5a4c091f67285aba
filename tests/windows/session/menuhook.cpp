// A global WH_CALLWNDPROC hook that Wine loads into the process that shows a
// popup menu. At WM_INITMENUPOPUP it sends the menu's items to the taskbar
// stand-in (ShellTray) as WM_COPYDATA, since another process cannot read
// them.
#include <windows.h>

#include <string>

#include "shelltray.h"

namespace {

std::string DescribeMenu(HMENU menu) {
    std::string text;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (i) text += "|";
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if (state & MF_SEPARATOR) {
            text += "-";
            continue;
        }
        char item[128] = "";
        GetMenuStringA(menu, i, item, sizeof item, MF_BYPOSITION);
        text += item;
        if (state & MF_CHECKED) text += " [x]";
    }
    return text;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuHookProc(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_INITMENUPOPUP) {
        const std::string text = DescribeMenu(reinterpret_cast<HMENU>(message->wParam));
        HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
        COPYDATASTRUCT data = {MENU_REPORT, static_cast<DWORD>(text.size()), const_cast<char*>(text.data())};
        DWORD_PTR result = 0;
        if (tray)
            SendMessageTimeoutA(tray, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000,
                                &result);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
