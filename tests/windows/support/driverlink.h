// Fixture that brings up the whole device link the way the driver does:
// service events, keyboard initialisation (reader and depacketizer threads)
// on COM5, and takes it down again with the driver's own stop.
#ifndef ORVIK_TESTS_DRIVERLINK_H
#define ORVIK_TESTS_DRIVERLINK_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "linkfixture.h"

class DriverLinkTest : public LinkFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // The command packets the device received, as hex lines, in order.
    std::vector<std::string> Commands() { return ReceivedCommandBytes(); }
    // Waits until `done` holds, polling; false after `timeoutMs`.
    static bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 3000);
    // The number of the COM port the link holds open, 0 for none.
    static unsigned long PortHeldNow();
};

// Command packets as the device sees them.
namespace wire {
extern const char* const GET_POWERSTATE;
extern const char* const GET_PROJECTEDLAYOUTNUM;
extern const char* const GET_DEVICEID;
extern const char* const START_ZSM;
extern const char* const SET_POWERSTATE_NORMAL;
extern const char* const SET_ACTIVELAYOUT_0;
extern const char* const SET_ACTIVELAYOUT_5;
}  // namespace wire

#endif
