#include "powersavepage.h"

#include <commctrl.h>

#include "../common/packet.h"
#include "../common/settingsstore.h"
#include "devicevalue.h"
#include "drivercalls.h"
#include "resource.h"
#include "retryloops.h"

namespace {

// One row of the page: label, field with its up-down control, unit label.
struct PowerRow {
    int label, field, spin;
    unsigned short getOpcode, setOpcode;
    FieldUnit unit;
    int step;  // of the up-down control, in the field's unit
    const SettingValue* minValue;
    const SettingValue* maxValue;
    const SettingValue* defaultValue;
    long zeroMeans;  // the default when the installation stores none
    ValueRange fallback;
    ValueRange carried;
};

// In the order the rows are shown, read and restored.
const PowerRow kRows[] = {
    {IDC_POWER_NOACTIVITY_LABEL, IDC_POWER_NOACTIVITY, IDC_POWER_NOACTIVITY_SPIN, GET_NOACTIVITYPERIOD,
     SET_NOACTIVITYPERIOD, UNIT_SECONDS, 30, &POWER_MIN_NO_ACTIVITY, &POWER_MAX_NO_ACTIVITY, &POWER_DEFAULT_NO_ACTIVITY, 5,
     NO_ACTIVITY_FALLBACK, SECONDS_IN_32_BITS},
    {IDC_POWER_REACTION_LABEL, IDC_POWER_REACTION, IDC_POWER_REACTION_SPIN, GET_REACTIONTIME, SET_REACTIONTIME,
     UNIT_MILLISECONDS, 50, &POWER_MIN_REACTION, &POWER_MAX_REACTION, &POWER_DEFAULT_REACTION, 150, REACTION_FALLBACK, WORD_VALUES},
    {IDC_POWER_STANDBY_LABEL, IDC_POWER_STANDBY, IDC_POWER_STANDBY_SPIN, GET_STANDBYPERIOD, SET_STANDBYPERIOD,
     UNIT_MINUTES, 1, &POWER_MIN_STANDBY, &POWER_MAX_STANDBY, &POWER_DEFAULT_STANDBY, 10, STANDBY_FALLBACK, MINUTES_IN_32_BITS},
};

void SetUpSpin(HWND spin, const ValueRange& range, int step) {
    SendMessageA(spin, UDM_SETRANGE32, range.min, range.max);
    UDACCEL acceleration = {0, static_cast<UINT>(step)};
    SendMessageA(spin, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&acceleration));
}

}  // namespace

CPowerSavePage::CPowerSavePage() : CSettingsPage(IDD_POWERSAVE) {}

void CPowerSavePage::OnInitDialog() {
    for (int row = 0; row < ROW_COUNT; ++row) {
        const PowerRow& r = kRows[row];
        m_ranges[row] = ChooseRange(ReadDefault(*r.minValue),
                                    ReadDefault(*r.maxValue), r.fallback, r.carried);
        SetUpSpin(GetDlgItem(m_hWnd, r.spin), m_ranges[row], r.step);
    }
    if (!QueryHeldValue(m_hWnd, GET_POWERMODE, &m_bySwitch, END_PROGRAM)) return;
    for (int row = 0; row < ROW_COUNT; ++row)
        if (!QueryHeldValue(m_hWnd, kRows[row].getOpcode, &m_dwHeldMs[row], END_PROGRAM)) return;
    ShowPowerSave();
}

INT_PTR CPowerSavePage::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_VSCROLL && LOWORD(wParam) == SB_ENDSCROLL) {
        OnScrollEnded();
        return TRUE;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
    switch (LOWORD(wParam)) {
        case IDC_POWER_ENABLE: OnEnableClicked(); return TRUE;
        case IDC_POWER_DEFAULTS: OnRestoreDefaults(); return TRUE;
        default: return FALSE;
    }
}

// Sent once: a refused switch leaves the box showing the new state and the
// rows as they were.
void CPowerSavePage::OnEnableClicked() {
    const unsigned char on = IsDlgButtonChecked(m_hWnd, IDC_POWER_ENABLE) == BST_CHECKED;
    if (!SendDeviceValue(SET_POWERMODE, on)) return;
    m_bySwitch = on;
    EnableRows(on);
}

// Every row whose field asks for a change sends it once; a refused value
// goes back into its field.
void CPowerSavePage::OnScrollEnded() {
    for (int row = 0; row < ROW_COUNT; ++row) {
        const PowerRow& r = kRows[row];
        BOOL read = FALSE;
        const long field = static_cast<long>(GetDlgItemInt(m_hWnd, r.field, &read, FALSE));
        if (!read || !FieldDiffersFromHeld(field, m_dwHeldMs[row], r.unit)) continue;
        const DWORD milliseconds = FieldToMilliseconds(ClampToRange(field, m_ranges[row]), r.unit);
        if (SendDeviceValue(r.setOpcode, milliseconds))
            m_dwHeldMs[row] = milliseconds;
        else
            ShowField(row);
        SetFocus(GetDlgItem(m_hWnd, r.spin));
    }
}

void CPowerSavePage::OnRestoreDefaults() {
    for (int row = 0; row < ROW_COUNT; ++row) {
        const PowerRow& r = kRows[row];
        const long value = DefaultInRange(ReadDefault(*r.defaultValue), r.zeroMeans, m_ranges[row]);
        const DWORD milliseconds = FieldToMilliseconds(value, r.unit);
        if (!SendWithRetryPrompt(m_hWnd, r.setOpcode, milliseconds, RETRY_DEFAULTS_QUITTING)) return;
        m_dwHeldMs[row] = milliseconds;
    }
    const unsigned char on = ReadDefault(POWER_DEFAULT_ENABLE) != 0;
    if (!SendWithRetryPrompt(m_hWnd, SET_POWERMODE, on, RETRY_DEFAULTS_QUITTING)) return;
    m_bySwitch = on;
    ShowPowerSave();
}

void CPowerSavePage::ShowPowerSave() {
    CheckDlgButton(m_hWnd, IDC_POWER_ENABLE, m_bySwitch ? BST_CHECKED : BST_UNCHECKED);
    EnableRows(m_bySwitch != 0);
    for (int row = 0; row < ROW_COUNT; ++row) ShowField(row);
}

void CPowerSavePage::ShowField(int row) {
    SetDlgItemInt(m_hWnd, kRows[row].field, static_cast<UINT>(MillisecondsToField(m_dwHeldMs[row], kRows[row].unit)),
                  FALSE);
}

// The unit labels stay enabled.
void CPowerSavePage::EnableRows(bool enable) {
    for (const PowerRow& r : kRows) {
        const int ids[] = {r.label, r.field, r.spin};
        EnableDialogItems(m_hWnd, ids, enable);
    }
}
