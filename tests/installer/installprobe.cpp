// What the setup checks need to see from inside Wine:
//   installprobe hold FILE          loads FILE and keeps it loaded, as the logon
//                                   process keeps the notification package;
//                                   prints "held" once it is loaded
//   installprobe access KEY         prints the access list of HKLM\KEY; exit 0
//                                   when Users may read it, set values and
//                                   create keys, in an entry inherited by keys
//                                   created below it
//   installprobe messages ID...     exit 0 when the message file registered for
//                                   the event source OrvikDriver holds a message
//                                   table with a text for each event id
//   installprobe exitcode PROGRAM [ARGUMENT...]
//                                   runs PROGRAM with the arguments and prints its
//                                   whole exit code
//                                   (Wine hands Linux only the low 8 bits)
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const EVENT_SOURCE_KEY = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\OrvikDriver";
const DWORD USERS_NEED = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

int Hold(const char* file) {
    if (!LoadLibraryA(file)) {
        std::printf("cannot load %s: error %lu\n", file, GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

bool IsUsersGroup(PSID sid) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID users = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0,
                                  &users))
        return false;
    const bool same = EqualSid(sid, users) != 0;
    FreeSid(users);
    return same;
}

bool GrantsUsersInheritably(PACL dacl) {
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace))) continue;
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        if (!(ace->Header.AceFlags & CONTAINER_INHERIT_ACE)) continue;
        if ((ace->Mask & USERS_NEED) != USERS_NEED) continue;
        if (IsUsersGroup(&ace->SidStart)) return true;
    }
    return false;
}

int Access(const char* subkey) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, READ_CONTROL, &key) != ERROR_SUCCESS) {
        std::printf("cannot open %s\n", subkey);
        return 1;
    }
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<char> descriptor(size ? size : 1);
    const LONG status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        std::printf("RegGetKeySecurity: error %ld\n", status);
        return 1;
    }
    char* text = nullptr;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor.data(), SDDL_REVISION_1,
                                                             DACL_SECURITY_INFORMATION, &text, nullptr)) {
        std::printf("%s\n", text);
        LocalFree(text);
    }
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted);
    return present && GrantsUsersInheritably(dacl) ? 0 : 1;
}

int Messages(int count, char** ids) {
    char file[MAX_PATH] = "", expanded[MAX_PATH] = "";
    DWORD size = sizeof file - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, EVENT_SOURCE_KEY, "EventMessageFile", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, file, &size) != ERROR_SUCCESS) {
        std::printf("no EventMessageFile (REG_EXPAND_SZ) for the source OrvikDriver\n");
        return 1;
    }
    ExpandEnvironmentStringsA(file, expanded, sizeof expanded);
    HMODULE module = LoadLibraryExA(expanded, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module || !FindResourceA(module, MAKEINTRESOURCEA(1), RT_MESSAGETABLE)) {
        std::printf("%s holds no message table\n", expanded);
        return 1;
    }
    int missing = 0;
    for (int i = 0; i < count; ++i) {
        const DWORD id = std::strtoul(ids[i], nullptr, 0);
        char text[512] = "";
        if (FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, module, id, 0, text,
                           sizeof text, nullptr))
            std::printf("%s: %s", ids[i], text);
        else {
            std::printf("%s: no text\n", ids[i]);
            ++missing;
        }
    }
    FreeLibrary(module);
    return missing == 0 && count > 0 ? 0 : 1;
}

int PrintExitCode(int count, char** words) {
    // The program quoted, the arguments as they are: a setup program takes
    // its last argument (/D=, _?=) to the end of the line, blanks included.
    std::string commandLine = "\"" + std::string(words[0]) + "\"";
    for (int i = 1; i < count; ++i) commandLine += " " + std::string(words[i]);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("cannot run %s: error %lu\n", commandLine.c_str(), GetLastError());
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("%lu\n", code);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "hold") == 0) return Hold(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "access") == 0) return Access(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "messages") == 0) return Messages(argc - 2, argv + 2);
    if (argc >= 3 && std::strcmp(argv[1], "exitcode") == 0) return PrintExitCode(argc - 2, argv + 2);
    std::printf("installprobe hold FILE | access KEY | messages ID... | exitcode PROGRAM [ARGUMENT...]\n");
    return 2;
}
