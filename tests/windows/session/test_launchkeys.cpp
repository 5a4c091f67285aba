// Special keys inside the driver's input path, with process start going
// through the seam: for every code, which command line would start as the
// user, that the click came first, that the launch closed every handle it
// opened (its own and the new process's), and that texts that do not fit are
// refused. The search key starts nothing in the driver: it types Win+F into
// the window in front, and only while the user's shell runs.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "../../../common/registry.h"
#include "../../../common/uiseam.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/launchkeys.h"
#include "../../../driver/input/sound.h"
#include "../../../driver/input/usersession.h"
#include "../input/events.h"
#include "../input/recorder.h"
#include "../support/handlecount.h"
#include "../support/wait.h"
#include "shelltray.h"

namespace {

struct Launch {
    std::string commandLine;
    DWORD flags;
    bool token, environment;
};

std::vector<std::string> gEffects;  // "sound", "launch", "shell code" in order
std::vector<Launch> gLaunches;
std::vector<HANDLE> gGivenHandles;  // the fake process and thread handles handed out

BOOL WINAPI RecordPlaySound(LPCSTR, HMODULE, DWORD) {
    gEffects.push_back("sound");
    return TRUE;
}

BOOL WINAPI RecordLaunch(HANDLE token, LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                         LPSECURITY_ATTRIBUTES, BOOL inherit, DWORD flags, LPVOID environment, LPCSTR,
                         LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process) {
    gEffects.push_back("launch");
    EXPECT_EQ(nullptr, application);
    EXPECT_FALSE(inherit);
    EXPECT_EQ(sizeof(STARTUPINFOA), startup->cb);
    gLaunches.push_back({commandLine, flags, token != nullptr, environment != nullptr});
    process->hProcess = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    process->hThread = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    gGivenHandles.push_back(process->hProcess);
    gGivenHandles.push_back(process->hThread);
    return TRUE;
}

BOOL WINAPI RecordSearch(SHELLEXECUTEINFOA*) {
    gEffects.push_back("shell code");
    return TRUE;
}

bool HandleIsOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

void SetDefault(const std::string& key, const std::string& value) {
    SetStringValueInRegistry(HKEY_LOCAL_MACHINE, key.c_str(), "", value.c_str());
}

void DeleteTree(const char* key) { SHDeleteKeyA(HKEY_LOCAL_MACHINE, key); }

std::string SystemDirectory() {
    char directory[MAX_PATH] = "";
    GetSystemDirectoryA(directory, sizeof directory);
    return directory;
}

const char* const MAIL_COMMAND_KEY = "SOFTWARE\\Clients\\Mail\\TestMail\\shell\\open\\command";

// A variable of the user's own environment (what the user's programs get),
// as opposed to the driver's.
void SetUserVariable(const char* name, const std::string& value) {
    SetStringValueInRegistry(HKEY_CURRENT_USER, "Environment", name, value.c_str());
}

// Win+F as the window in front receives it.
const std::vector<std::string> WIN_F = {"kd 5B", "kd 46", "ku 46", "ku 5B"};

std::vector<std::string> KeysOnly(const std::vector<std::string>& messages) {
    std::vector<std::string> keys;
    for (const std::string& message : messages)
        if (message.compare(0, 2, "kd") == 0 || message.compare(0, 2, "ku") == 0) keys.push_back(message);
    return keys;
}
const char* const BROWSER_KEY = "SOFTWARE\\Classes\\HTTP\\shell\\open\\command";
const char* const OUTLOOK_ICON_KEY = "SOFTWARE\\Clients\\Mail\\Microsoft Outlook\\Protocols\\mailto\\DefaultIcon";
const char* const OUTLOOK_PATH = "C:\\orviktest\\outlook.exe";
const DWORD SHELL_TIMEOUT_MS = 10000;

class LaunchKeys : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A window of this program brings Wine's explorer.exe, the user's shell.
        ASSERT_TRUE(shellTray.Open());
        DWORD shell = 0;
        WaitUntil([&shell] { return FindProcessIdByName("explorer.exe", &shell) != 0; }, SHELL_TIMEOUT_MS);
        ASSERT_NE(0u, shell) << "no explorer.exe";
    }
    static void TearDownTestSuite() { shellTray.Close(); }

    void SetUp() override {
        ResetKeyboardState();
        SetDwordValueFromRegistry(REG_AUDIO_SESSION_KEY, "Enable", 1);
        GetAudioDataFromRegistry();
        bSoundEnabled = 1;
        g_ui.playSoundA = RecordPlaySound;
        g_ui.createProcessAsUserA = RecordLaunch;
        g_ui.shellExecuteExA = RecordSearch;
        gEffects.clear();
        gLaunches.clear();
        gGivenHandles.clear();
        // The driver's own value must never reach a user's command line.
        SetEnvironmentVariableA("ORVIKTEST", "C:\\service");
        SetUserVariable("ORVIKTEST", "C:\\orviktest");
        SetUserVariable("ORVIKLONG", std::string(40, 'v'));
        DeleteTree("SOFTWARE\\Clients");
        DeleteTree("SOFTWARE\\Classes\\HTTP");
        CreateDirectoryA("C:\\orviktest", nullptr);
        CloseHandle(CreateFileA(OUTLOOK_PATH, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        SetDefault("SOFTWARE\\Clients\\Mail", "TestMail");
        SetDefault(MAIL_COMMAND_KEY, "%ORVIKTEST%\\mail.exe /to %ORVIKTEST%");
        SetDefault("SOFTWARE\\Clients\\Contacts", "TestContacts");
        SetDefault("SOFTWARE\\Clients\\Contacts\\TestContacts\\shell\\open\\command", "C:\\orviktest\\contacts.exe");
        SetDefault("SOFTWARE\\Clients\\Calendar", "");
        SetDefault(BROWSER_KEY, "\"C:\\Program Files\\Web\\web.exe\" -nohome \"%1\"");
        SetDefault(OUTLOOK_ICON_KEY, std::string("\"") + OUTLOOK_PATH + "\",-9403");
        shellTray.TakeCommands();
    }
    void TearDown() override {
        bSoundEnabled = 0;
        g_ui.createProcessAsUserA = CreateProcessAsUserA;
        g_ui.shellExecuteExA = ShellExecuteExA;
        g_ui.playSoundA = PlaySoundA;
        DeleteTree("SOFTWARE\\Clients");
        DeleteTree("SOFTWARE\\Classes\\HTTP");
    }

    // The command lines that one press of `code` started.
    std::vector<std::string> Press(unsigned char code) {
        gLaunches.clear();
        gEffects.clear();
        Dispatch({PressSpecial(code)});
        EXPECT_TRUE(WaitForLaunches(10000)) << "the launch did not end";
        std::vector<std::string> lines;
        for (const Launch& launch : gLaunches) lines.push_back(launch.commandLine);
        return lines;
    }

    static ShellTray shellTray;
};

ShellTray LaunchKeys::shellTray;

using Lines = std::vector<std::string>;

TEST_F(LaunchKeys, EveryCodeStartsItsProgramAfterTheClick) {
    const std::string system = SystemDirectory();
    const struct {
        unsigned char code;
        Lines started;
    } cases[] = {
        {48, {system + "\\calc.exe"}},
        {9, {system + "\\notepad.exe"}},
        // Only the first reference is expanded, from the user's environment.
        {8, {"C:\\orviktest\\mail.exe /to %ORVIKTEST%"}},
        {6, {"C:\\orviktest\\contacts.exe"}},
        {4, {}},  // the calendar kind names no client
        {47, {"\"C:\\Program Files\\Web\\web.exe\""}},
        {7, {std::string("\"") + OUTLOOK_PATH + "\" \"Outlook:Tasks\""}},
        {5, {}},
        {12, {}},
        {200, {}},
        {3, {}},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(test.started, Press(test.code)) << "code " << int(test.code);
        ASSERT_FALSE(gEffects.empty()) << "code " << int(test.code);
        EXPECT_EQ("sound", gEffects.front()) << "the click comes first, code " << int(test.code);
        EXPECT_EQ(1 + test.started.size(), gEffects.size()) << "code " << int(test.code);
        for (const Launch& launch : gLaunches) {
            EXPECT_TRUE(launch.token) << "the shell's token";
            EXPECT_TRUE(launch.environment) << "the user's environment block";
            EXPECT_EQ(static_cast<DWORD>(CREATE_UNICODE_ENVIRONMENT), launch.flags);
        }
        // Checked at once: a closed handle's value is soon given out again.
        for (HANDLE given : gGivenHandles) EXPECT_FALSE(HandleIsOpen(given)) << "the new process's handles are closed";
        gGivenHandles.clear();
    }
}

TEST_F(LaunchKeys, TheTaskbarKeyPostsCommand407AndTheSearchKeyTypesWinFAndStartsNothing) {
    Press(3);
    std::vector<UINT> commands;
    WaitUntil(
        [&commands] {
            commands = shellTray.TakeCommands();
            return !commands.empty();
        },
        SHELL_TIMEOUT_MS);
    EXPECT_EQ(std::vector<UINT>{407}, commands);

    RecorderWindow front;
    ASSERT_TRUE(front.Open("Search"));
    front.Take();
    EXPECT_TRUE(Press(49).empty());
    EXPECT_EQ(Lines{"sound"}, gEffects) << "no shell code run by the driver";
    EXPECT_EQ(WIN_F, KeysOnly(front.Take()));
    front.Close();
}

TEST_F(LaunchKeys, RegistryVariantsStartTheRightProgramOrNothing) {
    const struct {
        const char* key;
        std::string value;
        unsigned char code;
        Lines started;
    } cases[] = {
        // Unquoted: cut after the .exe and quoted, so that a blank in the
        // path never names another program ("C:\\Program.exe").
        {BROWSER_KEY, "C:\\Web\\web.exe -url %1", 47, {"\"C:\\Web\\web.exe\""}},
        {BROWSER_KEY, "C:\\Program Files\\My Web\\web.exe -url %1", 47, {"\"C:\\Program Files\\My Web\\web.exe\""}},
        {BROWSER_KEY, "C:\\Program Files\\My Web\\web -url %1", 47, {}},  // no program to tell
        {BROWSER_KEY, "\"C:\\Web\\web.exe", 47, {"\"C:\\Web\\web.exe"}},
        {OUTLOOK_ICON_KEY, std::string(OUTLOOK_PATH) + ",1", 7, {}},  // no quotes
        {OUTLOOK_ICON_KEY, std::string("\"") + OUTLOOK_PATH + "\"", 7, {}},  // no comma
        {OUTLOOK_ICON_KEY, "\"C:\\orviktest\\missing.exe\",1", 7, {}},  // no such file
        {"SOFTWARE\\Clients\\Mail", "", 8, {}},  // no default mail client
        {"SOFTWARE\\Clients\\Mail", "NoSuchClient", 8, {}},
        // Too long for the command line: refused, never cut.
        {MAIL_COMMAND_KEY, "C:\\" + std::string(250, 'm') + ".exe", 8, {}},
        {MAIL_COMMAND_KEY, std::string(230, 'm') + " %ORVIKLONG%", 8, {}},  // too long once expanded
        {MAIL_COMMAND_KEY, std::string(255, 'm'), 8, {std::string(255, 'm')}},
        {"SOFTWARE\\Clients\\Mail", std::string(230, 'c'), 8, {}},  // key path over 255
    };
    for (const auto& test : cases) {
        SetUp();
        SetDefault(test.key, test.value);
        EXPECT_EQ(test.started, Press(test.code)) << test.key << " = " << test.value;
        EXPECT_EQ("sound", gEffects.front());
    }
}

TEST_F(LaunchKeys, TwoHundredLaunchesLeaveTheHandleCountAsItWas) {
    Press(48);  // first use: whatever the system keeps open for good
    Press(8);
    const size_t before = ProcessHandleCount(GetCurrentProcessId());
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(1u, Press(48).size());
        ASSERT_EQ(1u, Press(8).size());
    }
    EXPECT_EQ(before, ProcessHandleCount(GetCurrentProcessId()));
}

// Last: the shell does not come back while this program's windows exist.
TEST_F(LaunchKeys, WithNoShellRunningNothingStartsAndTheClickIsStillPlayed) {
    RecorderWindow front;
    ASSERT_TRUE(front.Open("No shell"));
    DWORD shell = 0;
    while (FindProcessIdByName("explorer.exe", &shell)) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, shell);
        ASSERT_NE(nullptr, process);
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
    front.Take();
    for (unsigned char code : {48, 9, 8, 6, 47, 7, 49}) {
        EXPECT_TRUE(Press(code).empty()) << "code " << int(code);
        EXPECT_EQ(Lines{"sound"}, gEffects) << "code " << int(code);
    }
    EXPECT_EQ(Lines{}, KeysOnly(front.Take())) << "no Win+F without a user shell";
    front.Close();
}

}  // namespace
