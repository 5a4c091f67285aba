#include "projectorpage.h"

#include <commctrl.h>

#include "../common/packet.h"
#include "../common/settingsstore.h"
#include "devicevalue.h"
#include "resource.h"
#include "retryloops.h"

namespace {

const long DEFAULT_NORMAL_LEVEL = 31;  // when the normal "Default" is absent
const long DEFAULT_STANDBY_LEVEL = 0;  // the standby "Default" is used as stored

const int kBrightnessControls[] = {
    IDC_PROJECTOR_NORMAL_LABEL,  IDC_PROJECTOR_NORMAL_DIM,  IDC_PROJECTOR_NORMAL,  IDC_PROJECTOR_NORMAL_FULL,
    IDC_PROJECTOR_STANDBY_LABEL, IDC_PROJECTOR_STANDBY_OFF, IDC_PROJECTOR_STANDBY, IDC_PROJECTOR_STANDBY_FULL,
};

ValueRange StoredLevelRange(const SettingValue& min, const SettingValue& max, const ValueRange& fallback) {
    return ChooseRange(ReadDefault(min), ReadDefault(max), fallback, BYTE_VALUES);
}

}  // namespace

CProjectorPage::CProjectorPage() : CSettingsPage(IDD_PROJECTOR) {}

void CProjectorPage::OnInitDialog() {
    if (!QueryHeldValue(m_hWnd, GET_PROJECTORSWITCH, &m_bySwitch, END_PROGRAM)) return;
    m_normalRange = StoredLevelRange(PROJECTOR_NORMAL_MIN, PROJECTOR_NORMAL_MAX, NORMAL_LEVEL_FALLBACK);
    m_standbyRange = StoredLevelRange(PROJECTOR_STANDBY_MIN, PROJECTOR_STANDBY_MAX, STANDBY_LEVEL_FALLBACK);
    // Standby starts at "Off", which needs no tick of its own.
    SetUpTrackbar(GetDlgItem(m_hWnd, IDC_PROJECTOR_NORMAL), m_normalRange, TICKS_FROM_MIN);
    SetUpTrackbar(GetDlgItem(m_hWnd, IDC_PROJECTOR_STANDBY), m_standbyRange, TICKS_INSIDE);
    if (!QueryHeldValue(m_hWnd, GET_PROJECTORNORMALLEVEL, &m_byNormalLevel, END_PROGRAM)) return;
    if (!QueryHeldValue(m_hWnd, GET_PROJECTORSTANDBYLEVEL, &m_byStandbyLevel, END_PROGRAM)) return;
    ShowProjector();
}

INT_PTR CProjectorPage::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_HSCROLL && LOWORD(wParam) == TB_ENDTRACK) {
        OnTrackbarReleased();
        return TRUE;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
    switch (LOWORD(wParam)) {
        case IDC_PROJECTOR_ON: OnSwitchClicked(true); return TRUE;
        case IDC_PROJECTOR_OFF: OnSwitchClicked(false); return TRUE;
        case IDC_PROJECTOR_DEFAULTS: OnRestoreDefaults(); return TRUE;
        default: return FALSE;
    }
}

void CProjectorPage::OnSwitchClicked(bool on) {
    if (!SendWithRetryPrompt(m_hWnd, SET_PROJECTORSWITCH, on, RETRY_IMMEDIATE_CHANGE)) return;
    m_bySwitch = on;
    EnableDialogItems(m_hWnd, kBrightnessControls, on);
}

void CProjectorPage::OnTrackbarReleased() {
    SendTrackbarIfMoved(m_hWnd, IDC_PROJECTOR_NORMAL, SET_PROJECTORNORMALLEVEL, m_normalRange, &m_byNormalLevel);
    SendTrackbarIfMoved(m_hWnd, IDC_PROJECTOR_STANDBY, SET_PROJECTORSTANDBYLEVEL, m_standbyRange, &m_byStandbyLevel);
}

void CProjectorPage::OnRestoreDefaults() {
    // An absent (0) factory switch means on, so the defaults always switch the projector on.
    const long on = DefaultInRange(ReadDefault(PROJECTOR_DEFAULT_ENABLE), 1, SWITCH_VALUES);
    if (!SendWithRetryPrompt(m_hWnd, SET_PROJECTORSWITCH, static_cast<DWORD>(on), RETRY_PROJECTOR_DEFAULTS)) return;
    m_bySwitch = static_cast<unsigned char>(on);
    const long normal = DefaultInRange(ReadDefault(PROJECTOR_NORMAL_DEFAULT), DEFAULT_NORMAL_LEVEL, m_normalRange);
    if (!SendWithRetryPrompt(m_hWnd, SET_PROJECTORNORMALLEVEL, static_cast<DWORD>(normal), RETRY_PROJECTOR_DEFAULTS))
        return;
    m_byNormalLevel = static_cast<unsigned char>(normal);
    const long standby =
        DefaultInRange(ReadDefault(PROJECTOR_STANDBY_DEFAULT), DEFAULT_STANDBY_LEVEL, m_standbyRange);
    if (!SendWithRetryPrompt(m_hWnd, SET_PROJECTORSTANDBYLEVEL, static_cast<DWORD>(standby), RETRY_PROJECTOR_DEFAULTS))
        return;
    m_byStandbyLevel = static_cast<unsigned char>(standby);
    ShowProjector();
}

void CProjectorPage::ShowProjector() {
    CheckRadioButton(m_hWnd, IDC_PROJECTOR_ON, IDC_PROJECTOR_OFF, m_bySwitch ? IDC_PROJECTOR_ON : IDC_PROJECTOR_OFF);
    EnableDialogItems(m_hWnd, kBrightnessControls, m_bySwitch != 0);
    MoveTrackbar(GetDlgItem(m_hWnd, IDC_PROJECTOR_NORMAL), m_byNormalLevel);
    MoveTrackbar(GetDlgItem(m_hWnd, IDC_PROJECTOR_STANDBY), m_byStandbyLevel);
}
