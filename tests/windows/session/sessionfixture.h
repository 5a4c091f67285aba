// The real OrvikDriver.exe run as a service by Wine's service control
// manager, seen from outside: the taskbar stand-in records its icon, the
// popup menu is found by its window class, the launch recorder stands in for the
// programs it starts, and Orvikwatch.dll delivers the session events.
#ifndef ORVIK_TESTS_SESSION_SESSIONFIXTURE_H
#define ORVIK_TESTS_SESSION_SESSIONFIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../support/driverprocess.h"
#include "../support/simclient.h"
#include "shelltray.h"

const DWORD SESSION_TIMEOUT_MS = 30000;

// A file beside this test program.
std::string BesideThisProgram(const char* name);

// The lines "program|command line" that the launch recorder wrote.
std::vector<std::string> RecordedLaunches();

// Copies the launch recorder to `path` as a file of its own (the prefix's
// files are hard links to a shared template and must not be written).
bool PlaceRecorderAt(const std::string& path);

class DriverSession : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Installs and starts the service; waits until it runs.
    void StartDriver();
    // The id of the one driver process, 0 unless exactly one runs.
    DWORD DriverProcessId();
    // Calls a handler of Orvikwatch.dll by name.
    void Notify(const char* handler);
    // Opens the tray menu through the icon's callback; true once it shows.
    bool OpenTrayMenu(HWND trayWindow);
    void TypeKey(WORD key);

    SimClient sim;
    ServiceProbe probe;
    ShellTray tray;
    HMODULE notifier = nullptr;
};

bool IsAdd(const IconNotice& notice);
bool IsDelete(const IconNotice& notice);
bool HasTip(const IconNotice& notice, const char* tip);

#endif
