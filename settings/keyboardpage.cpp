#include "keyboardpage.h"

#include <commctrl.h>

#include "../common/packet.h"
#include "../common/settingsstore.h"
#include "controlclient.h"
#include "drivercalls.h"
#include "resource.h"
#include "retryloops.h"
#include "settingstore.h"

namespace {

const int REPEAT_CONTROLS[] = {IDC_KB_RATE_LABEL,  IDC_KB_RATE,  IDC_KB_RATE_SPIN,  IDC_KB_RATE_UNIT,
                               IDC_KB_DELAY_LABEL, IDC_KB_DELAY, IDC_KB_DELAY_SPIN, IDC_KB_DELAY_UNIT};
const DWORD MOST_TICKS = 1000;  // a range beyond this is the installation's mistake

DWORD RepeatSetting(const SettingValue& value) { return ReadDwordSetting(value, BY_SETTINGS); }

RepeatLimits StoredLimits(const SettingValue& min, const SettingValue& max, const RepeatLimits& fallback) {
    return EffectiveLimits(RepeatSetting(min), RepeatSetting(max), fallback);
}

}  // namespace

RepeatLimits RepeatRateLimits() { return StoredLimits(REPEAT_MIN_RATE, REPEAT_MAX_RATE, RATE_FALLBACK_LIMITS); }

RepeatLimits RepeatDelayLimits() { return StoredLimits(REPEAT_MIN_DELAY, REPEAT_MAX_DELAY, DELAY_FALLBACK_LIMITS); }

CKeyboardPage::CKeyboardPage() : CSettingsPage(IDD_KEYBOARD) {}

void CKeyboardPage::OnInitDialog() {
    m_bRepeatEnabled = RepeatSetting(REPEAT_ENABLE) == 1;
    m_nRepeatDelay = static_cast<unsigned short>(RepeatSetting(REPEAT_DELAY));
    m_nRepeatRate = static_cast<unsigned short>(RepeatSetting(REPEAT_RATE));
    SetUpSensitivityRange();
    // Cancel leaves the page as its layout shows it; Turn Off goes on with
    // what the page held before.
    bool cancelled = false;
    unsigned char reply[REPLY_AREA_SIZE] = {};
    if (QueryWithErrorDialog(m_hWnd, GET_KEYSENSITIVITY, reply, [&cancelled] { cancelled = true; }, [] {}))
        m_nSensitivity = reply[0];
    if (cancelled) return;
    SendDlgItemMessageA(m_hWnd, IDC_KB_SENSITIVITY, TBM_SETPOS, TRUE, m_nSensitivity);
    LoadKeyRepeat();
}

void CKeyboardPage::SetUpSensitivityRange() {
    const DWORD low = ReadDwordSetting(KEY_SENSITIVITY_MIN, BY_SETTINGS);
    const DWORD high = ReadDwordSetting(KEY_SENSITIVITY_MAX, BY_SETTINGS);
    HWND slider = GetDlgItem(m_hWnd, IDC_KB_SENSITIVITY);
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
    for (DWORD tick = low; tick < high && tick - low < MOST_TICKS; ++tick) SendMessageA(slider, TBM_SETTIC, 0, tick);
}

void CKeyboardPage::LoadKeyRepeat() {
    CheckDlgButton(m_hWnd, IDC_KB_REPEAT_ENABLE, m_bRepeatEnabled ? BST_CHECKED : BST_UNCHECKED);
    EnableRepeatControls(m_bRepeatEnabled);
    SetDlgItemInt(m_hWnd, IDC_KB_DELAY, m_nRepeatDelay, FALSE);
    SetDlgItemInt(m_hWnd, IDC_KB_RATE, m_nRepeatRate, FALSE);
    const RepeatLimits rate = RepeatRateLimits(), delay = RepeatDelayLimits();
    SendDlgItemMessageA(m_hWnd, IDC_KB_RATE_SPIN, UDM_SETRANGE32, rate.min, rate.max);
    SendDlgItemMessageA(m_hWnd, IDC_KB_DELAY_SPIN, UDM_SETRANGE32, delay.min, delay.max);
    UDACCEL step = {0, REPEAT_DELAY_STEP};
    SendDlgItemMessageA(m_hWnd, IDC_KB_DELAY_SPIN, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&step));
}

void CKeyboardPage::EnableRepeatControls(bool enable) {
    for (int id : REPEAT_CONTROLS) EnableWindow(GetDlgItem(m_hWnd, id), enable);
}

INT_PTR CKeyboardPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_HSCROLL:
        // Only the end of a drag or of a key movement counts, never the way there.
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(m_hWnd, IDC_KB_SENSITIVITY) && LOWORD(wParam) == TB_ENDTRACK)
            OnSensitivityMoved();
        return TRUE;
    case WM_VSCROLL:
        if (LOWORD(wParam) == SB_ENDSCROLL) OnRepeatScrolled(reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        if (LOWORD(wParam) == IDC_KB_REPEAT_ENABLE) OnRepeatEnableClicked();
        else if (LOWORD(wParam) == IDC_KB_DEFAULTS) OnRestoreDefaults();
        else return FALSE;
        return TRUE;
    default:
        return CSettingsPage::OnMessage(message, wParam, lParam);
    }
}

void CKeyboardPage::OnSensitivityMoved() {
    const LRESULT position = SendDlgItemMessageA(m_hWnd, IDC_KB_SENSITIVITY, TBM_GETPOS, 0, 0);
    if (position == m_nSensitivity) return;
    if (SendWithRetryPrompt(m_hWnd, SET_KEYSENSITIVITY, static_cast<DWORD>(position), RETRY_IMMEDIATE_CHANGE))
        m_nSensitivity = static_cast<unsigned char>(position);
}

// Both fields, rate first; a changed number goes to the driver.
void CKeyboardPage::OnRepeatScrolled(HWND upDown) {
    const bool rateChanged = TakeFieldValue(IDC_KB_RATE, RepeatRateLimits(), &m_nRepeatRate);
    const bool delayChanged = TakeFieldValue(IDC_KB_DELAY, RepeatDelayLimits(), &m_nRepeatDelay);
    if (upDown) SetFocus(upDown);
    if (rateChanged || delayChanged) SendKeyRepeat();
}

// The field's number within the limits, shown and held; true when it changed.
bool CKeyboardPage::TakeFieldValue(int field, const RepeatLimits& limits, unsigned short* held) {
    const unsigned short value = ClampToLimits(GetDlgItemInt(m_hWnd, field, nullptr, FALSE) & 0xFFFF, limits);
    SetDlgItemInt(m_hWnd, field, value, FALSE);
    if (value == *held) return false;
    *held = value;
    return true;
}

void CKeyboardPage::OnRepeatEnableClicked() {
    m_bRepeatEnabled = IsDlgButtonChecked(m_hWnd, IDC_KB_REPEAT_ENABLE) == BST_CHECKED;
    SendKeyRepeat();
    EnableRepeatControls(m_bRepeatEnabled);
}

// Key sensitivity only; key repeat stays as it is.
void CKeyboardPage::OnRestoreDefaults() {
    const DWORD value = SensitivityDefault(ReadDwordSetting(KEY_SENSITIVITY_DEFAULT, BY_SETTINGS));
    SendWithRetryPrompt(m_hWnd, SET_KEYSENSITIVITY, value, RETRY_KEYBOARD_DEFAULTS);
    m_nSensitivity = static_cast<unsigned char>(value);
    SendDlgItemMessageA(m_hWnd, IDC_KB_SENSITIVITY, TBM_SETPOS, TRUE, m_nSensitivity);
}

// The driver divides by the rate: what it gets is always within the limits,
// also when the stored numbers were not.
void CKeyboardPage::SendKeyRepeat() {
    TakeFieldValue(IDC_KB_RATE, RepeatRateLimits(), &m_nRepeatRate);
    TakeFieldValue(IDC_KB_DELAY, RepeatDelayLimits(), &m_nRepeatDelay);
    if (!SetKeyRepeat(m_bRepeatEnabled, m_nRepeatRate, m_nRepeatDelay)) return;
    // One refusal is reported once.
    if (StoreDwordSetting(m_hWnd, REPEAT_RATE, m_nRepeatRate) &&
        StoreDwordSetting(m_hWnd, REPEAT_DELAY, m_nRepeatDelay))
        StoreDwordSetting(m_hWnd, REPEAT_ENABLE, m_bRepeatEnabled ? 1 : 0);
}
