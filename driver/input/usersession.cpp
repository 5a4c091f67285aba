#include "usersession.h"

#include <tlhelp32.h>
#include <userenv.h>

#include <vector>

#include "../../common/trace.h"
#include "../../common/uiseam.h"
#include "launchtext.h"

namespace {

const char* const SHELL_PROGRAM = "explorer.exe";
// READ_CONTROL | TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE |
// TOKEN_ASSIGN_PRIMARY: LoadUserProfile needs the impersonation.
const DWORD LAUNCH_TOKEN_ACCESS = 0x2000F;
const DWORD USER_NAME_SIZE = 257;

// Functions that Windows 2000 lacks, looked up when they are needed.
typedef DWORD(WINAPI* ActiveConsoleSessionFunction)();
typedef BOOL(WINAPI* SessionOfProcessFunction)(DWORD processId, DWORD* sessionId);

template <typename Function>
Function Kernel32Function(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

// Without sessions (Windows 2000) every process is in session 0.
bool ProcessInSession(DWORD processId, DWORD sessionId) {
    const SessionOfProcessFunction sessionOf = Kernel32Function<SessionOfProcessFunction>("ProcessIdToSessionId");
    DWORD session = 0;
    return sessionOf ? sessionOf(processId, &session) && session == sessionId : sessionId == 0;
}

// 0xFFFFFFFF while no session is attached to the console.
DWORD ConsoleSessionId() {
    const ActiveConsoleSessionFunction consoleSession =
        Kernel32Function<ActiveConsoleSessionFunction>("WTSGetActiveConsoleSessionId");
    return consoleSession ? consoleSession() : 0;
}

// The first process of a snapshot named `name` for which `accept` says yes.
template <typename Accept>
int FindProcess(const char* name, DWORD* processId, Accept accept) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, name) != 0 || !accept(entry.th32ProcessID)) continue;
        *processId = entry.th32ProcessID;
        found = 1;
    }
    CloseHandle(snapshot);
    return found;
}

// The user's environment block (UTF-16, as CreateEnvironmentBlock makes it)
// in the ANSI code page, terminators kept.
std::vector<char> NarrowEnvironment(const void* environment) {
    const wchar_t* block = static_cast<const wchar_t*>(environment);
    size_t length = 0;
    while (block[length] || block[length + 1]) ++length;
    length += 2;
    const int size = WideCharToMultiByte(CP_ACP, 0, block, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::vector<char> narrow(size > 0 ? size : 0);
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, block, static_cast<int>(length), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// The command line with the user's variable in place; a reference without
// a user environment is refused.
int ComposeLaunchCommandLine(const char* program, const char* argument, const void* environment,
                             char* commandLine) {
    char unexpanded[LAUNCH_TEXT_SIZE];
    if (!BuildLaunchCommandLine(program, argument, unexpanded, sizeof unexpanded)) return 0;
    const std::vector<char> narrow = environment ? NarrowEnvironment(environment) : std::vector<char>();
    return ExpandFirstVariable(unexpanded, narrow.empty() ? nullptr : narrow.data(), commandLine, LAUNCH_TEXT_SIZE);
}

bool InputDesktopIsUsers() {
    HDESK desktop = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (!desktop) return false;
    char name[64] = {};
    DWORD needed = 0;
    const bool named = GetUserObjectInformationA(desktop, UOI_NAME, name, sizeof name - 1, &needed) != 0;
    CloseDesktop(desktop);
    return named && lstrcmpiA(name, USER_DESKTOP) == 0;
}

}  // namespace

int CreateProcessAsShellUser(HANDLE token, char* commandLine, DWORD flags, void* environment) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!g_ui.createProcessAsUserA(token, nullptr, commandLine, nullptr, nullptr, FALSE, flags, environment, nullptr,
                                   &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

int ReadMachineString(const char* keyPath, const char* valueName, char* buffer) {
    buffer[0] = '\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        Trace("Unable to open key");
        return 0;
    }
    DWORD type = 0;
    DWORD size = MACHINE_STRING_SIZE - 1;  // room for a terminator the stored value may lack
    const LONG read = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        buffer[0] = '\0';
        Trace("Unable to open key Value");
        return 0;
    }
    buffer[size] = '\0';
    return 1;
}

int FindProcessIdByName(const char* name, DWORD* processId) {
    return FindProcess(name, processId, [](DWORD) { return true; });
}

int FindConsoleShell(DWORD* processId) {
    const DWORD console = ConsoleSessionId();
    return FindProcess(SHELL_PROGRAM, processId, [console](DWORD id) { return ProcessInSession(id, console); });
}

bool UserDesktopActive() {
    DWORD shellId = 0;
    return InputDesktopIsUsers() && FindConsoleShell(&shellId);
}

HANDLE OpenShellToken(DWORD processAccess, DWORD tokenAccess, const char* caller) {
    DWORD shellId = 0;
    if (!FindConsoleShell(&shellId)) {
        Trace("%s: Could not Get Pid.", caller);
        return 0;
    }
    HANDLE shell = OpenProcess(processAccess, FALSE, shellId);
    if (!shell) {
        Trace("%s: Could not open process.", caller);
        return 0;
    }
    HANDLE token = 0;
    if (!OpenProcessToken(shell, tokenAccess, &token)) {
        Trace("%s: OpenProcessToken failed %lu", caller, GetLastError());
        token = 0;
    }
    CloseHandle(shell);
    return token;
}

int LoadLoggedOnUserProfile(HANDLE token, HANDLE* profile) {
    if (!ImpersonateLoggedOnUser(token)) return 0;
    char user[USER_NAME_SIZE];
    DWORD length = USER_NAME_SIZE;
    const BOOL named = GetUserNameA(user, &length);
    RevertToSelf();
    if (!named) return 0;
    PROFILEINFOA information = {};
    information.dwSize = sizeof information;
    information.dwFlags = PI_NOUI;
    information.lpUserName = user;
    if (!LoadUserProfileA(token, &information)) return 0;
    *profile = information.hProfile;
    return 1;
}

int LaunchInUserSession(const char* program, const char* argument) {
    HANDLE token = OpenShellToken(PROCESS_ALL_ACCESS, LAUNCH_TOKEN_ACCESS, "LaunchInUserSession");
    if (!token) return 0;
    HANDLE profile = 0;
    const int profileLoaded = LoadLoggedOnUserProfile(token, &profile);
    void* environment = nullptr;
    if (!CreateEnvironmentBlock(&environment, token, FALSE)) environment = nullptr;
    char commandLine[LAUNCH_TEXT_SIZE];
    int created = 0;
    if (ComposeLaunchCommandLine(program, argument, environment, commandLine))
        created = CreateProcessAsShellUser(token, commandLine, CREATE_UNICODE_ENVIRONMENT, environment);
    else
        Trace("LaunchInUserSession: command line too long or not expanded.");
    if (environment) DestroyEnvironmentBlock(environment);
    if (profileLoaded && profile) UnloadUserProfile(token, profile);
    CloseHandle(token);
    return created;
}
