// Shows each page of the settings program in turn for scripts/screenshots,
// then the two connection error dialogs: for every picture it prints
// "shot NAME LEFT TOP WIDTH HEIGHT" (the window on the screen) and waits for a line on its input, the sign that
// the picture is taken. Not a test: scripts/test does not run it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "../../../common/registry.h"
#include "../../../settings/devicevalue.h"
#include "settingsfixture.h"

namespace {

class Screenshots : public SettingsFixture {
protected:
    // The values an installation would bring, so that the pages show what a user sees.
    void SetUp() override {
        SettingsFixture::SetUp();
        SetSerialPorts({"COM1", "COM2", "COM5", "COM6", "COM10"});
        StoreDword(REG_SENSITIVITY_DEFAULT_KEY, "Min", 1);
        StoreDword(REG_SENSITIVITY_DEFAULT_KEY, "Max", 10);
        StoreDword(REG_SENSITIVITY_DEFAULT_KEY, "Default", 5);
        StoreDword(REG_REPEAT_DEFAULT_KEY, "MinRepeatRate", 3);
        StoreDword(REG_REPEAT_DEFAULT_KEY, "MaxRepeatRate", 30);
        StoreDword(REG_REPEAT_DEFAULT_KEY, "MinRepeatDelay", 150);
        StoreDword(REG_REPEAT_DEFAULT_KEY, "MaxRepeatDelay", 1050);
        StoreDword(REG_REPEAT_SESSION_KEY, "Enable", 1);
        StoreDword(REG_REPEAT_SESSION_KEY, "DefRepeatRate", 20);
        StoreDword(REG_REPEAT_SESSION_KEY, "DefRepeatDelay", 500);
        StoreDword(REG_AUDIO_SESSION_KEY, "Enable", 1);
        StoreDword(REG_MOUSE_DEFAULT_KEY, "MinSensitivity", 1);
        StoreDword(REG_MOUSE_DEFAULT_KEY, "MaxSensitivity", 5);
        StoreDword(REG_MOUSE_DEFAULT_KEY, "MinTapSpeed", 1);
        StoreDword(REG_MOUSE_DEFAULT_KEY, "MaxTapSpeed", 10);
        StoreDword(REG_MOUSE_SESSION_KEY, "EnableTap", 1);
        StoreDword(REG_POWER_DEFAULT_KEY, "MinNoActivity", 5);
        StoreDword(REG_POWER_DEFAULT_KEY, "MaxNoActivity", 600);
        StoreDword(REG_POWER_DEFAULT_KEY, "MinReaction", 50);
        StoreDword(REG_POWER_DEFAULT_KEY, "MaxReaction", 1000);
        StoreDword(REG_POWER_DEFAULT_KEY, "MinStandby", 1);
        StoreDword(REG_POWER_DEFAULT_KEY, "MaxStandby", 60);
        StoreDword(REG_NORMAL_LEVEL_KEY, "Min", 1);
        StoreDword(REG_NORMAL_LEVEL_KEY, "Max", 31);
        StoreDword(REG_STANDBY_LEVEL_KEY, "Min", 0);
        StoreDword(REG_STANDBY_LEVEL_KEY, "Max", 31);
        ASSERT_TRUE(sim.Run("set keysensitivity 6"));
        for (const char* value : {"mousesensitivity 3", "tapspeed 6", "powermode 1", "reactiontime 150",
                                  "normallevel 24", "standbylevel 8"})
            ASSERT_TRUE(sim.Run(std::string("set ") + value));
        ASSERT_TRUE(StartDriver());
    }

    void Shoot(const char* name) {
        ASSERT_TRUE(Idle());
        ShootWindow(name, MainWindow());
    }

    static void ShootWindow(const char* name, HWND window) {
        Sleep(500);  // the last repaint
        RECT area;
        GetWindowRect(window, &area);
        std::printf("shot %s %ld %ld %ld %ld\n", name, area.left, area.top, area.right - area.left,
                    area.bottom - area.top);
        std::fflush(stdout);
        std::string taken;
        std::getline(std::cin, taken);
    }
};

TEST_F(Screenshots, EveryPage) {
    ASSERT_TRUE(StartSettings());
    BringForward();
    Shoot("connection");
    const struct {
        int tab;
        const char* name;
    } pages[] = {{1, "projector"}, {2, "keyboard"}, {3, "mouse"},
                 {4, "powersave"}, {5, "sounds"},   {6, "about"}};
    for (const auto& page : pages) {
        ASSERT_NE(nullptr, SelectTab(page.tab)) << page.name;
        Shoot(page.name);
    }
}

// The connection error dialogs: the settings program's when the device does
// not answer a page, the driver's when the device does not start.
TEST_F(Screenshots, ConnectionErrorDialogs) {
    ASSERT_TRUE(StartSettings());
    BringForward();
    ASSERT_TRUE(sim.Run("silent all"));
    SelectTab(2);  // the Keyboard page asks the device, which keeps silent
    HWND settingsDialog = WaitForDialog("Tavelin Error");
    ASSERT_NE(nullptr, settingsDialog);
    ShootWindow("settings-error", settingsDialog);
    Press(settingsDialog, IDCANCEL);
    ASSERT_TRUE(StopDriver());

    // A device that is not started and does not take the start command.
    ASSERT_TRUE(sim.Run("silent off"));
    ASSERT_TRUE(sim.Run("set powerstate FD"));
    ASSERT_TRUE(sim.Run("silent 0680"));
    DebugDriver driver;
    ASSERT_TRUE(driver.Start());
    HWND driverDialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        driverDialog = FindWindowA("#32770", "Error");
        return driverDialog && IsWindowVisible(driverDialog);
    }));
    ShootWindow("driver-error", driverDialog);
    PostMessageA(GetDlgItem(driverDialog, 1024), BM_CLICK, 0, 0);  // Turn Off, then its alert
    HWND alert = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (alert = FindWindowA("#32770", "Alert")) != nullptr; }));
    PostMessageA(GetDlgItem(alert, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(driver.WaitForExit(UI_TIMEOUT_MS));
}

}  // namespace
