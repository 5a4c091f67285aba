#include "sessionfixture.h"

#include <fstream>

#include "../../../common/registry.h"
#include "../../../driver/service/tray.h"
#include "../support/wait.h"

namespace {
const DWORD DRIVER_END_MS = 15000;
}

std::string BesideThisProgram(const char* name) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text = path;
    return text.substr(0, text.rfind('\\') + 1) + name;
}

std::vector<std::string> RecordedLaunches() {
    std::ifstream file("C:\\launches.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A 32-bit program started from system32 of a 64-bit system runs from syswow64.
        const size_t wow = line.find("\\syswow64\\");
        if (wow != std::string::npos && wow < line.find('|')) line.replace(wow, 10, "\\system32\\");
        lines.push_back(line);
    }
    return lines;
}

bool PlaceRecorderAt(const std::string& path) {
    DeleteFileA(path.c_str());
    return CopyFileA(BesideThisProgram("launchrecorder.exe").c_str(), path.c_str(), FALSE) != 0;
}

bool IsAdd(const IconNotice& notice) { return notice.message == NIM_ADD; }
bool IsDelete(const IconNotice& notice) { return notice.message == NIM_DELETE; }
bool HasTip(const IconNotice& notice, const char* tip) { return notice.tip == tip; }

void DriverSession::SetUp() {
    ASSERT_TRUE(sim.Connected()) << "the simulator's control port (ORVIK_SIM_PORT) does not answer";
    ASSERT_TRUE(sim.Run("reset"));
    ASSERT_TRUE(sim.Run("set powerstate FB"));
    probe.Remove();
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 5);
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "ShowTaskIcon", 1);
    DeleteFileA("C:\\launches.txt");
    ASSERT_TRUE(tray.Open()) << "no taskbar stand-in";
    notifier = LoadLibraryA(BesideThisProgram("Orvikwatch.dll").c_str());
    ASSERT_NE(nullptr, notifier);
}

void DriverSession::TearDown() {
    probe.Remove();
    tray.Close();
    if (notifier) FreeLibrary(notifier);
    EXPECT_TRUE(WaitUntil([] { return DriverProcesses().empty(); }, DRIVER_END_MS))
        << "a driver process was left running";
}

void DriverSession::StartDriver() {
    InstallDriverAsService();
    StartDriverAsService(probe, SESSION_TIMEOUT_MS);
}

DWORD DriverSession::DriverProcessId() {
    const std::vector<DWORD> drivers = DriverProcesses();
    return drivers.size() == 1 ? drivers[0] : 0;
}

void DriverSession::Notify(const char* handler) {
    typedef void(WINAPI * Handler)(void*);
    Handler call = reinterpret_cast<Handler>(reinterpret_cast<void*>(GetProcAddress(notifier, handler)));
    ASSERT_NE(nullptr, call) << handler;
    call(nullptr);
}

bool DriverSession::OpenTrayMenu(HWND trayWindow) {
    PostMessageA(trayWindow, WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
    return WaitUntil(
        [] {
            HWND menu = FindWindowA("#32768", nullptr);  // the popup menu's window class
            return menu && IsWindowVisible(menu);
        },
        SESSION_TIMEOUT_MS);
}

void DriverSession::TypeKey(WORD key) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}
