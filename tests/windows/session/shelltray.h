// A stand-in for the taskbar: a topmost top-level window of class
// "Shell_TrayWnd", so that it is the one that Shell_NotifyIcon and the
// taskbar key find. On a thread of its own it records every icon add, change
// and delete (Wine's shell sends them as WM_COPYDATA in its own format) and
// the WM_COMMAND ids it is posted.
#ifndef ORVIK_TESTS_SESSION_SHELLTRAY_H
#define ORVIK_TESTS_SESSION_SHELLTRAY_H

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "../support/wait.h"
#include "../support/windowthread.h"

struct IconNotice {
    DWORD message;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
    HWND owner;
    UINT id;
    UINT flags;
    UINT callback;
    std::string tip;
    unsigned long picture;  // a checksum of the icon's bits, 0 without bits
};

class ShellTray {
public:
    ~ShellTray();
    bool Open();
    void Close();
    HWND Window() const { return thread_.Window(); }

    // What arrived since the last call, in order.
    std::vector<IconNotice> TakeIcons();
    std::vector<UINT> TakeCommands();

    // Waits for an icon notice that `matches` and returns it (the ones before
    // it are dropped); false after `timeoutMs`.
    template <typename Match>
    bool WaitForIcon(Match matches, DWORD timeoutMs, IconNotice* found = nullptr);

private:
    HWND Create();
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Record(const COPYDATASTRUCT* data);

    WindowThread thread_;
    CRITICAL_SECTION lock_;
    bool lockMade_ = false;
    std::vector<IconNotice> icons_;
    std::vector<UINT> commands_;
};

template <typename Match>
bool ShellTray::WaitForIcon(Match matches, DWORD timeoutMs, IconNotice* found) {
    std::vector<IconNotice> pending;
    return WaitUntil(
        [&] {
            std::vector<IconNotice> more = TakeIcons();
            pending.insert(pending.end(), more.begin(), more.end());
            for (size_t i = 0; i < pending.size(); ++i) {
                if (!matches(pending[i])) continue;
                if (found) *found = pending[i];
                // Keep what came after it for the next wait.
                EnterCriticalSection(&lock_);
                icons_.insert(icons_.begin(), pending.begin() + i + 1, pending.end());
                LeaveCriticalSection(&lock_);
                return true;
            }
            return false;
        },
        timeoutMs);
}

#endif
