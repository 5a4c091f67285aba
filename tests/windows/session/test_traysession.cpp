// The tray icon of the running service, observed from outside the driver:
// its picture and tip through the connection switches of the menu and the
// control port, the menu's items, the settings launch, the session events
// that end and restart the tray thread, the shell's "TaskbarCreated", and
// the menu's Exit. Also the handle count over many switches.
#include <windows.h>

#include <memory>

#include "../../../common/registry.h"
#include "../../../driver/service/tray.h"
#include "../control/plainclient.h"
#include "../control/wire.h"
#include "../support/handlecount.h"
#include "../support/traywindow.h"
#include "../support/wait.h"
#include "sessionfixture.h"

namespace {

const char* const CONNECTED_TIP = "Tavelin - Connected";
const char* const NOT_CONNECTED_TIP = "Tavelin - Not Connected";

class TraySession : public DriverSession {
protected:
    // Waits for the icon to show `tip`, by add or change; its picture.
    unsigned long WaitForState(const char* tip, bool added = false) {
        IconNotice notice = {};
        const DWORD kind = added ? NIM_ADD : NIM_MODIFY;
        const bool seen = tray.WaitForIcon(
            [&](const IconNotice& icon) { return HasTip(icon, tip) && icon.message == kind; }, SESSION_TIMEOUT_MS,
            &notice);
        EXPECT_TRUE(seen) << "no icon " << (added ? "add" : "change") << " to " << tip;
        return notice.picture;
    }

    // One switch through the menu: opens it, types the connection item's
    // mnemonic, and waits for the icon to follow.
    void SwitchThroughMenu(HWND trayWindow, bool connectedBefore) {
        ASSERT_TRUE(OpenTrayMenu(trayWindow));
        TypeKey('C');
        WaitForState(connectedBefore ? NOT_CONNECTED_TIP : CONNECTED_TIP);
    }
};

TEST_F(TraySession, TheIconFollowsConnectionMenuSessionAndShell) {
    StartDriver();
    IconNotice added = {};
    ASSERT_TRUE(tray.WaitForIcon(IsAdd, SESSION_TIMEOUT_MS, &added)) << "no icon after start";
    EXPECT_EQ(CONNECTED_TIP, added.tip);
    EXPECT_EQ(1u, added.id);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP), added.flags);
    EXPECT_EQ(WM_TRAYNOTIFY, added.callback);
    EXPECT_NE(0ul, added.picture);
    HWND trayWindow = TrayWindow();
    ASSERT_NE(nullptr, trayWindow);
    EXPECT_EQ(trayWindow, added.owner);
    const unsigned long connectedPicture = added.picture;

    // Off and on through the menu.
    SwitchThroughMenu(trayWindow, true);
    EXPECT_EQ(0, StoredDword(REG_COMPORT_KEY, "Connected"));
    SwitchThroughMenu(trayWindow, false);
    EXPECT_EQ(1, StoredDword(REG_COMPORT_KEY, "Connected"));

    // Off and on through the control port; the pictures differ and come back.
    std::unique_ptr<PlainClient> client(ConnectWhenListening(SESSION_TIMEOUT_MS));
    ASSERT_TRUE(client);
    EXPECT_EQ(REPLY_ONE, client->Request({14, 0}));
    const unsigned long notConnectedPicture = WaitForState(NOT_CONNECTED_TIP);
    EXPECT_NE(connectedPicture, notConnectedPicture);
    EXPECT_EQ(REPLY_ONE, client->Request({14, 1}));
    EXPECT_EQ(connectedPicture, WaitForState(CONNECTED_TIP));
    client.reset();

    // A double click starts the settings program from the driver's folder.
    PostMessageA(trayWindow, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
    const std::string settings = BesideThisProgram("OrvikSettings.exe");
    std::vector<std::string> launches;
    WaitUntil(
        [&launches] {
            launches = RecordedLaunches();
            return !launches.empty();
        },
        SESSION_TIMEOUT_MS);
    EXPECT_EQ(std::vector<std::string>{settings + "|\"" + settings + "\""}, launches);

    // Logoff: the icon goes and the tray thread ends; shell start: both back.
    Notify("WLEventLogoff");
    EXPECT_TRUE(tray.WaitForIcon(IsDelete, SESSION_TIMEOUT_MS)) << "the icon stayed after logoff";
    EXPECT_TRUE(WaitForTrayWindow(false, SESSION_TIMEOUT_MS)) << "the tray thread's window stayed after logoff";
    Notify("WLEventStartShell");
    EXPECT_EQ(connectedPicture, WaitForState(CONNECTED_TIP, true));
    EXPECT_TRUE(WaitForTrayWindow(true, SESSION_TIMEOUT_MS));
    trayWindow = TrayWindow();

    // The shell restarts: a new taskbar without icons, then "TaskbarCreated".
    tray.Close();
    ASSERT_TRUE(tray.Open());
    SendNotifyMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(connectedPicture, WaitForState(CONNECTED_TIP, true)) << "the icon did not come back";

    // Exit stops the driver.
    ASSERT_TRUE(OpenTrayMenu(trayWindow));
    TypeKey(VK_UP);  // from no selection to the last item
    TypeKey(VK_RETURN);
    EXPECT_TRUE(probe.WaitForState(SERVICE_STOPPED, SESSION_TIMEOUT_MS)) << "Exit did not stop the driver";
    EXPECT_TRUE(tray.WaitForIcon(IsDelete, SESSION_TIMEOUT_MS));
}

TEST_F(TraySession, WithShowTaskIconZeroTheIconWaitsForTheControlCommand) {
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "ShowTaskIcon", 0);
    StartDriver();
    ASSERT_TRUE(WaitForTrayWindow(true, SESSION_TIMEOUT_MS)) << "the tray thread runs all the same";
    std::unique_ptr<PlainClient> client(ConnectWhenListening(SESSION_TIMEOUT_MS));
    ASSERT_TRUE(client);
    Sleep(1000);  // twenty retry periods
    EXPECT_TRUE(tray.TakeIcons().empty()) << "an icon was shown";
    EXPECT_EQ(REPLY_ONE, client->Request({15, 1}));
    IconNotice added = {};
    ASSERT_TRUE(tray.WaitForIcon(IsAdd, SESSION_TIMEOUT_MS, &added));
    EXPECT_EQ(CONNECTED_TIP, added.tip);
    EXPECT_EQ(REPLY_ONE, client->Request({15, 0}));
    EXPECT_TRUE(tray.WaitForIcon(IsDelete, SESSION_TIMEOUT_MS));
}

TEST_F(TraySession, TwoHundredSwitchesThroughTheMenuLeaveTheHandleCountAsItWas) {
    StartDriver();
    ASSERT_TRUE(tray.WaitForIcon(IsAdd, SESSION_TIMEOUT_MS));
    HWND trayWindow = TrayWindow();
    const DWORD driver = DriverProcessId();
    ASSERT_NE(0u, driver);
    SwitchThroughMenu(trayWindow, true);  // first use
    SwitchThroughMenu(trayWindow, false);
    const size_t before = ProcessHandleCount(driver);
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 100 && !HasFailure(); ++i) {
        SwitchThroughMenu(trayWindow, true);
        SwitchThroughMenu(trayWindow, false);
    }
    EXPECT_EQ(before, SettledHandleCount(driver, before));
}

// Software that installs a global WH_CALLWNDPROC hook before the driver
// starts has its DLL loaded into the driver's window threads while they
// create their windows: the driver still starts and shows its icon.
TEST_F(TraySession, TheIconAppearsWithAGlobalHookInstalledBeforeTheDriverStarts) {
    HMODULE library = LoadLibraryA(BesideThisProgram("callwndhook.dll").c_str());
    ASSERT_NE(nullptr, library);
    const HOOKPROC procedure =
        reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library, "CallWndHook")));
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, procedure, library, 0);
    ASSERT_NE(nullptr, hook);
    StartDriver();
    EXPECT_TRUE(tray.WaitForIcon(IsAdd, SESSION_TIMEOUT_MS)) << "no icon with the hook installed";
    UnhookWindowsHookEx(hook);
    FreeLibrary(library);
    probe.Remove();
}

}  // namespace
