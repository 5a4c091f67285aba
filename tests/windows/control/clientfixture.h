// The settings program's side against a driver in another process: the test
// host (controlhost.exe, the device link and the control server) on the
// simulated device, and the client connected to it with ConnectToOrvik.
// Every test gets a fresh host, so that requests a test left queued in the
// server cannot answer the next test.
#ifndef ORVIK_TESTS_CONTROL_CLIENTFIXTURE_H
#define ORVIK_TESTS_CONTROL_CLIENTFIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../support/simclient.h"

class ControlClientTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // True when the host has ended within timeoutMs; by default as long as a
    // stop may take on a loaded machine.
    bool HostEnded(DWORD timeoutMs = 30000);
    // The commands the device received, as hex lines.
    std::vector<std::string> Commands() { return sim.ReceivedCommands(); }

    SimClient sim;
    HANDLE host = nullptr;
};

// Takes a pending quit request of this thread; true when there was one.
bool TakeQuitRequest();

// Deletes HKEY_LOCAL_MACHINE\SOFTWARE\Brevane_org and everything below it.
void ClearProductRegistry();

// Milliseconds since `start` (a GetTickCount value).
inline DWORD Since(DWORD start) { return GetTickCount() - start; }

// Command packets as the device sees them.
namespace wire {
extern const char* const GET_KEYSENSITIVITY;
extern const char* const SET_KEYSENSITIVITY_7;
extern const char* const START_ZSM;
}  // namespace wire

#endif
