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
#include "wait.h"

// Most facts of the link follow within milliseconds; a busy machine may take seconds.
const DWORD LINK_TIMEOUT_MS = 3000;

inline bool WaitUntil(const std::function<bool()>& done) { return WaitUntil(done, LINK_TIMEOUT_MS); }

class DriverLinkTest : public LinkFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // The command packets the device received, as hex lines, in order.
    std::vector<std::string> Commands() { return ReceivedCommandBytes(); }
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
