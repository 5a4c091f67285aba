#include "usersession.h"

#include <tlhelp32.h>
#include <userenv.h>

#include "../../common/trace.h"
#include "../../common/uiseam.h"
#include "launchtext.h"

namespace {

const char* const SHELL_PROGRAM = "explorer.exe";
// READ_CONTROL | TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY
const DWORD LAUNCH_TOKEN_ACCESS = 0x2000B;
const DWORD USER_NAME_SIZE = 257;

// A variable of the driver's environment; a missing one is empty.
int LookUpDriverVariable(const char* name, char* value, size_t size) {
    const DWORD length = GetEnvironmentVariableA(name, value, static_cast<DWORD>(size));
    if (length >= size) return 0;
    if (!length) value[0] = '\0';
    return 1;
}

int ComposeLaunchCommandLine(const char* program, const char* argument, char* commandLine) {
    char unexpanded[LAUNCH_TEXT_SIZE];
    return BuildLaunchCommandLine(program, argument, unexpanded, sizeof unexpanded) &&
           ExpandFirstVariable(unexpanded, LookUpDriverVariable, commandLine, LAUNCH_TEXT_SIZE);
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
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
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
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, name) != 0) continue;
        *processId = entry.th32ProcessID;
        found = 1;
    }
    CloseHandle(snapshot);
    return found;
}

HANDLE OpenShellToken(DWORD processAccess, DWORD tokenAccess, const char* caller) {
    DWORD shellId = 0;
    if (!FindProcessIdByName(SHELL_PROGRAM, &shellId)) {
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
    information.lpUserName = user;
    if (!LoadUserProfileA(token, &information)) return 0;
    *profile = information.hProfile;
    return 1;
}

int LaunchInUserSession(const char* program, const char* argument) {
    char commandLine[LAUNCH_TEXT_SIZE];
    if (!ComposeLaunchCommandLine(program, argument, commandLine)) {
        Trace("LaunchInUserSession: command line too long.");
        return 0;
    }
    HANDLE token = OpenShellToken(PROCESS_ALL_ACCESS, LAUNCH_TOKEN_ACCESS, "LaunchInUserSession");
    if (!token) return 0;
    HANDLE profile = 0;
    const int profileLoaded = LoadLoggedOnUserProfile(token, &profile);
    void* environment = nullptr;
    if (!CreateEnvironmentBlock(&environment, token, FALSE)) environment = nullptr;
    const int created = CreateProcessAsShellUser(token, commandLine, CREATE_UNICODE_ENVIRONMENT, environment);
    if (environment) DestroyEnvironmentBlock(environment);
    if (profileLoaded && profile) UnloadUserProfile(token, profile);
    CloseHandle(token);
    return created;
}
