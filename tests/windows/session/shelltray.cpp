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
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    HANDLE handles[2] = {ready_, thread_};
    return thread_ && WaitForMultipleObjects(2, handles, FALSE, 10000) == WAIT_OBJECT_0 && window_;
}

void ShellTray::Close() {
    if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
    if (thread_) {
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
    }
    if (ready_) CloseHandle(ready_);
    thread_ = ready_ = nullptr;
    window_ = nullptr;
}

DWORD WINAPI ShellTray::Run(LPVOID parameter) {
    ShellTray* self = static_cast<ShellTray*>(parameter);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = TRAY_CLASS;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TRAY_CLASS, "", WS_POPUP | WS_VISIBLE, 0, 740,
                                  40, 20, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) return 1;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
    SetEvent(self->ready_);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
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
