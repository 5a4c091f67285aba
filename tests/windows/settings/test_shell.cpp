// The settings program's start-up, main window and exit: the single
// instance, the driver-not-running message, the title and tabs, the page
// switch, the Enter and Escape rules, and the deregistration at every exit.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "../../../common/packet.h"
#include "../../../common/registry.h"
#include "../../../settings/resource.h"
#include "../input/recorder.h"
#include "settingsfixture.h"

namespace {

const std::string DEREGISTRATION = "0B 00 00 00 00";

// The program against a stand-in for the driver's control port, or none.
class SettingsShell : public SettingsFixture {};

using SettingsWindow = SettingsWithDriver;

// Runs another OrvikSettings.exe until it ends; whether it ever showed a window.
bool SecondInstanceShowedAWindow(bool* ended) {
    std::string commandLine = "\"" + BesideThisProgram("OrvikSettings.exe") + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    *ended = false;
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    bool showed = false;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT && GetTickCount() - start < UI_TIMEOUT_MS)
        showed = showed || VisibleTopLevelWindows(process.dwProcessId) > 0;
    *ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    if (!*ended) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return showed;
}

TEST_F(SettingsShell, DriverNotRunningSecondInstanceAndTheDeregistrationAtEveryExit) {
    // No driver: the message names the fallback display name, and the program ends.
    ASSERT_TRUE(LaunchSettings());
    HWND message = WaitForDialog("Error");
    ASSERT_NE(nullptr, message) << "no driver-not-running message";
    EXPECT_EQ("Please Check if Tavelin is running to view this feature.", DialogMessage(message));
    Press(message, IDOK);
    ASSERT_TRUE(SettingsEnded(UI_TIMEOUT_MS));

    // The semaphore was released: a later start works, titled with the display name.
    StoreString(REG_APPLICATION_KEY, nullptr, "Vantor Keys");
    {
        FakeDriver driver;
        ASSERT_TRUE(driver.Listening());
        ASSERT_TRUE(StartSettings()) << "no main window on the second start";
        HWND main = MainWindow();
        EXPECT_EQ("Vantor Keys", WindowText(main));

        // A second start brings the first window forward and ends without one of its own.
        RecorderWindow other;
        ASSERT_TRUE(other.Open("Another program"));
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other.Handle(); }));
        bool ended = false;
        EXPECT_FALSE(SecondInstanceShowedAWindow(&ended));
        EXPECT_TRUE(ended);
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; })) << "the first window stayed behind";
        other.Close();

        // The close box: the deregistration is the last request before the connection closes.
        PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(SettingsEnded(UI_TIMEOUT_MS));
        ASSERT_TRUE(WaitUntil([&] { return driver.ClientClosed(); }));
        const std::vector<std::string> requests = driver.Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(DEREGISTRATION, requests.back());
    }

    // A driver that went away meanwhile holds up the exit no longer than a reply time-out.
    FakeDriver driver;
    ASSERT_TRUE(driver.Listening());
    ASSERT_TRUE(StartSettings());
    driver.GoAway();
    PostMessageA(MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(SettingsEnded(UI_TIMEOUT_MS)) << "the exit hung on the lost connection";
}

// Texts from the registry longer than any buffer of the program: a port
// name is cut, a name the store cannot hand out whole gives way to the fallback.
TEST_F(SettingsShell, OverlongRegistryTextsAreCutOrReplacedNeverOverrun) {
    const std::string longName(300, 'N');
    StoreString(REG_APPLICATION_KEY, nullptr, longName);
    StoreString(REG_APPLICATION_KEY, "DeviceName", longName);
    SetSerialPorts({"COM5", "COM7" + std::string(296, '7')});
    FakeDriver driver;
    ASSERT_TRUE(driver.Listening());
    ASSERT_TRUE(StartSettings());
    EXPECT_EQ("Tavelin", WindowText(MainWindow()));
    const std::vector<std::string> ports = ComboItems(Control(IDC_CONN_PORTS));
    ASSERT_EQ(2u, ports.size());
    EXPECT_EQ("COM5", ports[0]);
    EXPECT_EQ("COM7" + std::string(28, '7'), ports[1]) << "cut to 32 characters";
    EXPECT_EQ(longName, StoredString(REG_APPLICATION_KEY, nullptr)) << "the stored name stays";
}

TEST_F(SettingsWindow, SevenTabsAndEverySwitchBuildsThePageAndReadsTheDeviceAfresh) {
    ASSERT_TRUE(StartSettings());
    EXPECT_EQ("Tavelin", WindowText(MainWindow())) << "no display name stored: the fallback";
    const std::vector<std::string> labels = {"Connection", "Projector",  "Keyboard", "Mouse",
                                             "Power Save", "Sounds",     "About"};
    ASSERT_EQ(static_cast<int>(labels.size()), TabCount());
    for (size_t tab = 0; tab < labels.size(); ++tab) EXPECT_EQ(labels[tab], TabLabel(static_cast<int>(tab)));
    EXPECT_NE(nullptr, Control(IDC_CONN_PORTS)) << "the first page is the Connection page";

    // Each visit to the Keyboard tab asks the device again; a left page is gone.
    HWND keyboard = SelectTab(2);
    ASSERT_NE(nullptr, keyboard);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, GET_KEYSENSITIVITY) == 1; }));
    HWND about = SelectTab(6);
    ASSERT_NE(nullptr, about);
    EXPECT_FALSE(IsWindow(keyboard)) << "the Keyboard page outlived the switch";
    EXPECT_EQ("Orvik Settings 0.8.2", WindowText(Control(IDC_ABOUT_VERSION)));
    // The link holds the mouse while the pointer is over it, and lets go when it leaves.
    HWND link = Control(IDC_ABOUT_LINK);
    EXPECT_EQ("http://www.example.org/orvik/", WindowText(link));
    RECT area;
    GetWindowRect(link, &area);
    EXPECT_LT(area.right - area.left, 241) << "the label did not shrink to its text";
    const DWORD uiThread = GetWindowThreadProcessId(MainWindow(), nullptr);
    auto capture = [uiThread] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(uiThread, &info) ? info.hwndCapture : nullptr;
    };
    PointAt((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    EXPECT_TRUE(WaitUntil([&] { return capture() == link; })) << "no hover";
    PointAt(area.left - 20, area.bottom + 40);
    EXPECT_TRUE(WaitUntil([&] { return capture() == nullptr; })) << "the hover did not end";
    ASSERT_NE(nullptr, SelectTab(2));
    EXPECT_FALSE(IsWindow(about));
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, GET_KEYSENSITIVITY) == 2; }));

    // Enter and Escape inside a page do nothing; Escape on the tab strip closes the window.
    Focus(Control(IDC_KB_DEFAULTS));
    Keys(VK_ESCAPE);
    Keys(VK_RETURN);
    ASSERT_TRUE(Idle());
    EXPECT_FALSE(SettingsEnded(500)) << "Enter or Escape in a page closed the window";
    SendMessageA(MainWindow(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Tabs()), TRUE);
    Keys(VK_RETURN);
    EXPECT_FALSE(SettingsEnded(500)) << "Enter closed the window";
    Keys(VK_ESCAPE);
    EXPECT_TRUE(SettingsEnded(UI_TIMEOUT_MS)) << "Escape on the tab strip did not close the window";
}

// Without a mouse: Tab reaches the strip, Ctrl+Tab walks every page and
// Ctrl+Shift+Tab goes back, each page built as it opens; Escape from the
// strip closes the window.
TEST_F(SettingsWindow, KeyboardAloneSwitchesPagesAndLeavesTheWindow) {
    ASSERT_TRUE(StartSettings());
    BringForward();
    const DWORD uiThread = GetWindowThreadProcessId(MainWindow(), nullptr);
    auto focus = [uiThread] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(uiThread, &info) ? info.hwndFocus : nullptr;
    };
    Focus(Control(IDC_CONN_PORTS));
    // Idle() does not wait for input (a sent message overtakes it): each Tab
    // is taken once the focus has moved on.
    for (int i = 0; i < 10 && focus() != Tabs(); ++i) {
        const HWND from = focus();
        Keys(VK_TAB);
        ASSERT_TRUE(WaitUntil([&] { return focus() != from; })) << "Tab moved the focus nowhere";
    }
    EXPECT_EQ(Tabs(), focus()) << "the tab strip is no tab stop";

    std::vector<int> walked;
    for (int step = 0; step < TabCount(); ++step) {
        HWND before = Page();
        // Keys go to the foreground window: under load X may hand the
        // activation elsewhere for a moment while a page is being built.
        BringForward();
        KeyDown(VK_CONTROL);
        Keys(VK_TAB);
        KeyUp(VK_CONTROL);
        ASSERT_TRUE(WaitUntil([&] { return Page() && Page() != before && IsWindowVisible(Page()); }))
            << "Ctrl+Tab did not open the next page after tab " << walked.size() << "; the foreground window is "
            << (GetForegroundWindow() == MainWindow() ? "the settings window" : "another one");
        ASSERT_TRUE(Idle());
        walked.push_back(static_cast<int>(SendMessageA(Tabs(), TCM_GETCURSEL, 0, 0)));
    }
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 0}), walked);
    EXPECT_EQ(1u, ReceivedCount(sim, GET_KEYSENSITIVITY)) << "the Keyboard page asks the device once as it opens";

    HWND before = Page();
    KeyDown(VK_CONTROL);
    KeyDown(VK_SHIFT);
    Keys(VK_TAB);
    KeyUp(VK_SHIFT);
    KeyUp(VK_CONTROL);
    ASSERT_TRUE(WaitUntil([&] { return Page() != before && IsWindowVisible(Page()); }));
    EXPECT_EQ(6, SendMessageA(Tabs(), TCM_GETCURSEL, 0, 0)) << "Ctrl+Shift+Tab goes back";
    ASSERT_TRUE(Idle());
    EXPECT_EQ(Tabs(), focus()) << "the strip keeps the focus";
    Keys(VK_ESCAPE);
    EXPECT_TRUE(SettingsEnded(UI_TIMEOUT_MS)) << "Escape on the tab strip did not close the window";
}

}  // namespace
