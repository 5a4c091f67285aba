// The test bed opens a COM port exclusively, as Windows does: a second
// CreateFile of a port that is open fails with ERROR_ACCESS_DENIED, and the
// simulated device behind the port counts the refusal.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../support/simclient.h"

namespace {

HANDLE OpenPort(const char* name) {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
}

// The device's "refused N" line.
std::string Refusals(SimClient& device) {
    std::vector<std::string> lines;
    EXPECT_TRUE(device.Run("refusals", &lines));
    return lines.empty() ? std::string() : lines[0];
}

TEST(ComPortTest, SecondOpenIsRefusedUntilTheFirstIsClosed) {
    SimClient device;
    ASSERT_TRUE(device.Connected());
    HANDLE first = OpenPort("\\\\.\\COM5");
    ASSERT_NE(INVALID_HANDLE_VALUE, first) << GetLastError();
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenPort("\\\\.\\COM5"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ("refused 1", Refusals(device));
    ASSERT_TRUE(CloseHandle(first));
    HANDLE again = OpenPort("\\\\.\\COM5");
    EXPECT_NE(INVALID_HANDLE_VALUE, again) << GetLastError();
    CloseHandle(again);
    EXPECT_EQ("refused 1", Refusals(device));
}

TEST(ComPortTest, TwoPortsOpenTogether) {
    SimClient device("ORVIK_SIM2_PORT");
    HANDLE com5 = OpenPort("\\\\.\\COM5");
    HANDLE com6 = OpenPort("\\\\.\\COM6");
    EXPECT_NE(INVALID_HANDLE_VALUE, com5) << GetLastError();
    EXPECT_NE(INVALID_HANDLE_VALUE, com6) << GetLastError();
    CloseHandle(com5);
    CloseHandle(com6);
    EXPECT_EQ("refused 0", Refusals(device));
}

}  // namespace
