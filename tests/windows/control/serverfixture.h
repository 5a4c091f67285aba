// The control server as the driver runs it: the device link brought up on
// the simulated device (COM5), the server thread started, and one plain
// client connected. Teardown stops the server the way the driver stops it.
#ifndef ORVIK_TESTS_CONTROL_SERVERFIXTURE_H
#define ORVIK_TESTS_CONTROL_SERVERFIXTURE_H

#include <memory>

#include "../support/driverlink.h"
#include "plainclient.h"
#include "wire.h"

class ControlServerTest : public DriverLinkTest {
protected:
    void SetUp() override;
    void TearDown() override;

    Bytes Request(const Bytes& request, DWORD timeoutMs = REPLY_WAIT_MS) { return client->Request(request, timeoutMs); }
    // The simulator's value of a state field ("keysensitivity 5" gives "5").
    std::string SimValue(const std::string& field);
    // The command semaphore is free now (and taken back at once).
    static bool CommandSemaphoreFree();

    std::unique_ptr<PlainClient> client;
};

// A hidden window of the calling thread, registered with the driver in
// tests; the messages posted to it are taken with TakePosted.
class NoticeWindow {
public:
    NoticeWindow();
    ~NoticeWindow();
    HWND Handle() const { return window_; }
    Bytes HandleBytes() const;
    // wParam of the first `message` posted to the window within timeoutMs, or -1.
    int TakePosted(UINT message, DWORD timeoutMs);

private:
    HWND window_;
};

#endif
