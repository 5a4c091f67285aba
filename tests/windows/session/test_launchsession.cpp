// Launch keys pressed on the simulated device while the real driver runs as
// a service: the launch recorder, copied to where each key's program lies,
// writes down every start with its command line. Also the handle count over
// many launches, and the keys with no user shell running.
#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "../../../common/registry.h"
#include "../support/handlecount.h"
#include "../support/wait.h"
#include "sessionfixture.h"

namespace {

using Lines = std::vector<std::string>;

const char* const PROGRAMS = "C:\\orviktest";
const char* const BROWSER_KEY = "SOFTWARE\\Classes\\HTTP\\shell\\open\\command";
const char* const OUTLOOK_ICON_KEY = "SOFTWARE\\Clients\\Mail\\Microsoft Outlook\\Protocols\\mailto\\DefaultIcon";

std::string SystemDirectory() {
    char directory[MAX_PATH] = "";
    GetSystemDirectoryA(directory, sizeof directory);
    return directory;
}

void SetDefault(const std::string& key, const std::string& value) {
    SetStringValueInRegistry(HKEY_LOCAL_MACHINE, key.c_str(), "", value.c_str());
}

std::string Program(const char* name) { return std::string(PROGRAMS) + "\\" + name; }

// The programs that the keys start are copies of the launch recorder.
bool NoRecorderRuns() {
    for (const char* program : {"calc.exe", "notepad.exe", "mail.exe", "contacts.exe", "web.exe", "outlook.exe"})
        if (!ProcessesNamed(program).empty()) return false;
    return true;
}

// A recorded start: "program|command line".
std::string Started(const std::string& program, const std::string& commandLine) {
    return program + "|" + commandLine;
}

class LaunchSession : public DriverSession {
protected:
    void SetUp() override {
        DriverSession::SetUp();
        CreateDirectoryA(PROGRAMS, nullptr);
        CreateDirectoryA(Program("web folder").c_str(), nullptr);
        // 64-bit Wine starts its own notepad.exe of the system directory
        // unless told to take the file there, the recorder.
        SetStringValueInRegistry(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "notepad.exe", "native");
        for (const std::string& path :
             {SystemDirectory() + "\\calc.exe", SystemDirectory() + "\\notepad.exe", Program("mail.exe"),
              Program("contacts.exe"), Program("web.exe"), Program("web folder\\web.exe"), Program("outlook.exe")})
            ASSERT_TRUE(PlaceRecorderAt(path)) << path;
        SetDefault("SOFTWARE\\Clients\\Mail", "TestMail");
        // A variable of the user's environment, which the service lacks.
        SetStringValueInRegistry(HKEY_CURRENT_USER, "Environment", "ORVIKUSER", "C:\\usersfolder");
        SetDefault("SOFTWARE\\Clients\\Mail\\TestMail\\shell\\open\\command",
                   Program("mail.exe") + " %ORVIKUSER% %ORVIKUSER%");
        SetDefault("SOFTWARE\\Clients\\Contacts", "TestContacts");
        SetDefault("SOFTWARE\\Clients\\Contacts\\TestContacts\\shell\\open\\command", Program("contacts.exe"));
        SetDefault("SOFTWARE\\Clients\\Calendar", "");
        SetDefault(BROWSER_KEY, "\"" + Program("web folder\\web.exe") + "\" -nohome \"%1\"");
        SetDefault(OUTLOOK_ICON_KEY, "\"" + Program("outlook.exe") + "\",-9403");
        StartDriver();
    }

    void PressSpecial(int code) {
        ASSERT_TRUE(sim.Run("special press " + std::to_string(code)));
        ASSERT_TRUE(sim.Run("special release " + std::to_string(code)));
    }

    // Waits until at least `count` starts are recorded after the first `from`.
    Lines LaunchesAfter(size_t from, size_t count, DWORD timeoutMs = SESSION_TIMEOUT_MS) {
        Lines lines;
        WaitUntil(
            [&] {
                lines = RecordedLaunches();
                return lines.size() >= from + count;
            },
            timeoutMs);
        return lines.size() > from ? Lines(lines.begin() + from, lines.end()) : Lines();
    }

    // Presses `code` and then calc's key as a marker: what `code` started
    // comes before the marker, as the driver starts programs one at a time.
    Lines StartedBy(int code, size_t expected) {
        const size_t from = RecordedLaunches().size();
        PressSpecial(code);
        PressSpecial(48);
        LaunchesAfter(from, expected + 1);
        // Every program started before the marker has written its line once
        // none of them runs any more.
        EXPECT_TRUE(WaitUntil(NoRecorderRuns, SESSION_TIMEOUT_MS)) << "a started program kept running";
        Lines lines = LaunchesAfter(from, expected + 1);
        const std::string marker = Started(SystemDirectory() + "\\calc.exe", SystemDirectory() + "\\calc.exe");
        bool markerSeen = false;
        for (auto at = lines.begin(); at != lines.end() && !markerSeen; ++at)
            if (*at == marker) {
                lines.erase(at);
                markerSeen = true;
            }
        EXPECT_TRUE(markerSeen) << "the calculator key started nothing";
        return lines;
    }
};

TEST_F(LaunchSession, EachKeyStartsItsProgramAsTheUserOrNothing) {
    const std::string system = SystemDirectory();
    const std::string browser = Program("web folder\\web.exe");
    const struct {
        int code;
        Lines started;
    } cases[] = {
        {9, {Started(system + "\\notepad.exe", system + "\\notepad.exe")}},
        {8, {Started(Program("mail.exe"), Program("mail.exe") + " C:\\usersfolder %ORVIKUSER%")}},
        {6, {Started(Program("contacts.exe"), Program("contacts.exe"))}},
        {4, {}},
        {47, {Started(browser, "\"" + browser + "\"")}},
        {7, {Started(Program("outlook.exe"), "\"" + Program("outlook.exe") + "\" \"Outlook:Tasks\"")}},
        {5, {}},
        {12, {}},
        {200, {}},
    };
    for (const auto& test : cases)
        EXPECT_EQ(test.started, StartedBy(test.code, test.started.size())) << "code " << test.code;

    tray.TakeCommands();
    PressSpecial(3);
    std::vector<UINT> commands;
    WaitUntil(
        [&] {
            commands = tray.TakeCommands();
            return !commands.empty();
        },
        SESSION_TIMEOUT_MS);
    EXPECT_EQ(std::vector<UINT>{407}, commands) << "the taskbar key";

    const struct {
        const char* key;
        std::string value;
        int code;
        Lines started;
    } variants[] = {
        {BROWSER_KEY, Program("web.exe") + " -url %1", 47,
         {Started(Program("web.exe"), "\"" + Program("web.exe") + "\"")}},
        // Unquoted with a blank: the program in "web folder", never the
        // "web.exe" that a cut at the blank would name.
        {BROWSER_KEY, browser + " -url %1", 47, {Started(browser, "\"" + browser + "\"")}},
        {OUTLOOK_ICON_KEY, Program("outlook.exe") + ",1", 7, {}},
        {OUTLOOK_ICON_KEY, "\"" + Program("outlook.exe") + "\"", 7, {}},
        {"SOFTWARE\\Clients\\Mail", "", 8, {}},
    };
    for (const auto& test : variants) {
        SetDefault(test.key, test.value);
        EXPECT_EQ(test.started, StartedBy(test.code, test.started.size())) << test.key << " = " << test.value;
    }
}

TEST_F(LaunchSession, TwoHundredLaunchesLeaveTheDriversHandleCountAsItWas) {
    const DWORD driver = DriverProcessId();
    ASSERT_NE(0u, driver);
    const size_t warmUp = 2;
    PressSpecial(48);
    PressSpecial(8);
    ASSERT_EQ(warmUp, LaunchesAfter(0, warmUp).size());
    const size_t before = ProcessHandleCount(driver);
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 100; ++i) {
        PressSpecial(48);
        PressSpecial(8);
    }
    // Generous: each start is a new Wine process.
    ASSERT_EQ(200u, LaunchesAfter(warmUp, 200, 10 * SESSION_TIMEOUT_MS).size());
    EXPECT_EQ(before, SettledHandleCount(driver, before));
}

TEST_F(LaunchSession, WithNoShellRunningTheKeysStartNothing) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "explorer.exe") != 0) continue;
        HANDLE shell = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        ASSERT_NE(nullptr, shell);
        TerminateProcess(shell, 0);
        WaitForSingleObject(shell, 10000);
        CloseHandle(shell);
    }
    CloseHandle(snapshot);
    for (int code : {48, 9, 8, 47}) PressSpecial(code);
    Sleep(3000);
    EXPECT_TRUE(RecordedLaunches().empty());
    EXPECT_EQ(SERVICE_RUNNING, [&] {
        SERVICE_STATUS status = {};
        probe.Query(&status);
        return status.dwCurrentState;
    }()) << "the driver runs on";
}

}  // namespace
