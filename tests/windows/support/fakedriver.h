// A stand-in for the driver's control port on 127.0.0.1:1213 (never while
// the real driver runs). It serves one client connection after another,
// records every request and answers each with "1", except the requests it
// is told to leave unanswered, until told to go away.
#ifndef ORVIK_TESTS_SUPPORT_FAKEDRIVER_H
#define ORVIK_TESTS_SUPPORT_FAKEDRIVER_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class FakeDriver {
public:
    FakeDriver();
    ~FakeDriver();
    bool Listening() const;
    // Every request received, as hex lines, each new connection marked by a
    // line "connect"; and whether the last client closed its connection.
    std::vector<std::string> Requests();
    bool ClientClosed();
    // The next `count` requests get no answer at all.
    void LeaveUnanswered(int count);
    // Closes the connection and the listener, as a driver that went away;
    // `reset` closes the connection with a reset instead of an orderly end.
    void GoAway(bool reset = false);

private:
    static DWORD WINAPI Serve(LPVOID self);
    void ServeClient(std::uintptr_t client);

    CRITICAL_SECTION lock_;
    std::vector<std::string> requests_;
    bool clientClosed_ = false;
    int unanswered_ = 0;
    std::uintptr_t listener_;  // SOCKETs
    std::uintptr_t client_;
    HANDLE thread_ = nullptr;
};

#endif
