#include "shelltray.h"

namespace {

const char* const TRAY_CLASS = "Shell_TrayWnd";

// Wine's platform-independent icon record, as its shell sends it: the
// header below, then the icon's bits.
struct WineNotifyData {
    LONG hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    WCHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    WCHAR szInfo[256];
    UINT uTimeout;
    WCHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
    UINT width;
    UINT height;
    UINT planes;
    UINT bpp;
};

std::string Narrow(const WCHAR* text) {
    char narrow[256] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

unsigned long Checksum(const BYTE* bytes, size_t count) {
    unsigned long sum = 0;
    for (size_t i = 0; i < count; ++i) sum = sum * 31 + bytes[i];
    return count ? sum | 1 : 0;
}

}  // namespace

ShellTray::~ShellTray() {
    Close();
    if (lockMade_) DeleteCriticalSection(&lock_);
}

bool ShellTray::Open() {
    if (!lockMade_) InitializeCriticalSection(&lock_);
    lockMade_ = true;
    return thread_.Start([this] { return Create(); });
}

void ShellTray::Close() { thread_.Stop(); }

HWND ShellTray::Create() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = TRAY_CLASS;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TRAY_CLASS, "", WS_POPUP | WS_VISIBLE, 0, 740,
                                  40, 20, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return window;
}

LRESULT CALLBACK ShellTray::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ShellTray* self = reinterpret_cast<ShellTray*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_COPYDATA:
        if (self) self->Record(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (self) {
            EnterCriticalSection(&self->lock_);
            self->commands_.push_back(LOWORD(wParam));
            LeaveCriticalSection(&self->lock_);
        }
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

void ShellTray::Record(const COPYDATASTRUCT* data) {
    EnterCriticalSection(&lock_);
    if (data->dwData <= NIM_DELETE && data->cbData >= sizeof(WineNotifyData)) {
        const WineNotifyData* notice = static_cast<const WineNotifyData*>(data->lpData);
        IconNotice icon = {static_cast<DWORD>(data->dwData),
                           reinterpret_cast<HWND>(static_cast<LONG_PTR>(notice->hWnd)),
                           notice->uID,
                           notice->uFlags,
                           notice->uCallbackMessage,
                           Narrow(notice->szTip),
                           Checksum(static_cast<const BYTE*>(data->lpData) + sizeof *notice,
                                    data->cbData - sizeof *notice)};
        icons_.push_back(icon);
    }
    LeaveCriticalSection(&lock_);
}

std::vector<IconNotice> ShellTray::TakeIcons() {
    EnterCriticalSection(&lock_);
    std::vector<IconNotice> taken;
    taken.swap(icons_);
    LeaveCriticalSection(&lock_);
    return taken;
}

std::vector<UINT> ShellTray::TakeCommands() {
    EnterCriticalSection(&lock_);
    std::vector<UINT> taken;
    taken.swap(commands_);
    LeaveCriticalSection(&lock_);
    return taken;
}
