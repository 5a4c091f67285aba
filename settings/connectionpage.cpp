#include "connectionpage.h"

#include <string>
#include <vector>

#include "../common/portname.h"
#include "../common/settingsstore.h"
#include "drivercalls.h"
#include "settingstore.h"
#include "resource.h"
#include "settingstore.h"

namespace {

const char* const SERIAL_PORTS_KEY = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
const int BLUETOOTH_CONTROLS[] = {IDC_CONN_BLUETOOTH, IDC_CONN_DEVICES, IDC_CONN_SEARCH, IDC_CONN_CONNECT};

}  // namespace

void EnumerateSerialPorts(const std::function<bool(const char* portName)>& consumer) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SERIAL_PORTS_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    DWORD count = 0, longestName = 0, largestData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &largestData, nullptr, nullptr) == ERROR_SUCCESS) {
        // Room for a terminator the stored data may lack.
        std::vector<char> name(longestName + 1), data(largestData + 1);
        for (DWORD index = 0; index < count; ++index) {
            DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = largestData, type = 0;
            if (RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &dataSize) != ERROR_SUCCESS)
                break;
            if (type != REG_SZ) continue;
            data[dataSize < largestData ? dataSize : largestData] = '\0';
            if (!consumer(data.data())) break;
        }
    }
    RegCloseKey(key);
}

CConnectionPage::CConnectionPage() : CSettingsPage(IDD_CONNECTION) {}

void CConnectionPage::OnInitDialog() {
    FillPortList();
    CheckRadioButton(m_hWnd, IDC_CONN_SERIAL, IDC_CONN_BLUETOOTH, IDC_CONN_SERIAL);
    for (int id : BLUETOOTH_CONTROLS) EnableWindow(GetDlgItem(m_hWnd, id), FALSE);
}

void CConnectionPage::FillPortList() {
    std::vector<std::string> names;
    EnumerateSerialPorts([&names](const char* portName) {
        names.push_back(std::string(portName).substr(0, PORT_NAME_MAX));
        return true;
    });
    SortPortNames(&names);
    HWND list = GetDlgItem(m_hWnd, IDC_CONN_PORTS);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& name : names) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    const DWORD stored = ReadDwordSetting(PORT_NUMBER, BY_SETTINGS);
    SendMessageA(list, CB_SETCURSEL, FindPortEntry(names, stored), 0);
}

INT_PTR CConnectionPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_CONN_PORTS && HIWORD(wParam) == CBN_SELCHANGE) {
        OnPortChosen();
        return TRUE;
    }
    return CSettingsPage::OnMessage(message, wParam, lParam);
}

// The port is stored before the driver hears of it: the driver opens the
// stored port whenever it connects, and names a port of two digits by the
// stored one. The connection is switched on first (on the stored port, so
// that a link that was off comes up there), then the driver is moved; it
// starts the device on a port it newly opens and leaves the port it already
// has alone, so each port is opened once.
void CConnectionPage::OnPortChosen() {
    HWND list = GetDlgItem(m_hWnd, IDC_CONN_PORTS);
    const LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR || SendMessageA(list, CB_GETLBTEXTLEN, selected, 0) > static_cast<LRESULT>(PORT_NAME_MAX))
        return;
    char name[PORT_NAME_MAX + 1] = {};
    SendMessageA(list, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(name));
    const unsigned long number = PortNumberFromName(name);
    if (!number) return;
    // Refused, the list shows the stored port again and the driver stays.
    if (!StoreDwordSetting(m_hWnd, PORT_NUMBER, number)) {
        FillPortList();
        return;
    }
    if (!SwitchConnection(true)) return;
    ChangePort(number);
}
