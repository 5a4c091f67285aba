// The real OrvikDriver.exe as a separate process, the one way the tests start
// it: run with a verb and its console lines collected, run in debug mode in a
// console of its own that a test can send Ctrl+C to, or installed and run by
// the service control manager. Also the windows that such a process shows
// (message boxes, the connection error dialog), found by caption and answered
// by button.
#ifndef ORVIK_TESTS_SUPPORT_DRIVERPROCESS_H
#define ORVIK_TESTS_SUPPORT_DRIVERPROCESS_H

#include <windows.h>

#include <string>
#include <vector>

// OrvikDriver.exe beside this test program.
std::string DriverPath();

struct VerbResult {
    bool ended;  // within the time allowed
    DWORD exitCode;
    std::string output;  // what it printed on its standard output, line breaks as \n
};

// Runs OrvikDriver with `arguments` and waits for it to end.
VerbResult RunDriver(const std::string& arguments, DWORD timeoutMs = 60000);

// OrvikDriver -debug in a console of its own, its output into a pipe.
class DebugDriver {
public:
    ~DebugDriver();
    bool Start();
    // Running once it has marked itself so in the registry and its control
    // port answers; false after `timeoutMs`.
    bool WaitUntilRunning(DWORD timeoutMs);
    // Presses Ctrl+C in its console and waits up to `timeoutMs` for it to
    // end. True once it has ended.
    bool StopWithCtrlC(DWORD timeoutMs);
    bool WaitForExit(DWORD timeoutMs);
    // Everything it printed; complete once it has ended.
    std::string Output();

private:
    PROCESS_INFORMATION process_ = {};
    HANDLE output_ = nullptr;
};

class ServiceProbe;

// The driver as a service: "-install" registers it (and says so), "-start"
// starts it; fatal test failures when either does not. StartDriverAsService
// returns once the control manager reports the service running.
void InstallDriverAsService();
void StartDriverAsService(ServiceProbe& probe, DWORD timeoutMs);

// Every process of this prefix whose program file is named `program`.
std::vector<DWORD> ProcessesNamed(const char* program);
// Every process of this prefix whose program is OrvikDriver.exe.
std::vector<DWORD> DriverProcesses();

// The service as the control manager sees it.
class ServiceProbe {
public:
    ServiceProbe();
    ~ServiceProbe();
    bool Exists();
    bool Query(SERVICE_STATUS* status);
    // Polls until the state is `state`, keeping every status seen. False after `timeoutMs`.
    bool WaitForState(DWORD state, DWORD timeoutMs, std::vector<SERVICE_STATUS>* seen = nullptr);
    bool Start();
    bool Control(DWORD code, SERVICE_STATUS* status);
    bool Config(QUERY_SERVICE_CONFIGA* config, std::string* path, std::string* displayName);
    // Stops (when running) and deletes the service, if it exists.
    void Remove();

private:
    SC_HANDLE Open();
    SC_HANDLE manager_;
};

// Makes Wine report `version` ("win7", "win2k", "winxp") to OrvikDriver.exe
// alone; 0 takes the setting away again.
void SetDriverWindowsVersion(const char* version);

// A top-level dialog or message box with this caption, once visible; 0 after `timeoutMs`.
HWND WaitForDialog(const char* caption, DWORD timeoutMs);
// The texts of its static controls, joined by new lines.
std::string DialogText(HWND dialog);
void PressButton(HWND dialog, int id);

// The stored DWORD under HKEY_LOCAL_MACHINE, or -1 without the value.
long long StoredDword(const char* subkey, const char* name);

#endif
