#include "clientfixture.h"

#include <shlwapi.h>

#include <string>

#include "../../../common/registry.h"
#include "../../../settings/controlclient.h"
#include "../support/wait.h"

namespace wire {
const char* const GET_KEYSENSITIVITY = "A5 A5 01 00 00 00 01 02 00 00 4E";
const char* const SET_KEYSENSITIVITY_7 = "A5 A5 01 00 00 00 01 01 03 00 00 00 07 57";
const char* const START_ZSM = "A5 A5 01 00 00 00 80 06 00 00 D1";
}  // namespace wire

namespace {

const DWORD HOST_START_MS = 15000;

std::string HostPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path);
    return folder.substr(0, folder.rfind('\\') + 1) + "controlhost.exe";
}

HANDLE StartHost() {
    std::string command = "\"" + HostPath() + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Nothing accepts connections on the control port: a host of an earlier
// test has gone for good.
bool ControlPortFree(DWORD timeoutMs) {
    return WaitUntil(
        [] {
            const int connected = ConnectToOrvik();
            DisconnectFromOrvik();
            return !connected;
        },
        timeoutMs);
}

// The host listens once it has brought the device up.
bool ConnectWhenHostListens(HANDLE host) {
    bool connected = false;
    WaitUntil(
        [&] {
            connected = ConnectToOrvik() != 0;
            if (!connected) DisconnectFromOrvik();
            return connected || WaitForSingleObject(host, 0) == WAIT_OBJECT_0;  // a host that ended
        },
        HOST_START_MS);
    return connected;
}

}  // namespace

void ClearProductRegistry() { SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brevane_org"); }

bool TakeQuitRequest() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

void ControlClientTest::SetUp() {
    ASSERT_TRUE(sim.Connected()) << "the simulator's control port (ORVIK_SIM_PORT) does not answer";
    ASSERT_TRUE(sim.Run("reset"));
    ASSERT_TRUE(sim.Run("set powerstate FB"));
    ClearProductRegistry();
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 5);
    ASSERT_TRUE(ControlPortFree(5000)) << "another program listens on port 1213";
    host = StartHost();
    ASSERT_NE(nullptr, host) << "controlhost.exe did not start";
    ASSERT_TRUE(ConnectWhenHostListens(host)) << "the host's control port does not answer";
    ASSERT_TRUE(sim.Run("clearlog"));
}

void ControlClientTest::TearDown() {
    DisconnectFromOrvik();
    if (host) {
        TerminateProcess(host, 0);
        WaitForSingleObject(host, 5000);
        CloseHandle(host);
    }
    TakeQuitRequest();
}

bool ControlClientTest::HostEnded(DWORD timeoutMs) { return WaitForSingleObject(host, timeoutMs) == WAIT_OBJECT_0; }
