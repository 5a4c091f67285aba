// The tray thread and icon inside this process: a tray window that cannot
// be made is reported instead of waited for, the menu's items and check
// mark, and the icon record under adds, changes and deletes from several
// threads at once, as the taskbar stand-in receives them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../../../driver/devicelink/devicelink.h"
#include "../../../driver/service/tray.h"
#include "../support/traywindow.h"
#include "../support/wait.h"
#include "shelltray.h"

namespace {

const DWORD WAIT_MS = 20000;

void EndTrayThread() {
    RemoveTrayIcon();
    DoDeInitForTaskbarIcon();
    EXPECT_TRUE(WaitForTrayWindow(false, WAIT_MS));
}

DWORD WINAPI InitTray(LPVOID result) {
    *static_cast<BOOL*>(result) = DoInitForTaskbarIcon();
    return 0;
}

LRESULT CALLBACK RefuseCreation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_NCCREATE ? FALSE : DefWindowProcA(window, message, wParam, lParam);
}

// First: the class is then not yet registered by a tray thread.
TEST(TrayThread, AWindowThatCannotBeMadeIsReportedAndTheNextStartWorks) {
    WNDCLASSEXA refusing = {};
    refusing.cbSize = sizeof refusing;
    refusing.lpfnWndProc = RefuseCreation;
    refusing.hInstance = GetModuleHandleA(nullptr);
    refusing.lpszClassName = "MYCLASS";
    ASSERT_TRUE(RegisterClassExA(&refusing));
    BOOL started = TRUE;
    HANDLE caller = CreateThread(nullptr, 0, InitTray, &started, 0, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(caller, WAIT_MS)) << "DoInitForTaskbarIcon waits for ever";
    CloseHandle(caller);
    EXPECT_FALSE(started);
    EXPECT_FALSE(DoDeInitForTaskbarIcon()) << "no thread is left recorded";

    ASSERT_TRUE(UnregisterClassA("MYCLASS", GetModuleHandleA(nullptr)));
    EXPECT_TRUE(DoInitForTaskbarIcon());
    EXPECT_TRUE(TrayWindow() != nullptr);
    EXPECT_TRUE(DoInitForTaskbarIcon()) << "a second start while it runs";
    EXPECT_TRUE(DoDeInitForTaskbarIcon());
    EXPECT_FALSE(DoDeInitForTaskbarIcon()) << "ended already";
    EXPECT_TRUE(WaitForTrayWindow(false, WAIT_MS));
}

std::string gMenu;
HANDLE gMenuShown;

std::string DescribeMenu(HMENU menu) {
    std::string text;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (i) text += "|";
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        char item[128] = "";
        GetMenuStringA(menu, i, item, sizeof item, MF_BYPOSITION);
        text += (state & MF_SEPARATOR) ? "-" : std::string(item) + ((state & MF_CHECKED) ? " [x]" : "");
    }
    return text;
}

LRESULT CALLBACK ReadMenu(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_INITMENUPOPUP) {
        gMenu = DescribeMenu(reinterpret_cast<HMENU>(message->wParam));
        SetEvent(gMenuShown);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Opens the menu, reads it on the tray thread, and closes it with Escape.
std::string ShowMenu(HWND tray) {
    gMenu.clear();
    ResetEvent(gMenuShown);
    PostMessageA(tray, WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
    if (WaitForSingleObject(gMenuShown, WAIT_MS) != WAIT_OBJECT_0) return "(no menu)";
    // Escape reaches a menu only once it is on the screen.
    WaitUntil([] { HWND menu = FindWindowA("#32768", nullptr); return menu && IsWindowVisible(menu); }, WAIT_MS);
    INPUT escape[2] = {};
    escape[0].type = escape[1].type = INPUT_KEYBOARD;
    escape[0].ki.wVk = escape[1].ki.wVk = VK_ESCAPE;
    escape[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, escape, sizeof(INPUT));
    WaitUntil(
        [] {
            HWND menu = FindWindowA("#32768", nullptr);  // the popup menu's window class
            return !menu || !IsWindowVisible(menu);
        },
        WAIT_MS);
    return gMenu;
}

TEST(TrayMenu, ShowsItsFourItemsWithTheCheckFollowingTheUsersWish) {
    gMenuShown = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(DoInitForTaskbarIcon());
    HWND tray = TrayWindow();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, ReadMenu, nullptr, GetWindowThreadProcessId(tray, nullptr));
    ASSERT_NE(nullptr, hook);
    // The check is the user's wish, whether or not the link works now.
    SetConnectionWanted(1);
    ReportConnectionState(0);
    EXPECT_EQ("&Setting...|Enable &Connection [x]|-|Exit", ShowMenu(tray));
    SetConnectionWanted(0);
    ReportConnectionState(1);
    EXPECT_EQ("&Setting...|Enable &Connection|-|Exit", ShowMenu(tray));
    ReportConnectionState(0);
    UnhookWindowsHookEx(hook);
    CloseHandle(gMenuShown);
    EndTrayThread();
}

const int RACE_ROUNDS = 300;

DWORD WINAPI AddAndRemove(LPVOID) {
    for (int i = 0; i < RACE_ROUNDS; ++i) {
        AddTrayIcon();
        RemoveTrayIcon();
    }
    return 0;
}

DWORD WINAPI SwitchState(LPVOID) {
    for (int i = 0; i < RACE_ROUNDS; ++i) {
        ReportConnectionState(i & 1);
        SetTrayIconState(i & 1 ? IDI_CONNECTED : IDI_NOT_CONNECTED);
    }
    return 0;
}

TEST(TrayIcon, AddsRacingChangesNeverShowOneStatesPictureWithTheOthersTip) {
    ShellTray shell;
    ASSERT_TRUE(shell.Open());
    ASSERT_TRUE(DoInitForTaskbarIcon());
    ReportConnectionState(1);
    ASSERT_TRUE(AddTrayIcon());
    ReportConnectionState(0);
    SetTrayIconState(IDI_NOT_CONNECTED);
    RemoveTrayIcon();  // the change and the removal run on the tray thread
    std::vector<IconNotice> notices;
    WaitUntil(
        [&] {
            const std::vector<IconNotice> more = shell.TakeIcons();
            notices.insert(notices.end(), more.begin(), more.end());
            return notices.size() >= 3;
        },
        WAIT_MS);
    ASSERT_EQ(3u, notices.size());
    const unsigned long connected = notices[0].picture, notConnected = notices[1].picture;
    EXPECT_EQ("Tavelin - Connected", notices[0].tip);
    EXPECT_EQ("Tavelin - Not Connected", notices[1].tip);
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), notices[2].message);
    ASSERT_NE(connected, notConnected);

    HANDLE threads[3] = {CreateThread(nullptr, 0, AddAndRemove, nullptr, 0, nullptr),
                         CreateThread(nullptr, 0, SwitchState, nullptr, 0, nullptr),
                         CreateThread(nullptr, 0, SwitchState, nullptr, 0, nullptr)};
    WaitForMultipleObjects(3, threads, TRUE, WAIT_MS);
    for (HANDLE thread : threads) CloseHandle(thread);
    // Every add answers at once, one for each round; the changes and
    // removals queued on the tray thread follow.
    notices.clear();
    EXPECT_TRUE(WaitUntil(
        [&] {
            const std::vector<IconNotice> more = shell.TakeIcons();
            notices.insert(notices.end(), more.begin(), more.end());
            return notices.size() > static_cast<size_t>(RACE_ROUNDS);
        },
        WAIT_MS));
    for (const IconNotice& notice : notices) {
        if (notice.message == NIM_DELETE) continue;
        EXPECT_EQ(notice.tip == "Tavelin - Connected" ? connected : notConnected, notice.picture) << notice.tip;
    }
    EndTrayThread();
}

}  // namespace
