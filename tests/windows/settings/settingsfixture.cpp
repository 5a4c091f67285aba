#include "settingsfixture.h"

#include <commctrl.h>
#include <winsock2.h>

#include <cstdio>
#include <cstring>

#include "../../../common/controlprotocol.h"
#include "../../../common/registry.h"
#include "../input/recorder.h"
#include "../support/linkfixture.h"
#include "../support/pointer.h"
#include "../support/tcpconnect.h"

namespace {

const DWORD DRIVER_START_MS = 30000;
const DWORD DRIVER_STOP_MS = 15000;
const int TAB_CLICK_ATTEMPTS = 5;
const char* const SERIAL_PORTS_KEY = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

}  // namespace

std::string BesideThisProgram(const char* file) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    return std::string(path) + file;
}

namespace {

// Memory in the process that owns `window`, for the common-control messages
// whose pointers Windows does not carry across processes.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
        if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    char* Address() const { return static_cast<char*>(address_); }
    bool Write(const void* data, size_t size, size_t offset = 0) {
        return address_ && WriteProcessMemory(process_, Address() + offset, data, size, nullptr);
    }
    bool Read(void* data, size_t size, size_t offset = 0) {
        return address_ && ReadProcessMemory(process_, Address() + offset, data, size, nullptr);
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

std::string Narrow(const wchar_t* text) {
    char narrow[2048];
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

struct MainWindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM parameter) {
    MainWindowSearch* search = reinterpret_cast<MainWindowSearch*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !GetDlgItem(window, 1100)) return TRUE;  // the tab strip
    search->found = window;
    return FALSE;
}

// The console window of the driver in debug mode: its title names the program.
BOOL CALLBACK HideDriverConsole(HWND window, LPARAM) {
    char title[MAX_PATH] = {};
    GetWindowTextA(window, title, sizeof title);
    if (IsWindowVisible(window) && std::strstr(title, "OrvikDriver.exe")) ShowWindow(window, SW_HIDE);
    return TRUE;
}

void SendKey(WORD key, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, 0));
    const bool extended = (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE;
    input.ki.dwFlags = flags | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    SendInput(1, &input, sizeof input);
}

void SendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

}  // namespace

std::string StoredString(const char* subkey, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    char text[1024] = {};
    DWORD size = sizeof text - 1;
    const LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? text : "";
}

void StoreString(const char* subkey, const char* name, const std::string& value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void StoreDword(const char* subkey, const char* name, DWORD value) { SetDwordValueFromRegistry(subkey, name, value); }

// The key cannot be made again once deleted (it is volatile): its values are replaced.
void SetSerialPorts(const std::vector<std::string>& ports) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SERIAL_PORTS_KEY, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    char name[256];
    DWORD size = sizeof name;
    while (RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name);
        size = sizeof name;
    }
    for (size_t i = 0; i < ports.size(); ++i) {
        std::snprintf(name, sizeof name, "\\Device\\Serial%u", static_cast<unsigned>(i));
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(ports[i].c_str()),
                       static_cast<DWORD>(ports[i].size() + 1));
    }
    RegCloseKey(key);
}

std::vector<std::string> ReceivedPayloads(SimClient& sim, unsigned short opcode) {
    // "A5 A5 01 00 00 00 LO HI LEN_LO LEN_HI 00 00 VALUE... SUM"
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "A5 A5 01 00 00 00 %02X %02X", opcode & 0xFF, opcode >> 8);
    std::vector<std::string> payloads;
    for (const std::string& command : sim.ReceivedCommands()) {
        if (command.compare(0, std::strlen(prefix), prefix) != 0) continue;
        const size_t start = 36, end = command.size() >= 3 ? command.size() - 3 : 0;
        payloads.push_back(end > start ? command.substr(start, end - start) : "");
    }
    return payloads;
}

size_t ReceivedCount(SimClient& sim, unsigned short opcode) { return ReceivedPayloads(sim, opcode).size(); }

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) >= 511) continue;
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(Narrow(text));
    }
    return items;
}

std::string ComboSelection(HWND combo) {
    const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return "";
    const std::vector<std::string> items = ComboItems(combo);
    return static_cast<size_t>(selected) < items.size() ? items[selected] : "";
}

bool IsChecked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

int TrackbarPosition(HWND trackbar) { return static_cast<int>(SendMessageA(trackbar, TBM_GETPOS, 0, 0)); }

void PointAt(int x, int y) {
    // An absolute move by SendInput does not reach Wine's virtual desktop;
    // the cursor position does.
    SetCursorPos(x, y);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (x * 65535 + width / 2) / (width - 1),
              (y * 65535 + height / 2) / (height - 1));
    WaitUntil(
        [x, y] {
            POINT at = {};
            return GetCursorPos(&at) && at.x == x && at.y == y;
        },
        2000);
}

void ClickAt(int x, int y) {
    // The pointer's move reaches the window under it before the button does.
    PointAt(x, y);
    SettlePointerAt(x, y);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
}

// The control takes the click as from the mouse, through its own button-down
// and button-up handling. A pointer click does the same on Windows, but under
// Wine it now and then lands where X last saw the pointer.
void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

// The pointer goes to the arrow as well: the control follows the pointer's
// moves while it holds the mouse, and they must agree with the click.
void ClickSpinArrow(HWND spin, bool up) {
    RECT area;
    GetClientRect(spin, &area);
    const int quarter = (area.bottom - area.top) / 4;
    POINT at = {(area.left + area.right) / 2, up ? area.top + quarter : area.bottom - quarter};
    POINT onScreen = at;
    ClientToScreen(spin, &onScreen);
    PointAt(onScreen.x, onScreen.y);
    PostMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageA(spin, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

void KeyDown(WORD key) { SendKey(key, 0); }
void KeyUp(WORD key) { SendKey(key, KEYEVENTF_KEYUP); }

void Keys(WORD key, int times) {
    for (int i = 0; i < times; ++i) {
        KeyDown(key);
        KeyUp(key);
    }
}

void SettingsFixture::SetUp() {
    ASSERT_TRUE(sim.Connected()) << "the simulator's control port (ORVIK_SIM_PORT) does not answer";
    ASSERT_TRUE(sim.Run("reset"));
    ASSERT_TRUE(sim.Run("set powerstate FB"));
    if (sim2.Connected()) {
        ASSERT_TRUE(sim2.Run("reset"));
    }
    ClearProductRegistry();
    StoreDword(REG_COMPORT_KEY, "Comport", 5);
    SetSerialPorts({"COM5", "COM6"});
}

void SettingsFixture::TearDown() {
    if (settings_.hProcess) {
        if (!SettingsEnded(0)) TerminateProcess(settings_.hProcess, 1);
        WaitForSingleObject(settings_.hProcess, 5000);
        CloseHandle(settings_.hThread);
        CloseHandle(settings_.hProcess);
        settings_ = PROCESS_INFORMATION();
    }
    if (driver_) StopDriver();
}

bool SettingsFixture::StartDriver() {
    driver_.reset(new DebugDriver);
    if (!driver_->Start()) return false;
    const bool running = driver_->WaitUntilRunning(DRIVER_START_MS);
    // Its console must not lie over the windows that the test clicks.
    EnumWindows(HideDriverConsole, 0);
    return running;
}

bool SettingsFixture::StopDriver() {
    if (!driver_) return true;
    const bool ended = driver_->StopWithCtrlC(DRIVER_STOP_MS);
    driver_.reset();  // ends it the hard way if Ctrl+C did not
    return ended;
}

std::string SettingsFixture::AskDriver(const unsigned char* message, int length) {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    std::string reply;
    const SOCKET connection = ConnectTcp("127.0.0.1", CONTROL_PORT);
    if (connection != INVALID_SOCKET) {
        const DWORD timeoutMs = 10000;
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
        char answer[CONTROL_MESSAGE_SIZE];
        const int received = send(connection, reinterpret_cast<const char*>(message), length, 0) == length
                                 ? recv(connection, answer, sizeof answer, 0)
                                 : 0;
        if (received > 0) reply.assign(answer, received);
        closesocket(connection);
    }
    WSACleanup();
    return reply;
}

HWND SettingsFixture::DriverDialog() {
    for (DWORD process : DriverProcesses())
        if (HWND dialog = FindVisibleDialog(process)) return dialog;
    return nullptr;
}

bool SettingsFixture::DriverEnded(DWORD timeoutMs) { return driver_ && driver_->WaitForExit(timeoutMs); }

bool SettingsFixture::LaunchSettings(const char* program) {
    if (settings_.hProcess) {
        CloseHandle(settings_.hThread);
        CloseHandle(settings_.hProcess);
        settings_ = PROCESS_INFORMATION();
    }
    std::string commandLine = "\"" + BesideThisProgram(program) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &settings_) != 0;
}

bool SettingsFixture::StartSettings(const char* program) {
    if (!LaunchSettings(program)) return false;
    return WaitUntil([this] { return MainWindow() && Page() && IsWindowVisible(Page()); });
}

bool SettingsFixture::SettingsEnded(DWORD timeoutMs) {
    return settings_.hProcess && WaitForSingleObject(settings_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD SettingsFixture::SettingsExitCode() {
    DWORD code = STILL_ACTIVE;
    if (settings_.hProcess) GetExitCodeProcess(settings_.hProcess, &code);
    return code;
}

HWND SettingsFixture::MainWindow() {
    MainWindowSearch search = {settings_.dwProcessId, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void SettingsFixture::BringForward() {
    HWND main = MainWindow();
    SetForegroundWindow(main);
    WaitUntil([main] { return GetForegroundWindow() == main; }, 5000);
}

HWND SettingsFixture::Tabs() { return GetDlgItem(MainWindow(), 1100); }

int SettingsFixture::TabCount() { return static_cast<int>(SendMessageA(Tabs(), TCM_GETITEMCOUNT, 0, 0)); }

std::string SettingsFixture::TabLabel(int tab) {
    const size_t textSize = 256;
    RemoteBuffer remote(Tabs(), sizeof(TCITEMA) + textSize);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = remote.Address() + sizeof item;
    item.cchTextMax = textSize;
    char text[textSize] = {};
    if (!remote.Write(&item, sizeof item) || !remote.Write(text, textSize, sizeof item)) return "";
    SendMessageA(Tabs(), TCM_GETITEMA, tab, reinterpret_cast<LPARAM>(remote.Address()));
    remote.Read(text, textSize - 1, sizeof item);
    return text;
}

HWND SettingsFixture::SelectTab(int tab) {
    HWND tabs = Tabs(), before = Page();
    if (SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == tab) return before;
    RemoteBuffer remote(tabs, sizeof(RECT));
    RECT item = {};
    SendMessageA(tabs, TCM_GETITEMRECT, tab, reinterpret_cast<LPARAM>(remote.Address()));
    if (!remote.Read(&item, sizeof item)) return nullptr;
    MapWindowPoints(tabs, nullptr, reinterpret_cast<POINT*>(&item), 2);
    // Under Wine a click now and then meets the pointer where X last saw
    // it (more often on a busy machine); a person clicks the tab again, and
    // so does the test.
    for (int attempt = 0; attempt < TAB_CLICK_ATTEMPTS; ++attempt) {
        BringForward();
        ClickAt((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        if (WaitUntil([&] { return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == tab; }, 2000)) break;
    }
    // When the pointer keeps failing, the keyboard: the strip's arrow keys
    // move through the tabs between (their pages open on the way).
    HWND main = MainWindow();
    for (int selected; (selected = static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0))) != tab;) {
        BringForward();
        SendMessageA(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tabs), TRUE);
        Keys(selected < tab ? VK_RIGHT : VK_LEFT);
        if (!WaitUntil([&] { return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) != selected; })) break;
    }
    WaitUntil([&] {
        HWND page = Page();
        return (page && page != before && IsWindowVisible(page)) ||
               FindVisibleDialog(settings_.dwProcessId, nullptr, main);
    });
    HWND page = Page();
    return page != before && IsWindowVisible(page) ? page : nullptr;
}

HWND SettingsFixture::Page() { return FindWindowExA(MainWindow(), nullptr, "#32770", nullptr); }

void SettingsFixture::Focus(HWND control) {
    BringForward();
    SendMessageA(GetParent(control), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

HWND SettingsFixture::WaitForDialog(const char* caption, DWORD timeoutMs) {
    HWND main = MainWindow(), found = nullptr;
    WaitUntil([&] { return (found = FindVisibleDialog(settings_.dwProcessId, caption, main)) != nullptr; }, timeoutMs);
    return found;
}

std::string SettingsFixture::DialogMessage(HWND dialog) { return LongestStaticText(dialog); }

void SettingsFixture::Press(HWND dialog, int id) { Click(GetDlgItem(dialog, id)); }

bool SettingsFixture::AnswerDeviceError(int button) {
    HWND dialog = WaitForDialog("Tavelin Error");
    if (!dialog) return false;
    Press(dialog, button);
    return WaitUntil([dialog] { return !IsWindow(dialog); });
}

std::vector<std::string> SettingsFixture::TypedThrough(SimClient& device) {
    RecorderWindow recorder;
    if (!recorder.Open("Typing")) return {};
    device.Run("type ab");
    std::vector<std::string> keys;
    WaitUntil([&] {
        for (const std::string& message : recorder.Take())
            if (message.compare(0, 2, "kd") == 0) keys.push_back(message);
        return keys.size() >= 2;
    });
    recorder.Close();
    BringForward();
    return keys;
}

bool SettingsFixture::Idle(DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(MainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}
