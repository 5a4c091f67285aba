// Orvikwatch.dll as the logon process uses it: loaded by a host (this
// program), its nine handlers called by name. A stand-in "OrvikDriver"
// service records the control codes that arrive.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../support/driverprocess.h"

namespace {

typedef void(WINAPI* Handler)(void* notificationInfo);

const char* const CODES_FILE = "C:\\codes.txt";
const char* const NOTIFIER_LOG = "C:\\LogOrvikDriver.txt";

std::string BesideThisProgram(const char* name) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text = path;
    return text.substr(0, text.rfind('\\') + 1) + name;
}

std::vector<std::string> RecordedCodes() {
    std::ifstream file(CODES_FILE);
    std::vector<std::string> codes;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        codes.push_back(line);
    }
    return codes;
}

DWORD WINAPI CallHandler(LPVOID handler) {
    reinterpret_cast<Handler>(handler)(nullptr);
    return 0;
}

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Installs the stand-in as service "OrvikDriver" and starts it.
bool InstallCodeService(ServiceProbe& probe) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return false;
    const std::string path = "\"" + BesideThisProgram("codeservice.exe") + "\"";
    SC_HANDLE service = CreateServiceA(manager, "OrvikDriver", "Tavelin", SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return service && probe.Start() && probe.WaitForState(SERVICE_RUNNING, 30000);
}

class Notifier : public ::testing::Test {
protected:
    void SetUp() override {
        probe.Remove();
        DeleteFileA(CODES_FILE);
        DeleteFileA(NOTIFIER_LOG);
        library = LoadLibraryA(BesideThisProgram("Orvikwatch.dll").c_str());
        ASSERT_NE(nullptr, library);
    }
    void TearDown() override {
        probe.Remove();
        if (library) FreeLibrary(library);
    }

    Handler Export(const char* name) {
        return reinterpret_cast<Handler>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    }

    // Calls every handler once, in the table's order.
    void CallEveryHandler() {
        for (const char* name : kHandlers) {
            Handler handler = Export(name);
            ASSERT_NE(nullptr, handler) << name;
            handler(nullptr);
        }
    }

    static constexpr const char* kHandlers[] = {
        "WLEventStartup", "WLEventLogon", "WLEventLogoff", "WLEventLock", "WLEventUnlock",
        "WLEventStartScreenSavar", "WLEventStopScreenSavar", "WLEventShutdown", "WLEventStartShell"};

    ServiceProbe probe;
    HMODULE library = nullptr;
};

TEST_F(Notifier, EachHandlerDeliversExactlyItsCodeAndStartupNone) {
    ASSERT_TRUE(InstallCodeService(probe)) << "the stand-in service did not run";
    Export("WLEventStartup")(nullptr);
    EXPECT_TRUE(RecordedCodes().empty()) << "start-up sends nothing";
    CallEveryHandler();
    const std::vector<std::string> expected = {"128", "129", "130", "131", "132", "133", "134", "135"};
    EXPECT_EQ(expected, RecordedCodes()) << "logon 128 through shell start 135, shutdown 134";
    EXPECT_FALSE(FileExists(NOTIFIER_LOG)) << "no line passes the log threshold";
}

TEST_F(Notifier, HandlersCalledTogetherEachDeliverTheirCode) {
    ASSERT_TRUE(InstallCodeService(probe));
    struct Call {
        Handler handler;
        HANDLE thread;
    };
    std::vector<Call> calls;
    for (int round = 0; round < 5; ++round)
        for (const char* name : {"WLEventLock", "WLEventUnlock"}) calls.push_back({Export(name), nullptr});
    for (Call& call : calls)
        call.thread = CreateThread(nullptr, 0, CallHandler, reinterpret_cast<LPVOID>(call.handler), 0, nullptr);
    for (Call& call : calls) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(call.thread, 30000));
        CloseHandle(call.thread);
    }
    std::vector<std::string> codes = RecordedCodes();
    EXPECT_EQ(10u, codes.size());
    EXPECT_EQ(5, std::count(codes.begin(), codes.end(), "130"));
    EXPECT_EQ(5, std::count(codes.begin(), codes.end(), "131"));
}

TEST_F(Notifier, WithTheServiceStoppedOrAbsentEveryHandlerReturnsAndNothingIsWritten) {
    CallEveryHandler();  // absent
    ASSERT_TRUE(InstallCodeService(probe));
    SERVICE_STATUS status = {};
    ASSERT_TRUE(probe.Control(SERVICE_CONTROL_STOP, &status));
    ASSERT_TRUE(probe.WaitForState(SERVICE_STOPPED, 30000));
    CallEveryHandler();  // stopped
    EXPECT_TRUE(RecordedCodes().empty());
    EXPECT_FALSE(FileExists(NOTIFIER_LOG));
}

}  // namespace
