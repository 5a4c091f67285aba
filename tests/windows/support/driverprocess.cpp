#include "driverprocess.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

#include "../../../common/controlprotocol.h"
#include "../../../common/registry.h"
#include "tcpconnect.h"
#include "wait.h"

namespace {

// A pipe whose write end the child inherits; the read end stays here.
bool CreateOutputPipe(HANDLE* read, HANDLE* write) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    if (!CreatePipe(read, write, &inherit, 0)) return false;
    SetHandleInformation(*read, HANDLE_FLAG_INHERIT, 0);
    return true;
}

std::string ReadAll(HANDLE pipe) {
    std::string text;
    char buffer[1024];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    // The console's text mode writes each line break as CR LF.
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
    return text;
}

bool Launch(const std::string& arguments, DWORD flags, HANDLE output, PROCESS_INFORMATION* process) {
    std::string commandLine = "\"" + DriverPath() + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                          process) != 0;
}

}  // namespace

std::string DriverPath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    return std::string(path) + "OrvikDriver.exe";
}

VerbResult RunDriver(const std::string& arguments, DWORD timeoutMs) {
    VerbResult result = {false, 0, ""};
    HANDLE read, write;
    if (!CreateOutputPipe(&read, &write)) return result;
    PROCESS_INFORMATION process = {};
    const bool launched = Launch(arguments, CREATE_NO_WINDOW, write, &process);
    CloseHandle(write);
    if (launched) {
        result.ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
        if (!result.ended) TerminateProcess(process.hProcess, 1);
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        result.output = ReadAll(read);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(read);
    return result;
}

DebugDriver::~DebugDriver() {
    if (process_.hProcess) {
        if (!WaitForExit(0)) TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    if (output_) CloseHandle(output_);
}

bool DebugDriver::Start() {
    HANDLE write;
    if (!CreateOutputPipe(&output_, &write)) return false;
    const bool launched = Launch("-debug", CREATE_NEW_CONSOLE, write, &process_);
    if (!launched) std::fprintf(stderr, "the driver could not be started: error %lu\n", GetLastError());
    CloseHandle(write);
    return launched;
}

bool DebugDriver::WaitUntilRunning(DWORD timeoutMs) {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    const bool running = WaitUntil(
        [] {
            if (StoredDword(REG_APPLICATION_KEY, "Orvik Settings") != 1) return false;
            const SOCKET probe = ConnectTcp("127.0.0.1", CONTROL_PORT);
            if (probe == INVALID_SOCKET) return false;
            closesocket(probe);
            return true;
        },
        timeoutMs);
    WSACleanup();
    return running;
}

bool DebugDriver::StopWithCtrlC(DWORD timeoutMs) {
    // A console event goes to the processes of a console: join the driver's,
    // ignore the event here, and stay until the driver has ended. Wine hands
    // the event to the process as a signal to one of its threads, and under
    // load that signal is now and then lost: one press more, as a user at the
    // console would, halfway through the wait.
    FreeConsole();
    if (!AttachConsole(process_.dwProcessId)) return false;
    SetConsoleCtrlHandler(nullptr, TRUE);
    bool ended = false;
    for (int press = 0; press < 2 && !ended; ++press)
        ended = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) && WaitForExit(timeoutMs / 2);
    FreeConsole();
    SetConsoleCtrlHandler(nullptr, FALSE);
    return ended;
}

bool DebugDriver::WaitForExit(DWORD timeoutMs) {
    return WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

std::string DebugDriver::Output() { return WaitForExit(0) ? ReadAll(output_) : std::string(); }

void InstallDriverAsService() {
    const VerbResult installed = RunDriver("-install");
    ASSERT_TRUE(installed.ended);
    ASSERT_EQ("Tavelin installed.\n", installed.output);
}

void StartDriverAsService(ServiceProbe& probe, DWORD timeoutMs) {
    ASSERT_TRUE(RunDriver("-start").ended);
    ASSERT_TRUE(probe.WaitForState(SERVICE_RUNNING, timeoutMs)) << "the service did not run";
}

std::vector<DWORD> ProcessesNamed(const char* program) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (_stricmp(entry.szExeFile, program) == 0) found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

std::vector<DWORD> DriverProcesses() { return ProcessesNamed("OrvikDriver.exe"); }

ServiceProbe::ServiceProbe() : manager_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {}

ServiceProbe::~ServiceProbe() {
    if (manager_) CloseServiceHandle(manager_);
}

SC_HANDLE ServiceProbe::Open() { return manager_ ? OpenServiceA(manager_, "OrvikDriver", SERVICE_ALL_ACCESS) : nullptr; }

bool ServiceProbe::Exists() {
    SC_HANDLE service = Open();
    if (service) CloseServiceHandle(service);
    return service != nullptr;
}

bool ServiceProbe::Query(SERVICE_STATUS* status) {
    SC_HANDLE service = Open();
    const bool ok = service && QueryServiceStatus(service, status);
    if (service) CloseServiceHandle(service);
    return ok;
}

bool ServiceProbe::WaitForState(DWORD state, DWORD timeoutMs, std::vector<SERVICE_STATUS>* seen) {
    return WaitUntil(
        [&] {
            SERVICE_STATUS status = {};
            if (!Query(&status)) return false;
            if (seen && (seen->empty() || std::memcmp(&seen->back(), &status, sizeof status) != 0))
                seen->push_back(status);
            return status.dwCurrentState == state;
        },
        timeoutMs);
}

bool ServiceProbe::Start() {
    SC_HANDLE service = Open();
    const bool ok = service && StartServiceA(service, 0, nullptr);
    if (service) CloseServiceHandle(service);
    return ok;
}

bool ServiceProbe::Control(DWORD code, SERVICE_STATUS* status) {
    SC_HANDLE service = Open();
    const bool ok = service && ControlService(service, code, status);
    if (service) CloseServiceHandle(service);
    return ok;
}

bool ServiceProbe::Config(QUERY_SERVICE_CONFIGA* config, std::string* path, std::string* displayName) {
    SC_HANDLE service = Open();
    if (!service) return false;
    static char buffer[8192];
    DWORD needed = 0;
    QUERY_SERVICE_CONFIGA* read = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
    const bool ok = QueryServiceConfigA(service, read, sizeof buffer, &needed) != 0;
    CloseServiceHandle(service);
    if (!ok) return false;
    *config = *read;
    *path = read->lpBinaryPathName ? read->lpBinaryPathName : "";
    *displayName = read->lpDisplayName ? read->lpDisplayName : "";
    return true;
}

void ServiceProbe::Remove() {
    SC_HANDLE service = Open();
    if (!service) return;
    SERVICE_STATUS status = {};
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) WaitForState(SERVICE_STOPPED, 15000);
    DeleteService(service);
    CloseServiceHandle(service);
}

void SetDriverWindowsVersion(const char* version) {
    const char* const key = "Software\\Wine\\AppDefaults\\OrvikDriver.exe";
    if (!version) {
        RegDeleteKeyA(HKEY_CURRENT_USER, key);
        return;
    }
    HKEY handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(handle, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>(std::strlen(version) + 1));
    RegCloseKey(handle);
}

HWND WaitForDialog(const char* caption, DWORD timeoutMs) {
    HWND dialog = nullptr;
    const bool shown = WaitUntil(
        [&] {
            dialog = FindWindowA("#32770", caption);
            return dialog && IsWindowVisible(dialog);
        },
        timeoutMs);
    return shown ? dialog : nullptr;
}

namespace {

BOOL CALLBACK CollectStaticText(HWND child, LPARAM texts) {
    char className[32] = {}, text[1024] = {};
    GetClassNameA(child, className, sizeof className);
    if (_stricmp(className, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
        std::string* joined = reinterpret_cast<std::string*>(texts);
        if (!joined->empty()) *joined += "\n";
        *joined += text;
    }
    return TRUE;
}

}  // namespace

std::string DialogText(HWND dialog) {
    std::string texts;
    EnumChildWindows(dialog, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

void PressButton(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

long long StoredDword(const char* subkey, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
    DWORD value = 0, size = sizeof value;
    const LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? value : -1;
}
