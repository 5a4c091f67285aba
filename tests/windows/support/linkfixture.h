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

    // Takes queued nodes (sweep requests left out) until `count` came or
    // `timeoutMs` has passed.
    std::vector<Bytes> TakeNodes(size_t count, DWORD timeoutMs = 3000);
    // Sends a marker key group and takes the next node: true when it is the
    // marker, so nothing else was queued before it.
    bool NothingQueuedBeforeMarker();
    // Every command the simulated device received, as "A5 A5 01 ..." lines.
    std::vector<std::string> ReceivedCommandBytes();
    // Closes the link's port, without any thread running.
    static void DestroyDeviceLinkObjects();
    static std::string Hex(const Bytes& bytes);

    SimClient sim;

public:
    static std::vector<ShownMessage> messages;  // message boxes shown, in order
};

// Deletes HKEY_LOCAL_MACHINE\SOFTWARE\Brevane_org and everything below it.
void ClearProductRegistry();

#endif
