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
};

// A thread that answers the next connection error dialogs with the given
// buttons, one per dialog, and records the text each dialog showed.
class DialogAnswerer {
public:
    explicit DialogAnswerer(std::vector<int> buttons);
    ~DialogAnswerer();
    int Answered() const { return answered_; }
    const std::vector<std::string>& Texts() const { return texts_; }

private:
    static DWORD WINAPI Run(LPVOID self);

    std::vector<int> buttons_;
    std::vector<std::string> texts_;
    volatile LONG answered_ = 0;
    volatile LONG stop_ = 0;
    HANDLE thread_;
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
