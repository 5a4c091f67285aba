// The settings program as its user meets it, for end-to-end tests: the real
// OrvikDriver (debug mode) on the simulated device on COM5, the real
// OrvikSettings.exe built beside the test program, and real mouse and
// keyboard input into its window. The test reads what reached the device
// (the simulator's log), the driver and the registry.
//
// A test drives the program the way a person does: SelectTab clicks a tab,
// Click presses a button, Focus and Keys type into one; Page and Control
// find the controls of the page shown; WaitForDialog and Press answer its
// message boxes and dialogs. Effects arrive asynchronously: wait for them
// with WaitUntil, never with fixed pauses.
#ifndef ORVIK_TESTS_SETTINGS_SETTINGSFIXTURE_H
#define ORVIK_TESTS_SETTINGS_SETTINGSFIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../support/driverprocess.h"
#include "../support/fakedriver.h"
#include "../support/simclient.h"
#include "../support/wait.h"
#include "../support/windowsearch.h"

// Generous: a page may wait for a silent device (6.5 s per command) and a
// retry adds the 2 s settle time of the device start.
const DWORD UI_TIMEOUT_MS = 30000;

inline bool WaitUntil(const std::function<bool()>& done) { return WaitUntil(done, UI_TIMEOUT_MS); }

// A file in the folder of the test program (OrvikSettings.exe, OrvikDriver.exe).
std::string BesideThisProgram(const char* file);

// Registry under HKEY_LOCAL_MACHINE as the programs see it, "" when absent;
// a null name is the key's default value. StoredDword: driverprocess.h.
std::string StoredString(const char* subkey, const char* name);
void StoreString(const char* subkey, const char* name, const std::string& value);
void StoreDword(const char* subkey, const char* name, DWORD value);

// Makes HARDWARE\DEVICEMAP\SERIALCOMM list exactly these port names.
void SetSerialPorts(const std::vector<std::string>& ports);

// The payloads (hex, after the 2 zero bytes of the length rule) of every
// command with `opcode` that a simulator received, in order.
std::vector<std::string> ReceivedPayloads(SimClient& sim, unsigned short opcode);
// How many commands with `opcode` a simulator received.
size_t ReceivedCount(SimClient& sim, unsigned short opcode);

// The controls of another process's window, read through messages.
std::vector<std::string> ComboItems(HWND combo);
std::string ComboSelection(HWND combo);
bool IsChecked(HWND button);
int TrackbarPosition(HWND trackbar);

// Real input, to whatever window has the focus or lies under the pointer.
void PointAt(int screenX, int screenY);  // the pointer moves there
void ClickAt(int screenX, int screenY);
void Click(HWND button);  // as a mouse click would press it
void ClickSpinArrow(HWND spin, bool up);  // its upper (up) or lower arrow, likewise
void KeyDown(WORD key);
void KeyUp(WORD key);
void Keys(WORD key, int times = 1);  // pressed and released `times` times

class SettingsFixture : public ::testing::Test {
protected:
    // A simulator in its default state and powered, a registry that names
    // COM5 and lists COM5 and COM6 as serial ports, and the driver running.
    void SetUp() override;
    // Ends the settings program and the driver, whatever state they are in.
    void TearDown() override;

    bool StartDriver();
    // Ctrl+C to the driver; true once it has ended.
    bool StopDriver();
    // A control message sent to the driver over a connection of the test's
    // own (while no settings program holds the port); its reply, "" for none.
    std::string AskDriver(const unsigned char* message, int length);
    // A dialog or message box that the driver shows, 0 for none.
    HWND DriverDialog();
    // True once the driver has ended by itself.
    bool DriverEnded(DWORD timeoutMs = UI_TIMEOUT_MS);

    // Starts OrvikSettings.exe (or `program`, another build of it beside the
    // test); it runs until it ends by itself or TearDown.
    bool LaunchSettings(const char* program = "OrvikSettings.exe");
    // LaunchSettings, then waits for its main window. False without one.
    bool StartSettings(const char* program = "OrvikSettings.exe");
    bool SettingsEnded(DWORD timeoutMs);
    DWORD SettingsExitCode();
    DWORD SettingsProcessId() const { return settings_.dwProcessId; }
    // The settings program's main window (0 when it has none).
    HWND MainWindow();
    void BringForward();

    // The tab strip and its tabs.
    HWND Tabs();
    int TabCount();
    std::string TabLabel(int tab);
    // Clicks the tab and waits until its page is shown (or a dialog of the
    // program appeared meanwhile); the shown page, or 0.
    HWND SelectTab(int tab);
    // The page shown over the tab strip, visible or not.
    HWND Page();
    HWND Control(int id) { return GetDlgItem(Page(), id); }
    // Gives the keyboard focus to a control of the shown page.
    void Focus(HWND control);
    // A dialog or message box of the settings program with this caption (null:
    // any but the main window), once visible; 0 after `timeoutMs`.
    HWND WaitForDialog(const char* caption, DWORD timeoutMs = UI_TIMEOUT_MS);
    // The message of such a dialog: its longest static text.
    static std::string DialogMessage(HWND dialog);
    // Clicks one of its buttons (BM_CLICK, as a click on it).
    static void Press(HWND dialog, int id);
    // Waits for the error dialog of a device that did not answer and clicks
    // `button` on it; true once the dialog has gone.
    bool AnswerDeviceError(int button);
    // The key presses that "type ab" on `device` brings to a window in front
    // ("kd 41", "kd 42"); the settings window comes forward again after.
    std::vector<std::string> TypedThrough(SimClient& device);
    // True when the program is no longer busy with a command: its window
    // answers a message (a dialog of its own counts as answering).
    bool Idle(DWORD timeoutMs = UI_TIMEOUT_MS);

    SimClient sim;
    SimClient sim2{"ORVIK_SIM2_PORT"};

private:
    std::unique_ptr<DebugDriver> driver_;
    PROCESS_INFORMATION settings_ = {};
};

// The same with the driver running, as most flows need it.
class SettingsWithDriver : public SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        ASSERT_TRUE(StartDriver()) << "the driver did not start";
    }
};

#endif
