// Fixture of the device-link tests: a clean registry naming COM5 (where the
// test harness links the simulated device), a simulator in its default
// state, and message boxes recorded instead of shown.
#ifndef ORVIK_TESTS_LINKFIXTURE_H
#define ORVIK_TESTS_LINKFIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../../common/devicebytes.h"
#include "simclient.h"

struct ShownMessage {
    std::string caption;
    std::string text;
    UINT type;
};

class LinkFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Copies of the queued nodes once at least `count` are there, or of
    // whatever is queued when `timeoutMs` has passed.
    std::vector<Bytes> WaitForNodes(size_t count, DWORD timeoutMs = 3000);
    // Every command the simulated device received, as "A5 A5 01 ..." lines.
    std::vector<std::string> ReceivedCommandBytes();
    // Closes what CreateDeviceLinkObjects made, without any thread running.
    static void DestroyDeviceLinkObjects();
    static std::string Hex(const Bytes& bytes);

    SimClient sim;

public:
    static std::vector<ShownMessage> messages;  // message boxes shown, in order
};

// Deletes HKEY_LOCAL_MACHINE\SOFTWARE\Brevane_org and everything below it.
void ClearProductRegistry();

#endif
