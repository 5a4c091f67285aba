#include "mousepage.h"

#include <commctrl.h>

#include "../common/controlprotocol.h"
#include "../common/packet.h"
#include "../common/settingsstore.h"
#include "../common/uiseam.h"
#include "drivercalls.h"
#include "devicevalue.h"
#include "resource.h"
#include "settingstore.h"
#include "retryloops.h"

namespace {

const unsigned char DEFAULT_SENSITIVITY = 2;  // when "DefSensitivity" is absent
const unsigned char DEFAULT_TAP_SPEED = 5;    // when "DefTapSpeed" is absent

const int kTappingControls[] = {IDC_MOUSE_SPEED_LABEL, IDC_MOUSE_SPEED_SLOW, IDC_MOUSE_SPEED, IDC_MOUSE_SPEED_FAST};

// Ctrl+Tab belongs to the main window: it switches pages.
bool KeyActsInPage(WPARAM key) {
    if (key == VK_TAB && GetKeyState(VK_CONTROL) < 0) return true;
    switch (key) {
        case VK_SPACE: case VK_END: case VK_HOME: case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: return true;
        default: return false;
    }
}

// The system's mouse settings, shown without taking the focus; if they
// cannot be opened the button does nothing.
void OpenMouseProperties() {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "Open";
    info.lpFile = "RunDll32";
    info.lpParameters = "Shell32.dll Control_RunDLL main.cpl";
    info.nShow = SW_SHOWNOACTIVATE;
    g_ui.shellExecuteExA(&info);
}

}  // namespace

HWND CMousePage::s_hFilteredPage = nullptr;

CMousePage::CMousePage() : CSettingsPage(IDD_MOUSE) {}

CMousePage::~CMousePage() {
    if (!m_hKeyFilter) return;
    UnhookWindowsHookEx(m_hKeyFilter);
    s_hFilteredPage = nullptr;
}

LRESULT CALLBACK CMousePage::KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    MSG* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && message->message == WM_KEYDOWN && !KeyActsInPage(message->wParam) && s_hFilteredPage &&
        (message->hwnd == s_hFilteredPage || IsChild(s_hFilteredPage, message->hwnd)))
        message->wParam = 0;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CMousePage::OnInitDialog() {
    // Modal loops run the dialog handling before any window procedure sees
    // the key, so the filter sits where the messages are fetched.
    s_hFilteredPage = m_hWnd;
    m_hKeyFilter = SetWindowsHookExA(WH_GETMESSAGE, KeyFilter, nullptr, GetCurrentThreadId());

    m_touchRange = ChooseRange(ReadDefault(MOUSE_MIN_SENSITIVITY),
                               ReadDefault(MOUSE_MAX_SENSITIVITY), MOUSE_SENSITIVITY_FALLBACK,
                               BYTE_VALUES);
    m_speedRange = ChooseRange(ReadDefault(MOUSE_MIN_TAP_SPEED),
                               ReadDefault(MOUSE_MAX_TAP_SPEED), TAP_SPEED_FALLBACK, BYTE_VALUES);
    SetUpTrackbar(GetDlgItem(m_hWnd, IDC_MOUSE_TOUCH), m_touchRange, TICKS_FROM_MIN);
    SetUpTrackbar(GetDlgItem(m_hWnd, IDC_MOUSE_SPEED), m_speedRange, TICKS_FROM_MIN);

    if (!QueryHeldValue(m_hWnd, GET_MOUSESENSITIVITY, &m_bySensitivity, STOP_OPENING)) return;
    if (!QueryHeldValue(m_hWnd, GET_TAPSPEED, &m_byTapSpeed, STOP_OPENING)) return;
    ShowTapToClick(ReadDwordSetting(TAP_ENABLE, BY_SETTINGS) == 1);
    MoveTrackbars();
}

INT_PTR CMousePage::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_HSCROLL && LOWORD(wParam) == TB_ENDTRACK) {
        OnTrackbarReleased();
        return TRUE;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
    switch (LOWORD(wParam)) {
        case IDC_MOUSE_TAP: OnTapClicked(); return TRUE;
        case IDC_MOUSE_PROPERTIES: OpenMouseProperties(); return TRUE;
        case IDC_MOUSE_DEFAULTS: OnRestoreDefaults(); return TRUE;
        default: return FALSE;
    }
}

void CMousePage::OnTrackbarReleased() {
    SendTrackbarIfMoved(m_hWnd, IDC_MOUSE_TOUCH, SET_MOUSESENSITIVITY, m_touchRange, &m_bySensitivity);
    SendTrackbarIfMoved(m_hWnd, IDC_MOUSE_SPEED, SET_TAPSPEED, m_speedRange, &m_byTapSpeed);
}

// A refused write puts the box back: the driver would lose the choice at
// its next start.
void CMousePage::OnTapClicked() {
    const bool on = IsDlgButtonChecked(m_hWnd, IDC_MOUSE_TAP) == BST_CHECKED;
    if (!StoreDwordSetting(m_hWnd, TAP_ENABLE, on)) {
        ShowTapToClick(!on);
        return;
    }
    EnableDialogItems(m_hWnd, kTappingControls, on);
    SetMouseTap(on);
}

void CMousePage::OnRestoreDefaults() {
    const long sensitivity =
        DefaultInRange(ReadDefault(MOUSE_DEFAULT_SENSITIVITY), DEFAULT_SENSITIVITY, m_touchRange);
    if (!SendWithRetryPrompt(m_hWnd, SET_MOUSESENSITIVITY, static_cast<DWORD>(sensitivity), RETRY_DEFAULTS_QUITTING))
        return;
    m_bySensitivity = static_cast<unsigned char>(sensitivity);
    const long speed = DefaultInRange(ReadDefault(MOUSE_DEFAULT_TAP_SPEED), DEFAULT_TAP_SPEED, m_speedRange);
    if (!SendWithRetryPrompt(m_hWnd, SET_TAPSPEED, static_cast<DWORD>(speed), RETRY_DEFAULTS_QUITTING)) return;
    m_byTapSpeed = static_cast<unsigned char>(speed);

    const bool tap = ReadDefault(MOUSE_FACTORY_TAP) != 0;
    if (!SetMouseTap(tap)) return;
    ShowTapToClick(tap);
    StoreDwordSetting(m_hWnd, TAP_ENABLE, tap);
    MoveTrackbars();
}

void CMousePage::ShowTapToClick(bool on) {
    CheckDlgButton(m_hWnd, IDC_MOUSE_TAP, on ? BST_CHECKED : BST_UNCHECKED);
    EnableDialogItems(m_hWnd, kTappingControls, on);
}

void CMousePage::MoveTrackbars() {
    MoveTrackbar(GetDlgItem(m_hWnd, IDC_MOUSE_TOUCH), m_bySensitivity);
    MoveTrackbar(GetDlgItem(m_hWnd, IDC_MOUSE_SPEED), m_byTapSpeed);
}
